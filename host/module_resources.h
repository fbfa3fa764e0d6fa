// Compiled dialog templates and string tables of a module, as the resource compiler
// zefrc writes them, and the registry through which a module makes them known to
// the headless Win32 layer.
#pragma once

#include "host/win32.h"

struct ControlTemplate {
    int id;                // labels: 0xFFFF (-1 in DIALOG), or -1 from -1 in DIALOGEX
    const char* className; // "Button", "Edit", "Static", or a registered class
    const char* text;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy; // dialog units
};

struct DialogTemplate {
    int id;           // numeric resource id, or -1 when the dialog is named
    const char* name; // resource name for named dialogs, else null
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy; // dialog units
    const char* caption;
    int fontSize; // points; 0 without a FONT statement
    const char* fontFace;
    const ControlTemplate* controls; // in template order
    int controlCount;
};

struct StringResource {
    UINT id;
    const char* text;
};

struct ResourceTable {
    const DialogTemplate* dialogs;
    int dialogCount;
    const StringResource* strings;
    int stringCount;
};

// Makes a module's resources known and returns its instance handle, which the
// module passes to DialogBoxParamA and LoadStringA. addressInModule is any address
// inside the module (it names the module, as its load address does on Windows).
// Registering the same table again returns the same handle.
HOSTKIT_API HINSTANCE hkRegisterModule(const ResourceTable* table, const void* addressInModule);
// Forgets a module's resources; unknown or null handles are ignored.
HOSTKIT_API void hkUnregisterModule(HINSTANCE instance);
// The resources of a registered module, or null.
HOSTKIT_API const ResourceTable* hkModuleResources(HINSTANCE instance);
// A module's dialog template by MAKEINTRESOURCE id, "#102" or name; null when missing.
HOSTKIT_API const DialogTemplate* hkFindDialog(HINSTANCE instance, LPCSTR templateName);
