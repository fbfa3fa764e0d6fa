// Test meshes: awkward shapes every mesh operation must survive (non-orientable,
// non-manifold, degenerate), realistic surfaces, the primitives, and measures over them.
#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "host/mesh.h"

struct NamedMesh {
    std::string name;
    Mesh mesh;
    bool closed = false;    // every edge has exactly two faces
    bool orientable = true; // false for the Möbius strip
};

// A mesh of the given vertices and faces; every face in smoothing group 1 with all
// three edges visible.
Mesh triangleMesh(const std::vector<Point3>& vertices,
                  const std::vector<std::array<uint32_t, 3>>& faces);

// Strip of quads closed into a loop with a half twist: non-orientable, one boundary.
Mesh mobiusStrip(int segments);
// Three triangles sharing the edge 0-1, fanned around it: a non-manifold edge.
Mesh threeFacesOnEdge();
// A quad of two good faces plus faces with a repeated index, all three indices equal,
// and one index out of range.
Mesh repeatedIndexFaces();
// A 2x2 grid with a zero-area face (three distinct, collinear vertices) closing a crack
// and a face whose three distinct vertices coincide.
Mesh zeroAreaFaces();
// A terrain-like n x n height field with random jitter; 2 n^2 faces.
Mesh noisySurface(int n, uint32_t seed);
// A unit box with segments x segments quads per side.
Mesh subdividedCube(int segments);
// A fan of segments triangles around vertex 0 at the origin, rim on the unit circle,
// rim vertices alternately at z = -zigzag and +zigzag (0: a flat disc). Face words 0.
Mesh fan(int segments, float zigzag);

// An open cone: segments triangles around an apex of the given height over the unit
// circle in z = 0, wound to face outward and up. Face words as for triangleMesh.
Mesh coneFan(int segments, float height);
// A UV sphere of the given columns around z and rings from pole to pole, without
// texture: each pole is shared by `columns` faces.
Mesh poleSphere(int columns, int rings);
// A flat disc of `rings` rings of quads around a centre shared by `spokes` faces:
// spokes * (2 * rings - 1) faces.
Mesh polarDisc(int spokes, int rings);
// A long strip one quad wide and `quads` long, bending gently up and down along x.
Mesh wavyStrip(int quads);
// `count` separate closed octahedra of 8 faces each, in a row.
Mesh octahedra(int count);

// A random scene of small shells whose windings agree wherever two faces share an edge:
// cones of 80 sides (their tip and base centre have more edges than a vertex's slots
// hold), lenses of two fans from neighbouring rim vertices (an edge between two such
// vertices), tetrahedra, octahedra and flat pillows (closed, without volume), each wound
// outward or inward, some with a face missing (open, and now and then closed off by two
// fins on each edge of the hole, so open only at edges of three faces), some sharing a
// vertex with the shell before, some with fins on an edge, and now and then a face with a
// repeated vertex. Faces come shuffled, each starting at a random corner, over shuffled
// vertex numbers.
Mesh randomShells(std::mt19937& random);

// Signed volume enclosed by the faces (positive when a closed mesh faces outward).
double signedVolume(const Mesh& mesh);
// Sum of the faces' areas.
double totalArea(const Mesh& mesh);
// Area of one face; zero for a face with an index out of range.
double faceArea(const Mesh& mesh, int face);

// Small instances of every mesh above plus the primitives (grid, cube plain and
// subdivided, UV sphere, open and capped cylinder).
std::vector<NamedMesh> smallFamily();

// Shapes that crowd faces around single vertices or stretch far, each built with about
// `faces` faces (at least a few hundred): flat fan, cone fan, capped cylinder of many
// segments, sphere with high-valence poles, a flat hub of five rings with a ninth of the
// faces around one vertex (over 100,000 at 1,000,000 faces), long thin strip, many small
// islands and a noisy surface.
// The names are "fan", "cone", "cylinder", "poles", "hub", "strip", "islands", "noisy".
std::vector<NamedMesh> crowdedFamily(int faces);
// Small instances of every mesh above: smallFamily() and crowdedFamily(3000).
std::vector<NamedMesh> testFamily();
// The flat square grid of about `faces` faces that the crowded family is measured against.
Mesh referenceGrid(int faces);
