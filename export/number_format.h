// Number formatting for the ZEF file, byte-identical to the C runtime's "%d", "%u"
// and "%.6f" under a decimal-comma locale, without the runtime's cost. The common
// cases are inline: the writer formats millions of numbers per mesh.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace number_format_detail {
extern const char kDigitPairs[201];
extern const uint32_t kPowersOfTen[10];

// Decimal digits of value, 1 to 10 (0 has one).
inline int digitCount(uint32_t value) {
    const int bits = 32 - std::countl_zero(value | 1);
    const int guess = (bits * 1233) >> 12; // floor(bits * log10(2)), one too high at most
    return guess + 1 - ((value | 1) < kPowersOfTen[guess]);
}

// The digits of value, no sign; returns the end.
inline char* writeDigits(char* out, uint32_t value) {
    char* end = out + digitCount(value);
    char* p = end;
    while (value >= 100) {
        p -= 2;
        std::memcpy(p, kDigitPairs + 2 * (value % 100), 2);
        value /= 100;
    }
    if (value >= 10)
        std::memcpy(p - 2, kDigitPairs + 2 * value, 2);
    else
        p[-1] = char('0' + value);
    return end;
}

// Exactly six digits, zero-padded, for value below 10^6: three two-digit numbers in
// 16-bit lanes of one word, each split into tens and ones by multiplying (x * 103 >> 10
// is x / 10 for x below 100), then turned into characters together.
inline char* writeSixDigits(char* out, uint32_t value) {
    const uint32_t high = value / 10000, low = value % 10000;
    const uint32_t middle = low / 100, last = low % 100;
    const uint64_t pairs = high | uint64_t(middle) << 16 | uint64_t(last) << 32;
    const uint64_t tens = ((pairs * 103) >> 10) & 0x0000000F000F000Full;
    const uint64_t digits = (tens | (pairs - 10 * tens) << 8) | 0x0000303030303030ull;
    char bytes[8];
    std::memcpy(bytes, &digits, 8);
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(out, bytes, 6);
    } else {
        for (int i = 0; i < 6; ++i) out[i] = bytes[7 - i];
    }
    return out + 6;
}

// "%.6f" of the magnitude of a float that is infinite, NaN or a whole number of at
// least 2^24 (no fraction digits to round); the sign is already written.
char* formatLargeOrSpecial(char* out, uint32_t bits);
} // namespace number_format_detail

// Each writes at out and returns the end of what it wrote (no NUL).

// "%d": at most 11 characters.
inline char* formatInt(char* out, int32_t value) {
    uint32_t magnitude = uint32_t(value);
    if (value < 0) {
        *out++ = '-';
        magnitude = 0u - magnitude;
    }
    return number_format_detail::writeDigits(out, magnitude);
}

// "%u": at most 10 characters.
inline char* formatUInt(char* out, uint32_t value) {
    return number_format_detail::writeDigits(out, value);
}

// "%.6f" of the float widened to double, with ',' as the separator: exact decimal
// rounding, ties to even, "-0,000000" for negative values that round to zero,
// "inf"/"nan" with their sign. Writes at most 48 characters.
inline char* formatFixed6(char* out, float value) {
    using namespace number_format_detail;
    const uint32_t bits = std::bit_cast<uint32_t>(value);
    if (bits >> 31) *out++ = '-';
    const uint32_t exponentBits = (bits >> 23) & 0xFF;
    if (exponentBits >= 150) return formatLargeOrSpecial(out, bits); // whole, inf or NaN
    // |value| = mantissa * 2^-shift exactly, with shift >= 1.
    const uint64_t fraction = bits & 0x7FFFFF;
    const uint64_t mantissa = exponentBits ? (fraction | 0x800000u) : fraction;
    const int shift = exponentBits ? 150 - int(exponentBits) : 149;
    // scaled = |value| * 10^6 * 2^shift < 2^44; round it over 2^shift, ties to even.
    uint64_t rounded = 0; // a shift of 64 or more leaves far less than one half
    if (shift < 64) {
        const uint64_t scaled = mantissa * 1000000u;
        const uint64_t truncated = scaled >> shift;
        const uint64_t remainder = scaled & ((uint64_t(1) << shift) - 1);
        const uint64_t half = uint64_t(1) << (shift - 1);
        // up when above one half, or at one half from an odd digit: without a branch
        rounded = truncated + (remainder + (truncated & 1) > half);
    }
    const uint32_t whole = uint32_t(rounded / 1000000u); // below 2^24
    if (whole < 10)
        *out++ = char('0' + whole);
    else
        out = writeDigits(out, whole);
    *out++ = ',';
    return writeSixDigits(out, uint32_t(rounded - uint64_t(whole) * 1000000u));
}
