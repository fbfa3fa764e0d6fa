// The record of user choices shared by the exporter and the utility, its two
// process-wide instances and the defaults of its texts.
#pragma once

#include <cstdint>

constexpr int kFlagCount = 23;
constexpr int kTextCount = 6;
constexpr int kTextSize = 80; // bytes per text, NUL included

struct OptionSet {
    // Flags, 0 or 1, in the order of flagControlIds (option_bindings.h).
    int32_t exportNormals = 0;
    int32_t selectedOnly = 0;
    int32_t exportMaterials = 1;
    int32_t exportTexVerts = 1;
    int32_t exportCentered = 1;
    int32_t unifyNormals = 1;
    int32_t removeDegenerate = 1;
    int32_t autoSmooth = 0;
    int32_t optimize = 0;
    int32_t applyToScene = 0;
    int32_t exportHighlights = 1;
    int32_t flipNormals = 0;
    int32_t applyUVMap = 0;
    int32_t flipU = 0;
    int32_t flipV = 0;
    int32_t cap = 0;
    int32_t mapPlanar = 1;
    int32_t mapCylindrical = 0;
    int32_t mapSpherical = 0;
    int32_t mapShrinkWrap = 0;
    int32_t mapBox = 0;
    int32_t removeTwoSided = 0;
    int32_t applyTwoSided = 0;
    // Numeric texts, in the order of textEditIds (option_bindings.h); empty until the defaults are
    // copied.
    char angleText[kTextSize] = {};
    char normalThresholdText[kTextSize] = {};
    char edgeThresholdText[kTextSize] = {};
    char biasText[kTextSize] = {};
    char uTileText[kTextSize] = {};
    char vTileText[kTextSize] = {};

    int32_t& flag(int index);
    int32_t flag(int index) const;
    char* text(int index);
    const char* text(int index) const;
};

extern OptionSet exportOptions;
extern OptionSet utilityOptions;
extern int32_t exportTextsInitialised;
extern int32_t utilityTextsInitialised;

// The value a numeric text stands for when it holds no number.
extern const float textFallbackValues[kTextCount];

// One-time copies of the default texts, each behind its own guard.
void initialiseExportTexts();
void initialiseUtilityTexts();
