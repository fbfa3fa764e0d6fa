// Preparation of one triangle mesh as an option record asks: flipping, cleaning,
// unifying, smoothing, optimising and UV mapping.
#pragma once

#include "host/mesh.h"
#include "prep/option_set.h"

// The single-precision degree-to-radian factor (bits 0x3C8EFA35).
constexpr float kDegreesToRadians = 0.017453292f;

// Prepares mesh in place; the caller passes only meshes with at least one face.
// Switches LC_NUMERIC to the decimal-comma locale for good, and rewrites "." to ","
// in each text a running step reads.
void prepareMesh(Mesh& mesh, OptionSet& options);

// Rewrites every '.' of an option text to ',' in place, then reads one number from
// it as "%f" reads it under a decimal-comma locale ("1,2,3" reads 1.2). A text that
// holds no number, or
// one that is not finite as a float ("nan", "inf", "1e39"), gives fallback.
float readOptionNumber(char* text, float fallback);

// The map type for ApplyUVWMap: the first set mapping flag; planar when none is set.
int chooseMapType(const OptionSet& options);

// Sets LC_NUMERIC to the decimal-comma locale ("German"); true when it took effect.
bool switchToDecimalCommaLocale();
