// Registered modules and their resources; LoadStringA reads their string tables.
#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

#include "host/module_resources.h"

namespace {

// Handles for modules whose load address is already taken by another table (a test
// executable holding two tables); they lie below any real address.
constexpr uintptr_t kFirstSyntheticHandle = 0x1000;

struct Modules {
    std::map<HINSTANCE, const ResourceTable*> tables;
    uintptr_t nextSynthetic = kFirstSyntheticHandle;
};

Modules& modules() {
    static Modules m;
    return m;
}

HINSTANCE loadAddressOf(const void* address) {
    Dl_info info{};
    if (address && dladdr(address, &info) && info.dli_fbase)
        return static_cast<HINSTANCE>(info.dli_fbase);
    return nullptr;
}

} // namespace

HINSTANCE hkRegisterModule(const ResourceTable* table, const void* addressInModule) {
    if (!table) return nullptr;
    Modules& m = modules();
    for (auto& [instance, known] : m.tables)
        if (known == table) return instance;
    HINSTANCE instance = loadAddressOf(addressInModule);
    if (!instance || m.tables.count(instance)) {
        instance = reinterpret_cast<HINSTANCE>(m.nextSynthetic);
        m.nextSynthetic += 0x10;
    }
    m.tables[instance] = table;
    return instance;
}

void hkUnregisterModule(HINSTANCE instance) {
    modules().tables.erase(instance);
}

const ResourceTable* hkModuleResources(HINSTANCE instance) {
    auto& tables = modules().tables;
    auto it = tables.find(instance);
    return it == tables.end() ? nullptr : it->second;
}

const DialogTemplate* hkFindDialog(HINSTANCE instance, LPCSTR templateName) {
    const ResourceTable* table = hkModuleResources(instance);
    if (!table || !templateName) return nullptr;
    int id = -1;
    const char* name = nullptr;
    if (IS_INTRESOURCE(templateName))
        id = (int)LOWORD(templateName);
    else if (templateName[0] == '#')
        id = std::atoi(templateName + 1);
    else
        name = templateName;
    for (int i = 0; i < table->dialogCount; ++i) {
        const DialogTemplate& d = table->dialogs[i];
        if (name ? (d.name && std::strcmp(d.name, name) == 0) : (d.name == nullptr && d.id == id))
            return &d;
    }
    return nullptr;
}

int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size) {
    if (!buffer || size <= 0) return 0;
    buffer[0] = '\0';
    const ResourceTable* table = hkModuleResources(instance);
    if (!table) return 0;
    for (int i = 0; i < table->stringCount; ++i) {
        if (table->strings[i].id != id) continue;
        const char* text = table->strings[i].text;
        int count = (int)std::min<size_t>(std::strlen(text), (size_t)size - 1);
        std::memcpy(buffer, text, (size_t)count);
        buffer[count] = '\0';
        return count;
    }
    return 0;
}
