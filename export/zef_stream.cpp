// Buffered line output with sticky failure.
#include "export/number_format.h"
#include "export/zef_stream.h"

ZefStream::ZefStream(FILE* file) : file_(file), buffer_(new char[kCapacity]) {}

bool ZefStream::flush() {
    if (failed_) return false;
    if (used_ > 0 && std::fwrite(buffer_.get(), 1, used_, file_) != used_) failed_ = true;
    used_ = 0;
    return !failed_;
}

char* ZefStream::room(size_t n) {
    if (used_ + n > kCapacity) flush();
    return buffer_.get() + used_;
}

ZefStream& ZefStream::bytes(const char* s, size_t n) {
    if (failed_) return *this;
    if (n > kCapacity) { // too long to buffer: write it straight through
        flush();
        if (!failed_ && std::fwrite(s, 1, n, file_) != n) failed_ = true;
        return *this;
    }
    std::memcpy(room(n), s, n);
    used_ += n;
    return *this;
}

ZefStream& ZefStream::integer(int32_t value) {
    char* start = room(kLongestNumber);
    used_ += size_t(formatInt(start, value) - start);
    return *this;
}

ZefStream& ZefStream::unsignedInt(uint32_t value) {
    char* start = room(kLongestNumber);
    used_ += size_t(formatUInt(start, value) - start);
    return *this;
}

ZefStream& ZefStream::fixed(float value) {
    char* start = room(kLongestNumber);
    used_ += size_t(formatFixed6(start, value) - start);
    return *this;
}
