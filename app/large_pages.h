// Large meshes on transparent huge pages: far fewer page faults and TLB misses when a
// model of a million faces is welded, prepared and written (about twice as fast as a
// whole, measured by the import benchmark). glibc's allocator takes huge pages only
// through tunables read when a process starts, so zefhost starts itself once more
// with them set.
#pragma once

// On Linux with glibc: when GLIBC_TUNABLES and LD_PRELOAD are both unset (a caller's
// own tunables, or a tool such as valgrind, are left alone) and this is no sanitizer
// build, replaces the process with /proc/self/exe run on argv with the tunables set.
// Returns only when it did not (elsewhere, or when the restart failed), and the
// caller goes on as it was.
void restartOnLargePages(char** argv);
