// String lookup through the library's string table.
#include "resources/resource_strings.h"

HINSTANCE libraryInstance = nullptr;

static char stringBuffer[256];

const char* loadResourceString(int id) {
    if (!libraryInstance) return nullptr;
    if (LoadStringA(libraryInstance, UINT(id), stringBuffer, sizeof(stringBuffer)) <= 0)
        return nullptr;
    return stringBuffer;
}
