// What the plug-in's two dialogs and its string table must hold, written out control
// by control: the export options dialog (102), the utility panel page (103) and every
// string. Checked against the headless layer's dialogs on Linux and against the live
// dialogs of the Windows build. Plain data, so both builds compile it.
#pragma once

#include "host/win32.h"

namespace expected {

struct Control {
    int id; // 0xFFFF for labels
    const char* className;
    unsigned long style; // WS_CHILD and WS_VISIBLE included
    short x, y, cx, cy;  // dialog units
    const char* text;
};

struct Dialog {
    int id;
    unsigned long style;
    short cx, cy;
    const char* caption; // "" without a caption
    int fontSize;
    const char* fontFace;
    const Control* controls;
    int controlCount;
};

struct String {
    unsigned id;
    const char* text; // null: any non-empty text
};

constexpr unsigned long kShown = WS_CHILD | WS_VISIBLE;
constexpr unsigned long kCheck = BS_AUTOCHECKBOX | WS_TABSTOP | kShown;
constexpr unsigned long kPlainCheck = BS_AUTOCHECKBOX | kShown;
constexpr unsigned long kRadio = BS_AUTORADIOBUTTON | kShown;
constexpr unsigned long kEdit = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | kShown;
constexpr unsigned long kLeftLabel = SS_LEFT | WS_GROUP | kShown;
constexpr unsigned long kRightLabel = SS_RIGHT | WS_GROUP | kShown;
constexpr unsigned long kDefault = BS_DEFPUSHBUTTON | WS_TABSTOP | kShown;
constexpr unsigned long kPush = BS_PUSHBUTTON | WS_TABSTOP | kShown;
constexpr unsigned long kCustom = WS_TABSTOP | kShown;
constexpr int kLabel = 0xFFFF;

inline constexpr Control kExportControls[] = {
    {1, "Button", kDefault, 130, 7, 50, 14, "OK"},
    {2, "Button", kPush, 130, 26, 50, 14, "Cancel"},
    {1019, "Button", kCheck, 10, 21, 74, 10, "Export Normals"},
    {1020, "Button", kCheck, 10, 7, 95, 10, "Export only selected Objects"},
    {1021, "Button", kCheck, 10, 63, 71, 10, "Export Materials"},
    {1022, "Button", kCheck, 10, 35, 97, 10, "Export Texture Vertices"},
    {1023, "Button", kCheck, 10, 48, 75, 10, "Export centered"},
    {1024, "Button", kCheck, 10, 121, 61, 10, "Unify Normals"},
    {1025, "Button", kCheck, 10, 133, 103, 10, "Remove degenerate faces"},
    {1026, "Button", kCheck, 10, 149, 56, 10, "Auto Smooth:"},
    {1027, "Button", kCheck, 10, 165, 38, 10, "Optimize:"},
    {1028, "Edit", kEdit, 127, 147, 53, 12, ""},
    {1029, "Edit", kEdit, 127, 165, 53, 12, ""},
    {kLabel, "Static", kLeftLabel, 91, 149, 22, 8, "Angle:"},
    {1031, "Edit", kEdit, 127, 178, 53, 12, ""},
    {1032, "Edit", kEdit, 127, 190, 53, 12, ""},
    {kLabel, "Static", kLeftLabel, 66, 165, 59, 10, "Normals Treshhold:"},
    {kLabel, "Static", kLeftLabel, 73, 178, 52, 10, "Edge Treshhold:"},
    {kLabel, "Static", kLeftLabel, 106, 191, 17, 10, "Bias:"},
    {1034, "Button", kCheck, 10, 85, 170, 12, "Apply the following options also to the scene:"},
    {1035, "Button", kCheck, 97, 63, 66, 10, "Export Highlights"},
    {1030, "Button", kCheck, 95, 122, 68, 10, "Flip Normals"},
    {1043, "Button", kRadio, 14, 207, 35, 10, "Planar"},
    {1044, "Button", kRadio, 14, 218, 48, 10, "Cylindrical"},
    {1220, "Button", kPlainCheck, 65, 217, 26, 10, "Cap"},
    {1045, "Button", kRadio, 14, 230, 44, 10, "Spherical"},
    {1046, "Button", kRadio, 14, 241, 55, 10, "Shrink Wrap"},
    {1047, "Button", kRadio, 14, 252, 35, 10, "Box"},
    {kLabel, "Static", kRightLabel, 80, 235, 25, 8, "U Tile:"},
    {kLabel, "Static", kRightLabel, 79, 247, 25, 8, "V Tile:"},
    {1190, "Button", kPlainCheck, 146, 234, 24, 10, "Flip"},
    {1191, "Button", kPlainCheck, 146, 247, 24, 10, "Flip"},
    {1040, "Button", kCheck, 10, 196, 68, 10, "Apply UV Mapping:"},
    {1195, "Edit", kEdit, 105, 232, 29, 12, ""},
    {1194, "Edit", kEdit, 105, 248, 29, 12, ""},
    {1037, "Button", kCheck, 10, 98, 85, 10, "Remove TwoSidedness"},
    {1038, "Button", kCheck, 10, 110, 87, 10, "ApplyTwoSidedness"},
};

inline constexpr Control kUtilityControls[] = {
    {1, "Button", kDefault, 32, 245, 50, 14, "Apply"},
    {2, "Button", kPush, 32, 227, 50, 14, "Close"},
    {1020, "Button", kCheck, 8, 4, 75, 10, "Apply to selected only"},
    {1024, "Button", kCheck, 8, 40, 61, 10, "Unify Normals"},
    {1025, "Button", kCheck, 8, 49, 90, 10, "Remove degenerate faces"},
    {1026, "Button", kCheck, 8, 64, 56, 10, "Auto Smooth:"},
    {1027, "Button", kCheck, 8, 87, 38, 10, "Optimize:"},
    {kLabel, "Static", kLeftLabel, 8, 74, 22, 8, "Angle:"},
    {kLabel, "Static", kLeftLabel, 8, 97, 59, 10, "Normals Treshhold:"},
    {kLabel, "Static", kLeftLabel, 17, 107, 52, 10, "Edge Treshhold:"},
    {kLabel, "Static", kLeftLabel, 50, 118, 17, 10, "Bias:"},
    {1030, "Button", kCheck, 8, 31, 68, 10, "Flip Normals"},
    {1028, "CustEdit", kCustom, 32, 73, 23, 11, "Custom1"},
    {1029, "CustEdit", kCustom, 72, 92, 20, 11, "Custom2"},
    {1031, "CustEdit", kCustom, 72, 105, 20, 11, "Custom3"},
    {1032, "CustEdit", kCustom, 72, 118, 20, 11, "Custom4"},
    {1033, "SpinnerControl", kCustom, 59, 74, 6, 11, "Custom1"},
    {1034, "SpinnerControl", kCustom, 95, 92, 6, 11, "Custom2"},
    {1035, "SpinnerControl", kCustom, 95, 105, 6, 11, "Custom3"},
    {1036, "SpinnerControl", kCustom, 95, 118, 6, 11, "Custom4"},
    {1043, "Button", kRadio, 12, 143, 35, 10, "Planar"},
    {1044, "Button", kRadio, 12, 154, 48, 10, "Cylindrical"},
    {1220, "Button", kPlainCheck, 63, 153, 26, 10, "Cap"},
    {1045, "Button", kRadio, 12, 166, 44, 10, "Spherical"},
    {1046, "Button", kRadio, 12, 177, 55, 10, "Shrink Wrap"},
    {1047, "Button", kRadio, 12, 188, 35, 10, "Box"},
    {1195, "CustEdit", kCustom, 36, 200, 31, 10, ""},
    {1194, "CustEdit", kCustom, 36, 213, 31, 10, ""},
    {1192, "SpinnerControl", kShown, 68, 200, 7, 10, ""},
    {kLabel, "Static", kRightLabel, 8, 200, 25, 8, "U Tile:"},
    {1193, "SpinnerControl", kShown, 68, 213, 7, 10, ""},
    {kLabel, "Static", kRightLabel, 8, 213, 25, 8, "V Tile:"},
    {1190, "Button", kPlainCheck, 77, 200, 24, 10, "Flip"},
    {1191, "Button", kPlainCheck, 77, 213, 24, 10, "Flip"},
    {1040, "Button", kCheck, 8, 133, 68, 10, "Apply UV Mapping"},
    {1037, "Button", kCheck, 8, 13, 87, 10, "Remove TwoSidedness"},
    {1038, "Button", kCheck, 8, 22, 87, 10, "ApplyTwoSidedness"},
};

inline constexpr Dialog kExportDialog = {102,
                                         WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                                             DS_SETFONT,
                                         187,
                                         271,
                                         "ZEF Export Options",
                                         8,
                                         "MS Sans Serif",
                                         kExportControls,
                                         int(sizeof(kExportControls) / sizeof(kExportControls[0]))};

inline constexpr Dialog kUtilityPanel = {
    103,
    WS_CHILD | DS_SETFONT,
    108,
    268,
    "",
    8,
    "MS Sans Serif",
    kUtilityControls,
    int(sizeof(kUtilityControls) / sizeof(kUtilityControls[0]))};

// The whole string table; the author's name and the copyright line are free texts.
inline constexpr String kStrings[] = {
    {1, "ZEFEXP"},
    {2, "No Material"},
    {40222, nullptr},
    {40223, nullptr},
    {40231, "Scene Export"},
    {40233, "No data to export"},
    {40234, "Can't create output file"},
    {40235, "Write error on file"},
    {40236, "ASCII-Export (ZEF)"},
    {40237, "ZEF File Export DLL "},
    {40238, "ZEF File (Scene-ASCII)"},
    {40239, "ZEFX Utility"},
    // Ours: the utility's message when an Apply stops early (out of memory).
    {40240, "The apply stopped early (out of memory). What it changed is kept as one "
            "undoable step."},
};
constexpr int kStringCount = int(sizeof(kStrings) / sizeof(kStrings[0]));

} // namespace expected
