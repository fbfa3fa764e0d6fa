// Number formatting for the ZEF file, byte-identical to the C runtime's "%d", "%u"
// and "%.6f" under a decimal-comma locale, without the runtime's cost.
#pragma once

#include <cstdint>

// Each writes at out and returns the end of what it wrote (no NUL).
char* formatInt(char* out, int32_t value);   // "%d"
char* formatUInt(char* out, uint32_t value); // "%u"
// "%.6f" of the float widened to double, with ',' as the separator: exact decimal
// rounding, ties to even, "-0,000000" for negative values that round to zero,
// "inf"/"nan" with their sign. Writes at most 48 characters.
char* formatFixed6(char* out, float value);
