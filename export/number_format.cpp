// Exact fixed-point formatting of floats: the value m * 2^e times 10^6 is rounded
// to an integer with integer arithmetic, so the digits match the C runtime's.
#include <cstring>

#include "export/number_format.h"

namespace {
const char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes the decimal digits of value (no sign) and returns the end.
template <typename Unsigned> char* formatUnsigned(char* out, Unsigned value) {
    char digits[40];
    char* p = digits + sizeof(digits);
    while (value >= 100) {
        unsigned pair = unsigned(value % 100);
        value /= 100;
        p -= 2;
        std::memcpy(p, kDigitPairs + 2 * pair, 2);
    }
    if (value >= 10) {
        p -= 2;
        std::memcpy(p, kDigitPairs + 2 * unsigned(value), 2);
    } else {
        *--p = char('0' + unsigned(value));
    }
    size_t n = size_t(digits + sizeof(digits) - p);
    std::memcpy(out, p, n);
    return out + n;
}

// Six fraction digits, zero-padded.
char* formatSixDigits(char* out, uint32_t value) {
    std::memcpy(out + 4, kDigitPairs + 2 * (value % 100), 2);
    value /= 100;
    std::memcpy(out + 2, kDigitPairs + 2 * (value % 100), 2);
    value /= 100;
    std::memcpy(out, kDigitPairs + 2 * value, 2);
    return out + 6;
}
} // namespace

char* formatInt(char* out, int32_t value) {
    uint32_t magnitude = uint32_t(value);
    if (value < 0) {
        *out++ = '-';
        magnitude = 0u - magnitude;
    }
    return formatUnsigned<uint64_t>(out, magnitude);
}

char* formatUInt(char* out, uint32_t value) {
    return formatUnsigned(out, value);
}

char* formatFixed6(char* out, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    if (bits >> 31) *out++ = '-';
    uint32_t exponentBits = (bits >> 23) & 0xFF;
    uint32_t fraction = bits & 0x7FFFFF;
    if (exponentBits == 0xFF) {
        std::memcpy(out, fraction ? "nan" : "inf", 3);
        return out + 3;
    }
    // |value| = mantissa * 2^exponent exactly.
    uint64_t mantissa = exponentBits ? (fraction | 0x800000u) : fraction;
    int exponent = exponentBits ? int(exponentBits) - 150 : -149;
    constexpr uint64_t kScale = 1000000;

    if (exponent >= 0) { // an integer, up to 2^128: no fraction digits to round
        unsigned __int128 whole = (unsigned __int128)mantissa << exponent;
        out = formatUnsigned(out, whole);
        std::memcpy(out, ",000000", 7);
        return out + 7;
    }
    // scaled = mantissa * 10^6 < 2^44; round scaled / 2^-exponent to an integer.
    uint64_t scaled = mantissa * kScale;
    int shift = -exponent;
    uint64_t rounded;
    if (shift >= 64) {
        rounded = 0; // below 2^44 / 2^64: far less than one half
    } else {
        rounded = scaled >> shift;
        uint64_t remainder = scaled & ((uint64_t(1) << shift) - 1);
        uint64_t half = uint64_t(1) << (shift - 1);
        if (remainder > half || (remainder == half && (rounded & 1))) ++rounded;
    }
    out = formatUnsigned(out, rounded / kScale);
    *out++ = ',';
    return formatSixDigits(out, uint32_t(rounded % kScale));
}
