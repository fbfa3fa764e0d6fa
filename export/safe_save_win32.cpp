// Careful saving on Windows: a uniquely named temporary file beside the target, put in
// its place by ReplaceFileW (which keeps the replaced file's attributes and security)
// or MoveFileExW with replace-existing.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <random>

#include "export/safe_save.h"

namespace {

constexpr int kNameAttempts = 100;

std::wstring widen(const std::string& text) {
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), wide.data(), length);
    return wide;
}

// A name beside path that no file is likely to have: path.XXXXXX.
std::wstring uniqueNameBeside(const std::wstring& path) {
    static const wchar_t kLetters[] = L"abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::wstring name = path + L".";
    for (int i = 0; i < 6; ++i)
        name += kLetters[random() % (sizeof kLetters / sizeof *kLetters - 1)];
    return name;
}

// The path the open file really has, symbolic links followed; path when unknown.
std::wstring finalPath(HANDLE file, const std::wstring& path) {
    DWORD length = GetFinalPathNameByHandleW(file, nullptr, 0, FILE_NAME_NORMALIZED);
    if (length == 0) return path;
    std::wstring result(length, L'\0');
    length = GetFinalPathNameByHandleW(file, result.data(), length, FILE_NAME_NORMALIZED);
    if (length == 0 || length >= result.size()) return path;
    result.resize(length);
    return result;
}

// Whether the open target may be replaced: a disk file without other hard links.
bool mayReplace(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
           info.nNumberOfLinks <= 1;
}

HANDLE openForWriting(const std::wstring& path, DWORD disposition) {
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

SafeSave::~SafeSave() {
    discard();
}

bool SafeSave::open(const std::string& target, SaveMode mode) {
    discard();
    std::wstring path = widen(target);
    if (path.empty()) return false;
    DWORD attributes = GetFileAttributesW(path.c_str());
    targetExisted_ = attributes != INVALID_FILE_ATTRIBUTES;
    if (!targetExisted_ && GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    if (targetExisted_ && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;

    HANDLE file = INVALID_HANDLE_VALUE;
    if (targetExisted_) { // it must be writable; opening it changes nothing
        HANDLE existing = CreateFileW(path.c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (existing == INVALID_HANDLE_VALUE) return false;
        path = finalPath(existing, path);
        if (mayReplace(existing)) {
            CloseHandle(existing);
        } else { // a device, or a file with other hard links: written in place
            inPlace_ = true;
            SetEndOfFile(existing);
            file = existing;
        }
    }
    if (!inPlace_) {
        for (int attempt = 0; attempt < kNameAttempts && file == INVALID_HANDLE_VALUE; ++attempt) {
            temporary_ = uniqueNameBeside(path);
            file = openForWriting(temporary_, CREATE_NEW);
            if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
        }
        if (file == INVALID_HANDLE_VALUE) {
            temporary_.clear();
            if (targetExisted_ && GetLastError() == ERROR_ACCESS_DENIED) {
                inPlace_ = true; // the folder takes no new file, the target can be written
                file = openForWriting(path, TRUNCATE_EXISTING);
            }
        }
    }
    if (file == INVALID_HANDLE_VALUE) {
        discard();
        return false;
    }
    const bool text = mode == SaveMode::Text;
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), (text ? _O_TEXT : _O_BINARY));
    if (fd < 0) {
        CloseHandle(file);
    } else {
        stream_ = _fdopen(fd, text ? "wt" : "wb");
        if (!stream_) _close(fd);
    }
    if (!stream_) {
        discard();
        return false;
    }
    target_ = path;
    return true;
}

// Windows has no request to start writing a range without waiting; FlushFileBuffers at
// commit writes it all.
bool SafeSave::startWriteback() {
    return false;
}

bool SafeSave::commit() {
    if (!stream_) return false;
    bool written = std::fflush(stream_) == 0 && !std::ferror(stream_);
    // The contents reach the disk before the name points at them.
    if (written && !inPlace_)
        written = FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream_))));
    written = std::fclose(stream_) == 0 && written;
    stream_ = nullptr;
    if (written && !inPlace_) {
        bool replaced =
            targetExisted_ && ReplaceFileW(target_.c_str(), temporary_.c_str(), nullptr,
                                           REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
        written = replaced || MoveFileExW(temporary_.c_str(), target_.c_str(),
                                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    }
    if (written) temporary_.clear();
    discard();
    return written;
}

void SafeSave::discard() {
    if (stream_) std::fclose(stream_);
    stream_ = nullptr;
    if (!temporary_.empty()) DeleteFileW(temporary_.c_str());
    temporary_.clear();
    target_.clear();
    inPlace_ = unnamed_ = targetExisted_ = false;
}
