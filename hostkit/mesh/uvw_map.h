// Mesh::ApplyUVWMap(type, uTile, vTile, wTile, uFlip, vFlip, wFlip, cap, tm): generated
// texture coordinates.
//
// Replaces the texture vertices and texture faces. Positions are taken in the space of
// tm (p * tm) and fitted to their bounding box there, a flat axis counting as size 1, so
// q = (p * tm - centre) / size lies in [-0.5, 0.5]^3. Types (anything else: planar):
//  - 0 planar: u, v from q.x, q.y; w the depth along z;
//  - 1 cylindrical: u from the angle around z, v from q.z, w the distance from the axis;
//    with cap nonzero, faces whose normal is dominated by z are mapped planar instead;
//  - 2 spherical: u from the angle around z, v from the latitude, w the distance from
//    the centre;
//  - 3 shrink wrap: the +z pole at the texture's centre, the latitude as the distance
//    from it, the whole texture border gathered at the -z pole; no wrap seam;
//  - 4 box: each face projected on the plane of its dominant normal axis, mirrored by the
//    normal's sign so that no side reads mirrored (texture winding follows face winding);
//    w the depth along that axis.
// Then u <- (uFlip ? 1 - u : u) * uTile, likewise v and w. Seams duplicate texture
// vertices: a face whose u spans more than one half gets 1 added to its low corners; a
// corner on the axis (a pole) takes the mean u of its face's other corners. Texture
// vertices are shared between faces wherever they agree. An empty mesh is left alone.
#pragma once

#include "host/mesh.h"
