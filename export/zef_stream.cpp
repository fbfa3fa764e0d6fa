// Buffered line output with sticky failure.
#include "export/zef_stream.h"

ZefStream::ZefStream(FILE* file) : file_(file), buffer_(new char[kCapacity]) {}

bool ZefStream::flush() {
    if (failed_) {
        used_ = 0; // what was added after the failure is dropped
        return false;
    }
    // ferror too: some streams report a failed write only there.
    if (used_ > 0 && (std::fwrite(buffer_.get(), 1, used_, file_) != used_ || std::ferror(file_)))
        failed_ = true;
    else if (used_ > 0 && afterWrite_)
        afterWrite_();
    used_ = 0;
    return !failed_;
}

ZefStream& ZefStream::bytes(const char* s, size_t n) {
    if (failed_) return *this;
    if (n > kLongestReserve) { // too long to buffer: write it straight through
        flush();
        if (!failed_ && (std::fwrite(s, 1, n, file_) != n || std::ferror(file_))) failed_ = true;
        return *this;
    }
    std::memcpy(reserve(n), s, n);
    used_ += n;
    return *this;
}
