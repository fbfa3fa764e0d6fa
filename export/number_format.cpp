// The digit tables and the rare cases of "%.6f": whole numbers too large for the
// inline path, infinities and NaNs.
#include "export/number_format.h"

namespace number_format_detail {
const char kDigitPairs[201] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

const uint32_t kPowersOfTen[10] = {1,      10,      100,      1000,      10000,
                                   100000, 1000000, 10000000, 100000000, 1000000000};

char* formatLargeOrSpecial(char* out, uint32_t bits) {
    const uint32_t exponentBits = (bits >> 23) & 0xFF;
    const uint32_t fraction = bits & 0x7FFFFF;
    if (exponentBits == 0xFF) {
        std::memcpy(out, fraction ? "nan" : "inf", 3);
        return out + 3;
    }
    // (fraction | 2^23) * 2^(exponentBits - 150), a whole number below 2^128.
    unsigned __int128 whole = (unsigned __int128)(fraction | 0x800000u) << (exponentBits - 150);
    char digits[40];
    char* p = digits + sizeof(digits);
    do {
        *--p = char('0' + unsigned(whole % 10));
        whole /= 10;
    } while (whole != 0);
    const size_t n = size_t(digits + sizeof(digits) - p);
    std::memcpy(out, p, n);
    std::memcpy(out + n, ",000000", 7);
    return out + n + 7;
}
} // namespace number_format_detail
