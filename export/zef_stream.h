// The export file's output: lines are assembled in a large buffer and written in
// chunks. The first failed write makes the stream fail for good; nothing is
// written after it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

class ZefStream {
  public:
    explicit ZefStream(FILE* file);
    ZefStream(const ZefStream&) = delete;
    ZefStream& operator=(const ZefStream&) = delete;

    ZefStream& text(const char* s) { return bytes(s, std::strlen(s)); }
    ZefStream& bytes(const char* s, size_t n);
    ZefStream& integer(int32_t value);      // "%d"
    ZefStream& unsignedInt(uint32_t value); // "%u"
    ZefStream& fixed(float value);          // "%.6f" with a decimal comma
    ZefStream& endLine() { return bytes("\n", 1); }

    // Writes what is buffered. Returns false once any write has failed.
    bool flush();
    bool failed() const { return failed_; }

  private:
    static constexpr size_t kCapacity = size_t(1) << 20;
    static constexpr size_t kLongestNumber = 64;

    char* room(size_t n); // space for n more bytes, flushing first when needed

    FILE* file_;
    std::unique_ptr<char[]> buffer_;
    size_t used_ = 0;
    bool failed_ = false;
};
