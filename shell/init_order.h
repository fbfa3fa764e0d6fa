// Explicit construction order of the library's static objects: the utility object,
// the exporter's descriptor, the utility's descriptor, then (on Linux) the library
// entry, which must see them all constructed.
#pragma once

#define ZEF_INIT_ORDER(n) __attribute__((init_priority(1000 + (n))))

enum ZefInitOrder {
    kInitUtilityObject = 1,
    kInitExportDescriptor = 2,
    kInitUtilityDescriptor = 3,
    kInitLibraryEntry = 4,
};
