// Careful saving on POSIX systems. The temporary is an unnamed file (O_TMPFILE) where
// the file system offers one, given a name only at commit, so an interrupted save
// leaves nothing behind; elsewhere it is a uniquely named file made exclusively.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "export/safe_save.h"

namespace {

constexpr int kMostLinksFollowed = 40;
constexpr int kNameAttempts = 100;

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Follows symbolic links from path to the file they lead to (which need not exist).
bool followLinks(std::string& path) {
    for (int hop = 0; hop < kMostLinksFollowed; ++hop) {
        struct stat status;
        if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return true;
        std::string destination(size_t(status.st_size > 0 ? status.st_size : 255) + 1, '\0');
        ssize_t length = readlink(path.c_str(), destination.data(), destination.size());
        if (length < 0) return false;
        destination.resize(size_t(length));
        path = destination[0] == '/' ? destination : folderOf(path) + "/" + destination;
    }
    errno = ELOOP;
    return false;
}

// A name beside path that no file is likely to have: path.XXXXXX.
std::string uniqueNameBeside(const std::string& path) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device random;
    std::string name = path + ".";
    for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
    return name;
}

// Creates a new file beside path exclusively, with the usual permissions (0666 less
// the umask); its name is stored in name. -1 with errno set when none can be made.
int createNamedFile(const std::string& path, std::string& name) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        name = uniqueNameBeside(path);
        int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    name.clear();
    errno = EEXIST;
    return -1;
}

// Gives the unnamed file fd the name linkName; false with errno set (EEXIST when the
// name is taken).
bool nameUnnamedFile(int fd, const std::string& linkName) {
    std::string self = "/proc/self/fd/" + std::to_string(fd);
    return linkat(AT_FDCWD, self.c_str(), AT_FDCWD, linkName.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// Links the unnamed file fd into the folder of target under a unique name, stored in
// name; false with errno set.
bool nameUnnamedFileBeside(int fd, const std::string& target, std::string& name) {
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        name = uniqueNameBeside(target);
        if (nameUnnamedFile(fd, name)) return true;
        if (errno != EEXIST) break;
    }
    name.clear();
    return false;
}

// The replaced file's owner and permission bits, as far as this process may set them.
void carryOver(int fd, const struct stat& old) {
    if (fchown(fd, old.st_uid, old.st_gid) != 0 && fchown(fd, uid_t(-1), old.st_gid) != 0) {
        // The new file keeps this process's owner and group.
    }
    if (fchmod(fd, old.st_mode & 07777) != 0) {
        // Only a file system without permissions refuses this; the default mode stays.
    }
}

// Whether a failure to make a file in a folder means the folder takes no new file
// (so writing the target in place is the way left).
bool folderRefuses(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

} // namespace

SafeSave::~SafeSave() {
    discard();
}

bool SafeSave::open(const std::string& target, SaveMode) {
    discard();
    std::string path = target;
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    if (!followLinks(path)) return false;
    struct stat old;
    targetExisted_ = stat(path.c_str(), &old) == 0;
    if (!targetExisted_ && errno != ENOENT) return false;
    if (targetExisted_ && S_ISDIR(old.st_mode)) {
        errno = EISDIR;
        return false;
    }
    const int inPlaceFlags = O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY;
    int fd = -1;
    if (targetExisted_ && (!S_ISREG(old.st_mode) || old.st_nlink > 1)) {
        // Replacing would turn a device or FIFO into a plain file or split hard links.
        inPlace_ = true;
        fd = ::open(path.c_str(), inPlaceFlags);
    } else {
        if (targetExisted_) { // it must be writable; opening it without O_TRUNC changes nothing
            int probe = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
            if (probe < 0) return false;
            ::close(probe);
        }
#ifdef O_TMPFILE
        // An unnamed file is given its name through /proc at commit.
        if (access("/proc/self/fd", X_OK) == 0) {
            fd = ::open(folderOf(path).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
            unnamed_ = fd >= 0;
        }
#endif
        if (fd < 0) fd = createNamedFile(path, temporary_);
        if (fd < 0 && targetExisted_ && folderRefuses(errno)) {
            inPlace_ = true;
            fd = ::open(path.c_str(), inPlaceFlags);
        } else if (fd >= 0 && targetExisted_) {
            carryOver(fd, old);
        }
    }
    if (fd >= 0) stream_ = fdopen(fd, "w");
    if (!stream_) {
        int error = errno;
        if (fd >= 0) ::close(fd);
        discard();
        errno = error;
        return false;
    }
    target_ = path;
    return true;
}

bool SafeSave::startWriteback() {
#ifdef SYNC_FILE_RANGE_WRITE
    if (!stream_ || inPlace_) return false;
    const int fd = fileno(stream_);
    const off_t reached = lseek(fd, 0, SEEK_CUR); // what the stream has handed over
    if (reached < 0 || reached - writebackFrom_ < kWritebackStep) return false;
    const bool asked =
        sync_file_range(fd, writebackFrom_, reached - writebackFrom_, SYNC_FILE_RANGE_WRITE) == 0;
    writebackFrom_ = reached;
    return asked;
#else
    return false;
#endif
}

bool SafeSave::commit() {
    if (!stream_) return false;
    bool written = std::fflush(stream_) == 0 && !std::ferror(stream_);
    // The contents reach the disk before a name points at them.
    if (written && !inPlace_) written = fsync(fileno(stream_)) == 0;
    if (written && unnamed_) written = nameUnnamedFileBeside(fileno(stream_), target_, temporary_);
    written = std::fclose(stream_) == 0 && written;
    stream_ = nullptr;
    if (written && !inPlace_) written = std::rename(temporary_.c_str(), target_.c_str()) == 0;
    if (written) temporary_.clear();
    discard();
    return written;
}

void SafeSave::discard() {
    if (stream_) std::fclose(stream_);
    stream_ = nullptr;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
    target_.clear();
    inPlace_ = unnamed_ = targetExisted_ = false;
    writebackFrom_ = 0;
}
