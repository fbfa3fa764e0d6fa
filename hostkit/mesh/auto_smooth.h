// Smoothing groups from the angle between faces: Mesh::AutoSmooth (contract in
// host/mesh.h) in full, and autoSmooth, which also reports how the colouring went.
//
// An edge is smooth when exactly two faces share it, they run along it in opposite
// directions, both have non-zero area, and their normals differ by less than angle
// (radians; compared as atan2(|n1 x n2|, n1 . n2) in double). Faces joined by smooth
// edges form islands; every face of an island gets the island's single smoothing bit.
// Two islands that share a sharp edge never share a bit, and with flag 0 neither do two
// islands that touch only at a vertex (their corner normals would blend there); with
// flag nonzero those may share a bit, as older hosts did. Bits are given by colouring
// the islands in smallest-last order with the lowest free bit. When 32 bits run out,
// an island first shares a bit with a vertex-only neighbour, and failing that takes the
// bit whose sharing costs the least sharp-edge length. No face is left without a group.
// Every smoothing word is rewritten; nothing else changes.
//
// Cost: edges are found without sorting (each face listed at its lowest and middle
// vertex), islands by union-find, and most angle tests need no unit normals; one island
// ends there. Meeting vertices sort their islands (O(d log d) beyond 16), the ordering
// is bucketed and skips meetings of more than 64 islands, and each meeting vertex keeps
// one mask of its islands' bits, so crowded vertices cost O(d): O(F log F) in all, linear
// on ordinary meshes. Sharp-edge neighbours are built only with flag nonzero or when 32
// bits run out; an edge shared by k faces adds k^2 island pairs, and an island out of
// bits at its sharp edges too sorts every such pair once (O(P log P)).
// Scratch: 12 bytes per face and up to 8 per vertex for the islands; with flag 0 and several
// islands at most about 50 bytes per face and 8 per vertex more (about 30 when every face
// is an island); sharp-edge neighbours 8 bytes per face and 4 per vertex plus 8 per pair,
// and 12 per face more while they are built.
//
// Limitation: smoothing groups describe islands, so a crease that fades out inside one
// smooth region (sharp at one end, smooth at the other) cannot be expressed; the region
// stays one island and the crease is smoothed over.
#pragma once

#include <cstdint>

#include "host/api.h"
#include "host/mesh.h"

namespace hostkit {

struct AutoSmoothReport {
    uint32_t islands = 0;       // islands of faces joined by smooth edges
    uint32_t bitsUsed = 0;      // distinct smoothing bits handed out
    uint32_t vertexShares = 0;  // islands sharing a bit with a vertex-only neighbour
    uint32_t edgeConflicts = 0; // islands sharing a bit across a sharp edge
};

// Mesh::AutoSmooth with a report of how the colouring went. An empty mesh reports zeros.
HOSTKIT_API AutoSmoothReport autoSmooth(Mesh& mesh, float angle, int flag);

} // namespace hostkit
