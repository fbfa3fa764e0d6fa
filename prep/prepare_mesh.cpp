// The nine preparation steps, and reading the numeric option texts.
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "prep/prepare_mesh.h"

// Replaces every '.' of text by ',' in place and returns text.
static char* toDecimalComma(char* text) {
    for (char* p = text; *p; ++p)
        if (*p == '.') *p = ',';
    return text;
}

bool switchToDecimalCommaLocale() {
    std::setlocale(LC_NUMERIC, "German");
    const lconv* conventions = std::localeconv();
    return conventions && conventions->decimal_point &&
           std::strcmp(conventions->decimal_point, ",") == 0;
}

// Scans like "%f" under a decimal-comma locale when the runtime could not switch to
// one: the first ',' is the separator and a second one ends the number.
static bool scanWithoutCommaLocale(const char* text, float* value) {
    char copy[kTextSize];
    std::strncpy(copy, text, kTextSize - 1);
    copy[kTextSize - 1] = 0;
    const char point = *std::localeconv()->decimal_point;
    char* comma = std::strchr(copy, ',');
    if (comma) {
        *comma = point;
        if (char* second = std::strchr(comma + 1, ',')) *second = 0;
    }
    return std::sscanf(copy, "%f", value) == 1;
}

float readOptionNumber(char* text, float fallback) {
    toDecimalComma(text);
    float value = 0;
    bool commaLocale = std::strcmp(std::localeconv()->decimal_point, ",") == 0;
    bool read =
        commaLocale ? std::sscanf(text, "%f", &value) == 1 : scanWithoutCommaLocale(text, &value);
    // "nan", "inf" and numbers beyond the float range are no usable value either.
    return read && std::isfinite(value) ? value : fallback;
}

int chooseMapType(const OptionSet& options) {
    if (options.mapPlanar) return MAP_PLANAR;
    if (options.mapCylindrical) return MAP_CYLINDRICAL;
    if (options.mapSpherical) return MAP_SPHERICAL;
    if (options.mapShrinkWrap) return MAP_BALL;
    if (options.mapBox) return MAP_BOX;
    return MAP_PLANAR;
}

static float readText(OptionSet& options, int index) {
    return readOptionNumber(options.text(index), textFallbackValues[index]);
}

void prepareMesh(Mesh& mesh, OptionSet& options) {
    enum { kAngle, kNormalThreshold, kEdgeThreshold, kBias, kUTile, kVTile };

    if (options.flipNormals)
        for (int face = 0; face < mesh.faceCount; ++face) mesh.FlipNormal(face);
    if (options.removeDegenerate) mesh.RemoveDegenerateFaces();
    if (options.unifyNormals) mesh.UnifyNormals(0);

    switchToDecimalCommaLocale();

    if (options.autoSmooth) mesh.AutoSmooth(readText(options, kAngle) * kDegreesToRadians, 0);
    if (options.optimize) {
        float normalThreshold = readText(options, kNormalThreshold);
        float edgeThreshold = readText(options, kEdgeThreshold);
        float bias = readText(options, kBias);
        mesh.Optimize(normalThreshold * kDegreesToRadians, edgeThreshold * kDegreesToRadians, bias,
                      OPTIMIZE_KEEP_MATERIALS | OPTIMIZE_KEEP_SMOOTHING | OPTIMIZE_AUTO_EDGE,
                      nullptr);
    }
    if (options.removeDegenerate) mesh.RemoveDegenerateFaces();
    if (options.applyUVMap) {
        float uTile = readText(options, kUTile);
        float vTile = readText(options, kVTile);
        Matrix3 identity;
        identity.IdentityMatrix();
        mesh.ApplyUVWMap(chooseMapType(options), uTile, vTile, 1.0f, options.flipU, options.flipV,
                         0, options.cap, identity);
    }
    mesh.InvalidateGeomCache();
}
