// The two option records and their one-time default texts.
#include <cstring>

#include "prep/option_set.h"

OptionSet exportOptions;
OptionSet utilityOptions;
int32_t exportTextsInitialised = 0;
int32_t utilityTextsInitialised = 0;

const float textFallbackValues[kTextCount] = {30.0f, 4.0f, 4.0f, 0.1f, 1.0f, 1.0f};

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
