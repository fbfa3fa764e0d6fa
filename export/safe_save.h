// Saving a file so that a failed save never costs the old one. The new contents go to a
// fresh temporary file beside the target, which takes the target's place only when it
// is complete; a new file gets the usual permissions, a replaced one keeps its
// permissions (and owner, where that may be set), and a symbolic link stays a link to
// the replaced file. Targets that must not be replaced (a device, a FIFO, a socket, a
// file with other hard links), and files in a folder that takes no new file, are
// written in place. Only the standard library and the operating system are used, so
// the plug-in and zefhost share this one implementation; the platform halves are
// safe_save_posix.cpp and safe_save_win32.cpp.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

enum class SaveMode {
    Text,   // line ends as the platform writes them (CR LF on Windows)
    Binary, // bytes as given
};

class SafeSave {
  public:
#ifdef _WIN32
    using NativePath = std::wstring;
#else
    using NativePath = std::string;
#endif

    SafeSave() = default;
    ~SafeSave(); // discards a save that was not committed
    SafeSave(const SafeSave&) = delete;
    SafeSave& operator=(const SafeSave&) = delete;

    // Opens the file that receives the contents for target. False when the target
    // cannot be written: its folder is missing, it is a folder, it exists but may not
    // be written, or neither a temporary nor the target itself can be opened.
    bool open(const std::string& target, SaveMode mode);
    // The open stream, or null.
    FILE* stream() const {
        return stream_;
    }
    // Flushes and closes the stream and puts the new contents in the target's place.
    // False when a write failed or the file could not be put in place; the temporary
    // is gone then, and a target that was replaced (not written in place) is as it was.
    bool commit();
    // The least that startWriteback hands to the system in one request.
    static constexpr int64_t kWritebackStep = int64_t(8) << 20;
    // Asks the system to start writing to the disk what has reached the file since the
    // last request, once that is at least kWritebackStep bytes, and returns at once: the
    // disk then works while the caller writes on, and commit waits only for the tail of a
    // large file. A hint, never a failure. True when a request was made; false when too
    // little is new, the target is written in place (commit does not wait for the disk
    // there), or the platform has no such request.
    bool startWriteback();
    // Closes the stream and removes the temporary file. The target is left alone.
    void discard();
    // Whether the target is written in place rather than replaced.
    bool writesInPlace() const {
        return inPlace_;
    }

  private:
    FILE* stream_ = nullptr;
    NativePath target_;    // the file replaced or written, symbolic links followed
    NativePath temporary_; // a named temporary file, while there is one
    bool inPlace_ = false;
    bool unnamed_ = false;       // the temporary has no name until commit
    bool targetExisted_ = false; // there is a file to replace
    int64_t writebackFrom_ = 0;  // where the next writeback request starts
};
