// Class identifiers: two 32-bit words compared word by word.
#pragma once

#include <cstdint>

struct Class_ID {
    uint32_t a = 0, b = 0;

    constexpr Class_ID() = default;
    constexpr Class_ID(uint32_t partA, uint32_t partB) : a(partA), b(partB) {}
    constexpr uint32_t PartA() const { return a; }
    constexpr uint32_t PartB() const { return b; }
    constexpr bool operator==(const Class_ID& o) const { return a == o.a && b == o.b; }
    constexpr bool operator!=(const Class_ID& o) const { return !(*this == o); }
};

constexpr Class_ID triObjectClassID(0x0009, 0);
constexpr Class_ID standardMaterialClassID(2, 0);
constexpr Class_ID multiMaterialClassID(0x200, 0);
constexpr Class_ID bitmapTexClassID(0x240, 0);
