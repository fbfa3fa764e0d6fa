// Which dialog control shows each option: the control tables, and filling and
// reading the check boxes of the flags.
#include "prep/option_bindings.h"

#include "resources/resource.h"

const int flagControlIds[kFlagCount] = {IDC_EXPORT_NORMALS,
                                        IDC_SELECTED_ONLY,
                                        IDC_EXPORT_MATERIALS,
                                        IDC_EXPORT_TEXVERTS,
                                        IDC_EXPORT_CENTERED,
                                        IDC_UNIFY_NORMALS,
                                        IDC_REMOVE_DEGENERATE,
                                        IDC_AUTO_SMOOTH,
                                        IDC_OPTIMIZE,
                                        IDC_APPLY_TO_SCENE,
                                        IDC_EXPORT_HIGHLIGHTS,
                                        IDC_FLIP_NORMALS,
                                        IDC_APPLY_UVMAP,
                                        IDC_FLIP_U,
                                        IDC_FLIP_V,
                                        IDC_CAP,
                                        IDC_MAP_PLANAR,
                                        IDC_MAP_CYLINDRICAL,
                                        IDC_MAP_SPHERICAL,
                                        IDC_MAP_SHRINKWRAP,
                                        IDC_MAP_BOX,
                                        IDC_REMOVE_TWOSIDED,
                                        IDC_APPLY_TWOSIDED};

const int textEditIds[kTextCount] = {IDC_ANGLE_EDIT,          IDC_NORMAL_THRESHOLD_EDIT,
                                     IDC_EDGE_THRESHOLD_EDIT, IDC_BIAS_EDIT,
                                     IDC_UTILE_EDIT,          IDC_VTILE_EDIT};

const int textSpinnerIds[kTextCount] = {IDC_ANGLE_SPIN,          IDC_NORMAL_THRESHOLD_SPIN,
                                        IDC_EDGE_THRESHOLD_SPIN, IDC_BIAS_SPIN,
                                        IDC_UTILE_SPIN,          IDC_VTILE_SPIN};

const float textSpinnerLimits[kTextCount][3] = {{0.0f, 90.0f, 30.0f},  {0.0f, 90.0f, 4.0f},
                                                {0.0f, 90.0f, 4.0f},   {0.0f, 1.0f, 0.1f},
                                                {0.0f, 1000.0f, 1.0f}, {0.0f, 1000.0f, 1.0f}};

#define ALL_BOUND                                                                                  \
    true, true, true, true, true, true, true, true, true, true, true, true, true, true, true,      \
        true, true, true, true, true, true, true, true, true, true, true, true, true, true
const bool exportDialogHasControl[kFlagCount + kTextCount] = {ALL_BOUND};
const bool utilityPanelHasControl[kFlagCount + kTextCount] = {ALL_BOUND};
#undef ALL_BOUND

void fillFlagControls(HWND dialog, const OptionSet& options, const bool* hasControl) {
    for (int i = 0; i < kFlagCount; ++i)
        if (hasControl[i]) CheckDlgButton(dialog, flagControlIds[i], UINT(options.flag(i)));
}

void readFlagControls(HWND dialog, OptionSet& options, const bool* hasControl) {
    for (int i = 0; i < kFlagCount; ++i)
        if (hasControl[i])
            options.flag(i) = IsDlgButtonChecked(dialog, flagControlIds[i]) == BST_CHECKED ? 1 : 0;
}
