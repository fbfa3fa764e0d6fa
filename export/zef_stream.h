// The export file's output: lines are assembled in a large buffer and written in
// chunks. The first failed write (or a value refused as not finite) makes the
// stream fail for good; nothing is written after it.
#pragma once

#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

#include "export/number_format.h"

class ZefStream {
  public:
    // The most a caller may reserve at once.
    static constexpr size_t kLongestReserve = size_t(1) << 12;

    explicit ZefStream(FILE* file);
    ZefStream(const ZefStream&) = delete;
    ZefStream& operator=(const ZefStream&) = delete;

    ZefStream& text(const char* s) { return bytes(s, std::strlen(s)); }
    ZefStream& bytes(const char* s, size_t n);
    ZefStream& integer(int32_t value) { return commit(formatInt(reserve(kLongestNumber), value)); }
    ZefStream& unsignedInt(uint32_t value) {
        return commit(formatUInt(reserve(kLongestNumber), value));
    }
    // "%.6f" with a decimal comma. A value that is not finite is never written: it
    // fails the stream instead.
    ZefStream& fixed(float value) {
        if (!std::isfinite(value)) return refuse();
        return commit(formatFixed6(reserve(kLongestNumber), value));
    }
    // Fails the stream for good (a value the file must not hold); nothing more is
    // written, and what is buffered is dropped.
    ZefStream& refuse() {
        failed_ = true;
        return *this;
    }
    ZefStream& endLine() { return bytes("\n", 1); }

    // Room for n more bytes (n at most kLongestReserve) at the end of the buffer, to
    // be filled directly; commit then takes everything up to end. Lines written this
    // way are held back like any others, and dropped once the stream has failed.
    char* reserve(size_t n) {
        assert(n <= kLongestReserve);
        if (used_ + n > kCapacity) flush();
#ifndef NDEBUG
        reservedEnd_ = used_ + n;
#endif
        return buffer_.get() + used_;
    }
    ZefStream& commit(char* end) {
        // A write must stay inside the room its reserve asked for.
        assert(end >= buffer_.get() + used_ && size_t(end - buffer_.get()) <= reservedEnd_);
        used_ = size_t(end - buffer_.get());
        return *this;
    }

    // Calls hook after each buffer's worth has reached the file (not after a failed
    // write); for asking the disk to follow along (SafeSave::startWriteback).
    void afterEachWrite(std::function<void()> hook) {
        afterWrite_ = std::move(hook);
    }

    // Writes what is buffered. Returns false once any write has failed.
    bool flush();
    bool failed() const {
        return failed_;
    }

  private:
    static constexpr size_t kCapacity = size_t(1) << 20;
    static constexpr size_t kLongestNumber = 64;

    FILE* file_;
    std::unique_ptr<char[]> buffer_;
    size_t used_ = 0;
    bool failed_ = false;
    std::function<void()> afterWrite_;
#ifndef NDEBUG
    size_t reservedEnd_ = 0; // where the room of the latest reserve ends
#endif
};
