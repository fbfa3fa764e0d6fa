// Edge table, mates, vertex lists and union-find on the test family.
#include "hostkit/mesh/edge_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <utility>

#include "hostkit/mesh/primitives.h"
#include "support/mesh_family.h"

using namespace hostkit;

TEST(EdgeTable, GroupsEveryProperCornerByUndirectedEdge) {
    for (NamedMesh& named : smallFamily()) {
        const Mesh& mesh = named.mesh;
        // reference: a map from undirected edge to its corners
        std::map<std::pair<uint32_t, uint32_t>, std::vector<uint32_t>> expected;
        for (int f = 0; f < mesh.faceCount; ++f) {
            if (!isProperFace(mesh.faces[f], mesh.vertexCount)) continue;
            for (uint32_t k = 0; k < 3; ++k) {
                uint32_t c = uint32_t(f) * 3 + k;
                uint32_t a = cornerFrom(mesh, c), b = cornerTo(mesh, c);
                expected[{std::min(a, b), std::max(a, b)}].push_back(c);
            }
        }
        EdgeTable table = buildEdgeTable(mesh);
        ASSERT_EQ(table.edgeCount(), expected.size()) << named.name;
        size_t e = 0;
        for (const auto& [key, corners] : expected) {
            auto run = table.edgeCorners(e++);
            EXPECT_TRUE(std::equal(run.begin(), run.end(), corners.begin(), corners.end()))
                << named.name;
        }
    }
}

TEST(EdgeTable, MatesArePairedAndNonManifoldIsMarked) {
    Mesh fan = threeFacesOnEdge();
    std::vector<uint32_t> mates = manifoldMates(fan);
    int nonManifold = 0;
    for (uint32_t m : mates) nonManifold += m == kNonManifoldMate;
    EXPECT_EQ(nonManifold, 3);

    for (NamedMesh& named : smallFamily()) {
        std::vector<uint32_t> mate = manifoldMates(named.mesh);
        for (size_t c = 0; c < mate.size(); ++c) {
            if (mate[c] >= kNonManifoldMate) continue;
            EXPECT_EQ(mate[mate[c]], c) << named.name;
            EXPECT_NE(cornerFace(mate[c]), cornerFace(uint32_t(c))) << named.name;
        }
        if (named.closed) {
            EXPECT_EQ(std::count(mate.begin(), mate.end(), kNoMate), 0) << named.name;
        }
    }
}

// The list-based mates against the sorted table: the same mates, the same corners on
// every edge of three or more, and "consistent" exactly when no pair runs the same way.
TEST(CornerMates, AgreeWithTheSortedTable) {
    std::vector<NamedMesh> family = testFamily();
    Mesh twisted = hostkit::makeBoxMesh(1, 1, 1, 2);
    twisted.FlipNormal(5);
    family.push_back({"box, one face flipped", twisted});
    Mesh crowdedHub = fan(100, 0.1f); // one lower vertex with a long list
    family.push_back({"fan of 100", crowdedHub});
    for (NamedMesh& named : family) {
        const Mesh& mesh = named.mesh;
        const EdgeTable table = buildEdgeTable(mesh);
        const std::vector<uint32_t> expected =
            manifoldMates(table, size_t(std::max(mesh.faceCount, 0)) * 3);
        const CornerMates mates = buildCornerMates(mesh);
        ASSERT_EQ(mates.mate.size(), expected.size()) << named.name;
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), mates.mate.begin())) << named.name;

        std::set<std::vector<uint32_t>> crowdedExpected, crowdedFound;
        bool consistent = true;
        for (size_t e = 0; e < table.edgeCount(); ++e) {
            auto run = table.edgeCorners(e);
            if (run.size() > 2) crowdedExpected.insert({run.begin(), run.end()});
            if (run.size() == 2) consistent &= cornerFrom(mesh, run[0]) != cornerFrom(mesh, run[1]);
        }
        for (size_t e = 0; e < mates.crowdedEdgeCount(); ++e) {
            std::vector<uint32_t> run(mates.crowdedCorners.begin() + mates.crowdedStart[e],
                                      mates.crowdedCorners.begin() + mates.crowdedStart[e + 1]);
            std::sort(run.begin(), run.end());
            crowdedFound.insert(run);
        }
        EXPECT_EQ(crowdedFound, crowdedExpected) << named.name;
        EXPECT_EQ(mates.consistent, consistent) << named.name;
    }
}

TEST(EdgeTable, PlacesStepRoundAFace) {
    // the packed tables against the division they replace
    for (uint32_t k = 0; k < 3; ++k) {
        EXPECT_EQ(nextPlace(k), (k + 1) % 3) << k;
        EXPECT_EQ(prevPlace(k), (k + 2) % 3) << k;
    }
}

TEST(EdgeTable, CubeHasEighteenEdges) {
    // 12 box edges plus one diagonal per side
    EXPECT_EQ(buildEdgeTable(hostkit::makeBoxMesh(1, 1, 1, 1)).edgeCount(), 18u);
}

TEST(EdgeTable, VertexCornersListEachProperCornerOnceAtItsStart) {
    Mesh mesh = repeatedIndexFaces();
    VertexCorners lists = buildVertexCorners(mesh);
    std::multiset<uint32_t> seen;
    for (int v = 0; v < mesh.vertexCount; ++v)
        for (uint32_t c : lists.of(uint32_t(v))) {
            EXPECT_EQ(cornerFrom(mesh, c), uint32_t(v));
            seen.insert(c);
        }
    // only faces 0 and 2 are proper
    EXPECT_EQ(seen, (std::multiset<uint32_t>{0, 1, 2, 6, 7, 8}));
}

TEST(UnionFind, LabelsSetsInOrderOfSmallestMember) {
    UnionFind sets(6);
    EXPECT_TRUE(sets.unite(4, 1));
    EXPECT_TRUE(sets.unite(5, 3));
    EXPECT_FALSE(sets.unite(1, 4));
    EXPECT_TRUE(sets.unite(3, 1));
    std::vector<uint32_t> labels;
    EXPECT_EQ(sets.label(labels), 3u);
    EXPECT_EQ(labels, (std::vector<uint32_t>{0, 1, 2, 1, 1, 1}));
}
