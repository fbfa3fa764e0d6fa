// dialog_probe.exe: loads zefexp.dle as the host does, creates its dialogs 102 and
// 103 from the module's own templates, and compares every live child window (id,
// class, style, text, order and rectangle converted back to dialog units) and the
// string table with the tables in support/dialog_tables.h. Prints each difference and
// exits with 1 if there was one. Run under Wine by the Windows tests.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "support/dialog_tables.h"

namespace {

int failures = 0;

void fail(const std::string& what) {
    std::printf("MISMATCH %s\n", what.c_str());
    ++failures;
}

INT_PTR CALLBACK quietProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// Pixels back to dialog units, rounding to the nearest unit.
int toUnits(int pixels, int unitsPerBase, int base) {
    return MulDiv(pixels, unitsPerBase, base);
}

// The style bits a control shows, with what the dialog manager is known to move:
// an edit's WS_BORDER becomes the client-edge extended style.
DWORD comparableStyle(HWND control, const expected::Control& want) {
    DWORD style = DWORD(GetWindowLongA(control, GWL_STYLE));
    DWORD exStyle = DWORD(GetWindowLongA(control, GWL_EXSTYLE));
    if (std::strcmp(want.className, "Edit") == 0 && (exStyle & WS_EX_CLIENTEDGE))
        style |= WS_BORDER;
    // Only the bits the template can set are compared; windows add state bits of their own.
    DWORD known =
        WS_POPUP | WS_CHILD | WS_VISIBLE | WS_DISABLED | WS_BORDER | WS_GROUP | WS_TABSTOP | 0xFFFF;
    return style & known;
}

void checkControl(HWND dialog, HWND control, const expected::Control& want, int index,
                  int dialogId) {
    std::string where = "dialog " + std::to_string(dialogId) + " control " +
                        std::to_string(index + 1) + " \"" + want.text + "\": ";
    int id = GetDlgCtrlID(control);
    if (id != want.id) fail(where + "id " + std::to_string(id));
    char className[64] = {};
    GetClassNameA(control, className, sizeof(className));
    if (_stricmp(className, want.className) != 0) fail(where + "class " + className);
    DWORD style = comparableStyle(control, want);
    if (style != DWORD(want.style)) {
        char text[64];
        std::snprintf(text, sizeof(text), "style %08lx, expected %08lx", (unsigned long)style,
                      (unsigned long)want.style);
        fail(where + text);
    }
    if (std::strcmp(want.className, "Button") == 0 || std::strcmp(want.className, "Static") == 0) {
        char text[128] = {};
        GetWindowTextA(control, text, sizeof(text));
        if (std::strcmp(text, want.text) != 0) fail(where + "text \"" + text + "\"");
    }
    RECT units = {0, 0, 4, 8};
    MapDialogRect(dialog, &units); // right: base units x, bottom: base units y
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    int x = toUnits(r.left, 4, units.right), y = toUnits(r.top, 8, units.bottom);
    int cx = toUnits(r.right - r.left, 4, units.right);
    int cy = toUnits(r.bottom - r.top, 8, units.bottom);
    if (x != want.x || y != want.y || cx != want.cx || cy != want.cy)
        fail(where + "rectangle " + std::to_string(x) + "," + std::to_string(y) + "," +
             std::to_string(cx) + "," + std::to_string(cy));
}

void checkDialog(HINSTANCE module, HWND parent, const expected::Dialog& want) {
    HWND dialog = CreateDialogParamA(module, MAKEINTRESOURCEA(want.id), parent, quietProc, 0);
    if (!dialog) {
        fail("dialog " + std::to_string(want.id) + " cannot be created");
        return;
    }
    DWORD style = DWORD(GetWindowLongA(dialog, GWL_STYLE));
    DWORD dialogBits = WS_POPUP | WS_CHILD | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    if ((style & dialogBits) != DWORD(want.style))
        fail("dialog " + std::to_string(want.id) + " style " + std::to_string(style));
    char caption[64] = {};
    GetWindowTextA(dialog, caption, sizeof(caption));
    if (std::strcmp(caption, want.caption) != 0)
        fail("dialog " + std::to_string(want.id) + " caption \"" + caption + "\"");
    RECT client;
    GetClientRect(dialog, &client);
    RECT size = {0, 0, want.cx, want.cy};
    MapDialogRect(dialog, &size);
    if (client.right != size.right || client.bottom != size.bottom)
        fail("dialog " + std::to_string(want.id) + " client size");

    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    if (int(children.size()) != want.controlCount)
        fail("dialog " + std::to_string(want.id) + " has " + std::to_string(children.size()) +
             " controls");
    for (int i = 0; i < want.controlCount && i < int(children.size()); ++i)
        checkControl(dialog, children[size_t(i)], want.controls[i], i, want.id);
    DestroyWindow(dialog);
}

void checkStrings(HINSTANCE module) {
    for (const expected::String& s : expected::kStrings) {
        char text[256] = {};
        int length = LoadStringA(module, s.id, text, sizeof(text));
        if (length == 0)
            fail("string " + std::to_string(s.id) + " missing");
        else if (s.text && std::strcmp(text, s.text) != 0)
            fail("string " + std::to_string(s.id) + " \"" + text + "\"");
    }
    char text[256];
    if (LoadStringA(module, 3, text, sizeof(text)) != 0) fail("string 3 exists");
}

} // namespace

int main(int argc, char** argv) {
    const char* path = argc > 1 ? argv[1] : "zefexp.dle";
    HINSTANCE module = LoadLibraryA(path);
    if (!module) {
        std::printf("cannot load %s\n", path);
        return 2;
    }
    // The panel page is a child dialog; it needs a parent, as the command panel is.
    HWND parent = CreateWindowExA(0, "Static", "panel", WS_POPUP, 0, 0, 400, 600, nullptr, nullptr,
                                  nullptr, nullptr);
    checkDialog(module, nullptr, expected::kExportDialog);
    checkDialog(module, parent, expected::kUtilityPanel);
    checkStrings(module);
    DestroyWindow(parent);
    std::printf("%d mismatches\n", failures);
    return failures ? 1 : 0;
}
