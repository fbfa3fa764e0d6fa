// Values of the <windows.h> constants that resource scripts use.
#include "hostkit/rc/rc_constants.h"

#include <map>

namespace zefrc {
namespace {

const std::map<std::string, int64_t>& constants() {
    static const std::map<std::string, int64_t> table = {
        // window styles
        {"WS_OVERLAPPED", 0x00000000},
        {"WS_POPUP", 0x80000000},
        {"WS_CHILD", 0x40000000},
        {"WS_MINIMIZE", 0x20000000},
        {"WS_VISIBLE", 0x10000000},
        {"WS_DISABLED", 0x08000000},
        {"WS_CLIPSIBLINGS", 0x04000000},
        {"WS_CLIPCHILDREN", 0x02000000},
        {"WS_MAXIMIZE", 0x01000000},
        {"WS_CAPTION", 0x00C00000},
        {"WS_BORDER", 0x00800000},
        {"WS_DLGFRAME", 0x00400000},
        {"WS_VSCROLL", 0x00200000},
        {"WS_HSCROLL", 0x00100000},
        {"WS_SYSMENU", 0x00080000},
        {"WS_THICKFRAME", 0x00040000},
        {"WS_GROUP", 0x00020000},
        {"WS_TABSTOP", 0x00010000},
        {"WS_MINIMIZEBOX", 0x00020000},
        {"WS_MAXIMIZEBOX", 0x00010000},
        // extended window styles
        {"WS_EX_DLGMODALFRAME", 0x1},
        {"WS_EX_NOPARENTNOTIFY", 0x4},
        {"WS_EX_TOPMOST", 0x8},
        {"WS_EX_TRANSPARENT", 0x20},
        {"WS_EX_TOOLWINDOW", 0x80},
        {"WS_EX_WINDOWEDGE", 0x100},
        {"WS_EX_CLIENTEDGE", 0x200},
        {"WS_EX_CONTEXTHELP", 0x400},
        {"WS_EX_STATICEDGE", 0x20000},
        {"WS_EX_CONTROLPARENT", 0x10000},
        // dialog styles
        {"DS_ABSALIGN", 0x01},
        {"DS_SYSMODAL", 0x02},
        {"DS_LOCALEDIT", 0x20},
        {"DS_SETFONT", 0x40},
        {"DS_MODALFRAME", 0x80},
        {"DS_NOIDLEMSG", 0x100},
        {"DS_SETFOREGROUND", 0x200},
        {"DS_3DLOOK", 0x4},
        {"DS_FIXEDSYS", 0x8},
        {"DS_NOFAILCREATE", 0x10},
        {"DS_CONTROL", 0x400},
        {"DS_CENTER", 0x800},
        {"DS_CENTERMOUSE", 0x1000},
        {"DS_CONTEXTHELP", 0x2000},
        {"DS_SHELLFONT", 0x48},
        // button styles
        {"BS_PUSHBUTTON", 0x0},
        {"BS_DEFPUSHBUTTON", 0x1},
        {"BS_CHECKBOX", 0x2},
        {"BS_AUTOCHECKBOX", 0x3},
        {"BS_RADIOBUTTON", 0x4},
        {"BS_3STATE", 0x5},
        {"BS_AUTO3STATE", 0x6},
        {"BS_GROUPBOX", 0x7},
        {"BS_USERBUTTON", 0x8},
        {"BS_AUTORADIOBUTTON", 0x9},
        {"BS_OWNERDRAW", 0xB},
        {"BS_LEFTTEXT", 0x20},
        {"BS_TEXT", 0x0},
        {"BS_LEFT", 0x100},
        {"BS_RIGHT", 0x200},
        {"BS_CENTER", 0x300},
        {"BS_TOP", 0x400},
        {"BS_BOTTOM", 0x800},
        {"BS_VCENTER", 0xC00},
        {"BS_PUSHLIKE", 0x1000},
        {"BS_MULTILINE", 0x2000},
        {"BS_NOTIFY", 0x4000},
        {"BS_FLAT", 0x8000},
        // static styles
        {"SS_LEFT", 0x0},
        {"SS_CENTER", 0x1},
        {"SS_RIGHT", 0x2},
        {"SS_ICON", 0x3},
        {"SS_BLACKRECT", 0x4},
        {"SS_GRAYRECT", 0x5},
        {"SS_WHITERECT", 0x6},
        {"SS_BLACKFRAME", 0x7},
        {"SS_GRAYFRAME", 0x8},
        {"SS_WHITEFRAME", 0x9},
        {"SS_SIMPLE", 0xB},
        {"SS_LEFTNOWORDWRAP", 0xC},
        {"SS_ETCHEDHORZ", 0x10},
        {"SS_ETCHEDVERT", 0x11},
        {"SS_ETCHEDFRAME", 0x12},
        {"SS_NOPREFIX", 0x80},
        {"SS_NOTIFY", 0x100},
        {"SS_CENTERIMAGE", 0x200},
        {"SS_SUNKEN", 0x1000},
        // edit styles
        {"ES_LEFT", 0x0},
        {"ES_CENTER", 0x1},
        {"ES_RIGHT", 0x2},
        {"ES_MULTILINE", 0x4},
        {"ES_UPPERCASE", 0x8},
        {"ES_LOWERCASE", 0x10},
        {"ES_PASSWORD", 0x20},
        {"ES_AUTOVSCROLL", 0x40},
        {"ES_AUTOHSCROLL", 0x80},
        {"ES_NOHIDESEL", 0x100},
        {"ES_READONLY", 0x800},
        {"ES_WANTRETURN", 0x1000},
        {"ES_NUMBER", 0x2000},
        // command ids
        {"IDOK", 1},
        {"IDCANCEL", 2},
        {"IDABORT", 3},
        {"IDRETRY", 4},
        {"IDIGNORE", 5},
        {"IDYES", 6},
        {"IDNO", 7},
        {"IDCLOSE", 8},
        {"IDHELP", 9},
        {"IDC_STATIC", -1},
    };
    return table;
}

} // namespace

std::optional<int64_t> knownConstant(const std::string& name) {
    auto it = constants().find(name);
    if (it == constants().end()) return std::nullopt;
    return it->second;
}

} // namespace zefrc
