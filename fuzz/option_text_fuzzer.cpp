// Fuzz target: option texts through readOptionNumber, with and without the
// decimal-comma locale. Whatever the text, the value is a finite float, and a text
// that holds no number gives the fallback.
#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "prep/prepare_mesh.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool commaLocale = data[0] & 1;
    char text[kTextSize] = {};
    std::memcpy(text, data + 1, std::min(size - 1, size_t(kTextSize - 1)));
    if (commaLocale)
        switchToDecimalCommaLocale();
    else
        std::setlocale(LC_NUMERIC, "C");
    const float fallback = 30.0f;
    float value = readOptionNumber(text, fallback);
    if (!std::isfinite(value)) std::abort();
    if (std::strpbrk(text, "0123456789") == nullptr && value != fallback) {
        // without a digit only "nan"/"inf" spellings could read, and those fall back
        std::abort();
    }
    for (const char* p = text; *p; ++p)
        if (*p == '.') std::abort(); // points were rewritten to commas in place
    return 0;
}
