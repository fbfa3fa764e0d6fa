// The two option records, their one-time default texts and the dialog bindings.
#include <cstring>

#include "prep/option_set.h"
#include "resources/resource.h"

OptionSet exportOptions;
OptionSet utilityOptions;
int32_t exportTextsInitialised = 0;
int32_t utilityTextsInitialised = 0;

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

const float textFallbackValues[kTextCount] = {30.0f, 4.0f, 4.0f, 0.1f, 1.0f, 1.0f};

#define ALL_BOUND                                                                                  \
    true, true, true, true, true, true, true, true, true, true, true, true, true, true, true,      \
        true, true, true, true, true, true, true, true, true, true, true, true, true, true
const bool exportDialogHasControl[kFlagCount + kTextCount] = {ALL_BOUND};
const bool utilityPanelHasControl[kFlagCount + kTextCount] = {ALL_BOUND};
#undef ALL_BOUND

static int32_t OptionSet::*const kFlagFields[kFlagCount] = {&OptionSet::exportNormals,
                                                            &OptionSet::selectedOnly,
                                                            &OptionSet::exportMaterials,
                                                            &OptionSet::exportTexVerts,
                                                            &OptionSet::exportCentered,
                                                            &OptionSet::unifyNormals,
                                                            &OptionSet::removeDegenerate,
                                                            &OptionSet::autoSmooth,
                                                            &OptionSet::optimize,
                                                            &OptionSet::applyToScene,
                                                            &OptionSet::exportHighlights,
                                                            &OptionSet::flipNormals,
                                                            &OptionSet::applyUVMap,
                                                            &OptionSet::flipU,
                                                            &OptionSet::flipV,
                                                            &OptionSet::cap,
                                                            &OptionSet::mapPlanar,
                                                            &OptionSet::mapCylindrical,
                                                            &OptionSet::mapSpherical,
                                                            &OptionSet::mapShrinkWrap,
                                                            &OptionSet::mapBox,
                                                            &OptionSet::removeTwoSided,
                                                            &OptionSet::applyTwoSided};

static char (OptionSet::*const kTextFields[kTextCount])[kTextSize] = {
    &OptionSet::angleText, &OptionSet::normalThresholdText, &OptionSet::edgeThresholdText,
    &OptionSet::biasText,  &OptionSet::uTileText,           &OptionSet::vTileText};

int32_t& OptionSet::flag(int index) {
    return this->*kFlagFields[index];
}
int32_t OptionSet::flag(int index) const {
    return this->*kFlagFields[index];
}
char* OptionSet::text(int index) {
    return this->*kTextFields[index];
}
const char* OptionSet::text(int index) const {
    return this->*kTextFields[index];
}

static void copyTexts(OptionSet& options, const char* const* texts, int count) {
    for (int i = 0; i < count; ++i) {
        std::strncpy(options.text(i), texts[i], kTextSize - 1);
        options.text(i)[kTextSize - 1] = 0;
    }
}

void initialiseExportTexts() {
    static const char* const defaults[kTextCount] = {"30,0", "4,0", "4,0", "0,1", "1", "1"};
    if (exportTextsInitialised) return;
    exportTextsInitialised = 1;
    copyTexts(exportOptions, defaults, kTextCount);
}

void initialiseUtilityTexts() {
    // The tile texts stay empty until the panel first reads its edits back.
    static const char* const defaults[4] = {"30,0", "4,0", "4,0", "0,1"};
    if (utilityTextsInitialised) return;
    utilityTextsInitialised = 1;
    copyTexts(utilityOptions, defaults, 4);
}

void fillFlagControls(HWND dialog, const OptionSet& options, const bool* hasControl) {
    for (int i = 0; i < kFlagCount; ++i)
        if (hasControl[i]) CheckDlgButton(dialog, flagControlIds[i], UINT(options.flag(i)));
}

void readFlagControls(HWND dialog, OptionSet& options, const bool* hasControl) {
    for (int i = 0; i < kFlagCount; ++i)
        if (hasControl[i])
            options.flag(i) = IsDlgButtonChecked(dialog, flagControlIds[i]) == BST_CHECKED ? 1 : 0;
}
