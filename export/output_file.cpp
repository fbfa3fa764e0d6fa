// Opening, replacing and discarding the export file.
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "export/output_file.h"

OutputFileGuard::~OutputFileGuard() {
    close();
    discard();
}

bool OutputFileGuard::open(const char* target) {
    // An existing target must be writable; opening it for update changes nothing.
    if (FILE* probe = std::fopen(target, "r+")) {
        std::fclose(probe);
    } else if (errno != ENOENT) {
        return false;
    }
    target_ = target;
    temporary_ = target_ + ".part";
    stream = std::fopen(temporary_.c_str(), "w");
    if (!stream) temporary_.clear();
    return stream != nullptr;
}

int OutputFileGuard::close() {
    if (!stream) return 0;
    int result = std::fclose(stream);
    stream = nullptr;
    return result;
}

bool OutputFileGuard::commit() {
    std::error_code error;
    std::filesystem::rename(temporary_, target_, error);
    if (error) return false;
    temporary_.clear();
    return true;
}

void OutputFileGuard::discard() {
    if (temporary_.empty()) return;
    std::remove(temporary_.c_str());
    temporary_.clear();
}
