// Optimize's steps: what one look at a star decides, and how the passes schedule the looks,
// each checked against a plainer way to the same result.
#include "host/mesh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <numeric>
#include <random>
#include <set>
#include <tuple>
#include <vector>

#include "hostkit/mesh/optimize_collapse.h"
#include "hostkit/mesh/optimize_cone.h"
#include "hostkit/mesh/optimize_passes.h"
#include "hostkit/mesh/optimize_visits.h"
#include "hostkit/mesh/optimize_state.h"
#include "hostkit/mesh/primitives.h"
#include "optimize_test_support.h"
#include "support/mesh_family.h"

using hostkit::opt::Vec3d;
using namespace optimize_test;

TEST(Optimize, StarsWithoutTheirConesChooseTheSameCollapse) {
    using namespace hostkit::opt;
    // the passes analyse a star without its side cones and work them out only once a target
    // passes the other tests: that must choose the same target at the same cost, or none,
    // as the full analysis, at thresholds where cones lock some stars and refuse some targets.
    // Once collapses have given faces wide cones (worn), a star analysed without its side
    // cones also refuses targets against its widest face cone before working them out
    const std::tuple<float, float> settings[] = {
        {kFourDegrees, 0.1f}, {30 * kDegree, 0.0f}, {90 * kDegree, 1.0f}};
    size_t collapses[2] = {0, 0}, refusals[2] = {0, 0};
    for (NamedMesh& named : testFamily()) {
        for (const auto& [angle, bias] : settings) {
            for (const bool worn : {false, true}) {
                Mesh mesh = named.mesh;
                WorkState ws(mesh, makeSettings(angle, angle, bias, kAllFlags));
                initWorkState(ws);
                Star full, shape;
                CollapseScratch fullScratch, shapeScratch;
                // wear the mesh: every legal collapse of every other vertex
                for (uint32_t u = 0; worn && u < uint32_t(mesh.vertexCount); u += 2) {
                    analyzeStar(ws, u, full);
                    double cost = -1;
                    const uint32_t v = bestCollapse(ws, full, fullScratch, cost);
                    if (v != kNone) applyCollapse(ws, full, v, fullScratch);
                }
                for (uint32_t u = 0; u < uint32_t(mesh.vertexCount); ++u) {
                    analyzeStar(ws, u, full);
                    analyzeStarShape(ws, u, shape);
                    double fullCost = -1, shapeCost = -1;
                    const uint32_t target = bestCollapse(ws, full, fullScratch, fullCost);
                    ASSERT_EQ(bestCollapse(ws, shape, shapeScratch, shapeCost), target)
                        << named.name << " vertex " << u << " at " << angle << " worn " << worn;
                    if (target == kNone) {
                        refusals[worn] += full.cls != VertexClass::Locked;
                        continue;
                    }
                    EXPECT_EQ(shapeCost, fullCost) << named.name << " vertex " << u; // same bits
                    ++collapses[worn];
                }
            }
        }
    }
    // fresh and worn stars both collapsed, and worn ones were refused
    EXPECT_GT(collapses[false], 1000u);
    EXPECT_GT(collapses[true], 1000u);
    EXPECT_GT(refusals[true], 1000u);
}

TEST(Optimize, CostsBoundWithoutTheConesNeverExceedTheCost) {
    using namespace hostkit::opt;
    // below a pass's limit a look may end on a bound of its first target's cost worked out
    // without the cones (the centre then waits): the bound must never exceed the cost that
    // target has once the cones are settled, and a look the bound does not end must give the
    // exact answer. Worn meshes, whose faces carry wide cones, at thresholds where the cones
    // decide much of the cost
    const std::tuple<float, float> settings[] = {
        {90 * kDegree, 0.0f}, {30 * kDegree, 0.3f}, {kFourDegrees, 0.1f}};
    size_t bounded = 0, conesRefused = 0, exact = 0;
    for (NamedMesh& named : testFamily()) {
        for (const auto& [angle, bias] : settings) {
            Mesh mesh = named.mesh;
            WorkState ws(mesh, makeSettings(angle, angle, bias, kAllFlags));
            initWorkState(ws);
            Star star, boundStar;
            CollapseScratch scratch, boundScratch;
            for (uint32_t u = 0; u < uint32_t(mesh.vertexCount); u += 2) { // wear it
                analyzeStar(ws, u, star);
                double cost = -1;
                const uint32_t v = bestCollapse(ws, star, scratch, cost);
                if (v != kNone) applyCollapse(ws, star, v, scratch);
            }
            boundScratch.waitAbove = 0; // every bound above 0 ends the look
            for (uint32_t u = 0; u < uint32_t(mesh.vertexCount); ++u) {
                const std::string where = named.name + " vertex " + std::to_string(u) + " at " +
                                          std::to_string(angle / kDegree) + " degrees";
                analyzeStarShape(ws, u, star);
                analyzeStarShape(ws, u, boundStar);
                double cost = -1, bound = -1;
                const uint32_t target = bestCollapse(ws, star, scratch, cost);
                const uint32_t waiting = bestCollapse(ws, boundStar, boundScratch, bound);
                if (!boundScratch.waitsByBound) {
                    ASSERT_EQ(waiting, target) << where;
                    if (target != kNone) {
                        ASSERT_EQ(bound, cost) << where; // same bits
                    }
                    ++exact;
                } else if (waiting == target) {
                    ASSERT_LE(bound, cost) << where;
                    ++bounded;
                } else {
                    ++conesRefused; // the cones refuse it: the look would go on
                }
            }
        }
    }
    EXPECT_GT(bounded, 1000u) << exact << " exact, " << conesRefused << " refused by the cones";
    EXPECT_GT(exact, 1000u);
}

TEST(Optimize, ACentreMergesIntoItsNearestLegalNeighbour) {
    using namespace hostkit::opt;
    // flat fans whose rings are numbered out of angular order, at random distances (some
    // rings fold, so the nearest neighbours are refused now and then) or all at one distance
    // (ties go to the lower vertex index): the target chosen is the nearest of the targets
    // that pass every test, whichever the others are
    std::mt19937 rng(17);
    std::uniform_real_distribution<double> unitInterval(0, 1);
    const float even[8][2] = {{5, 0}, {3, 4}, {0, 5}, {-3, 4}, {-5, 0}, {-4, -3}, {0, -5}, {4, -3}};
    size_t chosen = 0, notNearest = 0, tied = 0;
    for (int i = 0; i < 400; ++i) {
        const bool ties = i % 4 == 0;
        const int d = ties ? 8 : 4 + i % 7;
        std::vector<uint32_t> order(static_cast<size_t>(d)); // ring place -> vertex
        std::iota(order.begin(), order.end(), 1u);
        std::shuffle(order.begin(), order.end(), rng);
        Mesh m;
        m.setNumVerts(d + 1);
        m.vertices[0] = Point3(0, 0, 0);
        for (int k = 0; k < d; ++k) {
            const double angle = 2 * std::numbers::pi * (k + 0.4 * unitInterval(rng)) / d;
            const double radius = 0.3 + 1.2 * unitInterval(rng);
            m.vertices[order[k]] =
                ties ? Point3(even[k][0], even[k][1], 0)
                     : Point3(float(radius * std::cos(angle)), float(radius * std::sin(angle)), 0);
        }
        m.setNumFaces(d);
        for (int k = 0; k < d; ++k) {
            m.faces[k].v[0] = 0;
            m.faces[k].v[1] = order[k];
            m.faces[k].v[2] = order[(k + 1) % d];
        }
        WorkState ws(m, makeSettings(30 * kDegree, 30 * kDegree, 0.0f, 0));
        initWorkState(ws);
        Star star;
        CollapseScratch scratch;
        analyzeStar(ws, 0, star);
        ASSERT_EQ(star.cls, VertexClass::Interior) << i;
        // the nearest legal target, and the nearest of all
        std::pair<double, uint32_t> best{0, kNone}, nearest{0, kNone};
        for (uint32_t v = 1; v <= uint32_t(d); ++v) {
            const Vec3d to = ws.position(v) - ws.position(0);
            const std::pair<double, uint32_t> entry{dot(to, to), v};
            if (nearest.second == kNone || entry < nearest) nearest = entry;
            if (collapseGeometryCost(ws, star, v, scratch) < 0 ||
                !collapseKeepsTopology(ws, star, v))
                continue;
            if (best.second == kNone || entry < best) best = entry;
        }
        double cost = -1;
        EXPECT_EQ(bestCollapse(ws, star, scratch, cost), best.second) << i;
        chosen += best.second != kNone;
        notNearest += best.second != kNone && best.second != nearest.second;
        tied += ties && best.second != kNone;
    }
    // most fans collapse, some not into their nearest neighbour, and ties were met
    EXPECT_GT(chosen, 300u);
    EXPECT_GT(notNearest, 10u);
    EXPECT_GT(tied, 50u);
}

TEST(Optimize, StarsTheScreenRefusesHaveNoLegalCollapse) {
    using namespace hostkit::opt;
    // the passes screen a small star before classifying it: a star the screen refuses must
    // have no legal collapse, and the neighbours it refused on the way (skipped later) must
    // not include the target the full analysis chooses; at biases where the quality bound
    // refuses most stars, some, or few
    const float biases[] = {1.0f, 0.5f, 0.1f};
    size_t screenRefused = 0, collapses = 0;
    for (NamedMesh& named : testFamily()) {
        for (const float bias : biases) {
            WorkState ws(named.mesh, makeSettings(90 * kDegree, 90 * kDegree, bias, kAllFlags));
            initWorkState(ws);
            Star full, screened;
            CollapseScratch fullScratch, screenedScratch;
            for (uint32_t u = 0; u < uint32_t(named.mesh.vertexCount); ++u) {
                analyzeStar(ws, u, full);
                double fullCost = -1, screenedCost = -1;
                const uint32_t target = bestCollapse(ws, full, fullScratch, fullCost);
                if (!gatherStar(ws, u, screened)) {
                    EXPECT_EQ(target, kNone) << named.name << " vertex " << u;
                    continue;
                }
                const bool refused = refusedByShape(ws, screened);
                for (uint32_t w : screened.refused) { // each for a reason the collapse tests share
                    if (full.cls != VertexClass::Locked) {
                        EXPECT_LT(collapseGeometryCost(ws, full, w, fullScratch), 0)
                            << named.name << " vertex " << u << " into " << w;
                    }
                }
                if (refused) {
                    ++screenRefused;
                    EXPECT_EQ(target, kNone) << named.name << " vertex " << u << " bias " << bias;
                    for (uint32_t w : full.ring) // every neighbour was tried
                        EXPECT_NE(std::find(screened.refused.begin(), screened.refused.end(), w),
                                  screened.refused.end())
                            << named.name << " vertex " << u << " neighbour " << w;
                    continue;
                }
                classifyStar(ws, screened);
                ASSERT_EQ(bestCollapse(ws, screened, screenedScratch, screenedCost), target)
                    << named.name << " vertex " << u << " bias " << bias;
                if (target == kNone) continue;
                EXPECT_EQ(screenedCost, fullCost) << named.name << " vertex " << u;
                ++collapses;
            }
        }
    }
    // the screen refused stars, and let through stars with collapses
    EXPECT_GT(screenRefused, 1000u);
    EXPECT_GT(collapses, 1000u);
}

TEST(Optimize, CrowdedStarsDecideAlikeInAnyFaceOrder) {
    using namespace hostkit::opt;
    // a crowded star looks for a target's refusal next to the faces on its edge first,
    // counting on faces coming in ring order: in any other order the same targets must be
    // refused and the others cost the same. Fans whose rims wander in and out, so that moves
    // to some rim vertices flip or flatten faces next to the edge, and with some rim vertices
    // near the centre, which it may move to
    std::mt19937 random(7);
    std::uniform_real_distribution<float> radius(0.97f, 1.03f), height(-0.0005f, 0.0005f);
    std::bernoulli_distribution pulled(0.05); // a rim vertex near the centre: a cheap target
    size_t refused = 0, passed = 0;
    for (int copy = 0; copy < 18; ++copy) {
        const int d = copy % 3 == 0 ? 30 : copy % 3 == 1 ? 64 : 200;
        for (const bool mapped : {false, true}) {
            Mesh m = fan(d, 0.0f);
            for (int i = 1; i <= d; ++i) {
                const float r = pulled(random) ? 0.02f : radius(random);
                m.vertices[i] = Point3(m.vertices[i].x * r, m.vertices[i].y * r, height(random));
            }
            if (mapped) m.ApplyUVWMap(MAP_PLANAR, 1, 1, 1, 0, 0, 0, 0, Matrix3());
            for (const float bias : {1.0f, 0.3f}) {
                SCOPED_TRACE(testing::Message()
                             << d << " faces, bias " << bias << ", mapped " << mapped);
                WorkState ws(m, makeSettings(80 * kDegree, 80 * kDegree, bias, 0));
                initWorkState(ws);
                for (const bool cones : {false, true}) {
                    Star star;
                    if (cones)
                        analyzeStar(ws, 0, star);
                    else
                        analyzeStarShape(ws, 0, star);
                    ASSERT_EQ(star.faces.size(), size_t(d));
                    ASSERT_EQ(star.cls, VertexClass::Interior);
                    Star shuffled = star;
                    std::vector<uint32_t> order(star.faces.size());
                    for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
                    std::shuffle(order.begin(), order.end(), random);
                    for (uint32_t i = 0; i < order.size(); ++i)
                        shuffled.faces[i] = star.faces[order[i]];
                    CollapseScratch scratch, shuffledScratch;
                    for (uint32_t w : star.ring) {
                        const double cost = collapseGeometryCost(ws, star, w, scratch);
                        EXPECT_EQ(collapseGeometryCost(ws, shuffled, w, shuffledScratch), cost)
                            << "into " << w;
                        ++(cost < 0 ? refused : passed);
                    }
                }
            }
        }
    }
    // both outcomes were compared
    EXPECT_GT(refused, 1000u);
    EXPECT_GT(passed, 20u);
}

namespace {

// Stops the passes after a given number of reports (one per pass) and counts them.
class StopAfterPasses : public MeshOpProgress {
  public:
    explicit StopAfterPasses(int passes) : left_(passes) {}
    void Init(int) override {}
    bool Progress(int) override {
        ++reports;
        return --left_ > 0;
    }
    int reports = 0;

  private:
    int left_;
};

} // namespace

TEST(Optimize, StarsToldFromTheirEdgesHaveNoLegalCollapse) {
    using namespace hostkit::opt;
    // the passes first try to tell from a star's edges, without gathering it, that it has no
    // legal collapse: every star so told must be one the classification locks, or a line
    // vertex none of whose targets is legal, before the collapses and after some (faces moved
    // and removed), on mapped meshes with seams too; on a rough surface at a small threshold
    // most stars are told so, and the seams of a mapped sphere bend too far to move along
    const std::tuple<float, int> settings[] = {
        {kFourDegrees, kAllFlags}, {0.0f, 0}, {30 * kDegree, 3}};
    std::vector<NamedMesh> meshes = testFamily();
    meshes.push_back({"mapped sphere", hostkit::makeSphereMesh(1, 40)});
    meshes.back().mesh.ApplyUVWMap(MAP_SPHERICAL, 1, 1, 1, 0, 0, 0, 0, Matrix3());
    size_t told = 0, toldOnNoisy = 0, noisyStars = 0, toldOnLines = 0;
    CollapseScratch scratch;
    for (const NamedMesh& named : meshes) {
        for (const auto& [angle, flags] : settings) {
            for (const int passes : {0, 2}) {
                SCOPED_TRACE(named.name + " at " + std::to_string(angle / kDegree) +
                             " degrees after " + std::to_string(passes) + " passes");
                Mesh m = named.mesh;
                WorkState ws(m, makeSettings(angle, angle, 0.1f, flags));
                initWorkState(ws);
                StopAfterPasses stop(passes);
                if (passes > 0) runCollapsePasses(ws, &stop);
                Star star;
                for (uint32_t u = 0; u < uint32_t(m.vertexCount); ++u) {
                    const bool locked = locksByItsEdges(ws, u);
                    if (named.name == "noisy" && angle == kFourDegrees && passes == 0) {
                        ++noisyStars;
                        toldOnNoisy += locked;
                    }
                    if (!locked) continue;
                    ++told;
                    analyzeStarShape(ws, u, star);
                    if (star.cls == VertexClass::Locked) continue;
                    ASSERT_EQ(star.cls, VertexClass::Line) << "vertex " << u;
                    ++toldOnLines;
                    double cost = 0;
                    ASSERT_EQ(bestCollapse(ws, star, scratch, cost), kNone) << "vertex " << u;
                }
            }
        }
    }
    EXPECT_GT(told, 5000u);
    EXPECT_GT(toldOnLines, 50u) << toldOnLines;
    EXPECT_GT(toldOnNoisy * 2, noisyStars) << toldOnNoisy << " of " << noisyStars << ", " << told;
}

TEST(Optimize, RememberedDeferralsMakeTheSameCollapsesPassByPass) {
    using namespace hostkit::opt;
    // a vertex whose collapse waited for a higher limit is not looked at again while neither
    // its star nor its target's faces change: stopped after any pass, the passes must have
    // made the same collapses as when every queued vertex is looked at. Thresholds where
    // most collapses wait (90 degrees, no bias) and where few do
    const std::tuple<float, float, int> settings[] = {{90 * kDegree, 0.0f, 0},
                                                      {45 * kDegree, 0.3f, 3},
                                                      {kFourDegrees, 0.1f, kAllFlags},
                                                      {90 * kDegree, 1.0f, kAllFlags}};
    std::vector<NamedMesh> meshes = testFamily();
    meshes.push_back({"noisy40", noisySurface(40, 7)});
    meshes.push_back({"subdividedCube10", subdividedCube(10), true});
    Mesh mapped = noisySurface(30, 3); // texture seams make lines
    mapped.ApplyUVWMap(MAP_CYLINDRICAL, 2, 1, 1, 0, 0, 0, 1, Matrix3());
    meshes.push_back({"mappedNoisy30", std::move(mapped)});
    size_t compared = 0;
    for (const NamedMesh& named : meshes) {
        for (const auto& [angle, bias, flags] : settings) {
            // the first passes one by one, then to the end
            for (int passes : {1, 2, 3, 4, 5, 6, 1000}) {
                SCOPED_TRACE(named.name + " at " + std::to_string(angle / kDegree) +
                             " degrees, bias " + std::to_string(bias) + ", " +
                             std::to_string(passes) + " passes");
                Mesh remembered = named.mesh, looked = named.mesh;
                WorkState wsRemembered(remembered, makeSettings(angle, angle, bias, flags));
                WorkState wsLooked(looked, makeSettings(angle, angle, bias, flags));
                initWorkState(wsRemembered);
                initWorkState(wsLooked);
                StopAfterPasses stopRemembered(passes), stopLooked(passes);
                const int removed = runCollapsePasses(wsRemembered, &stopRemembered, true);
                ASSERT_EQ(runCollapsePasses(wsLooked, &stopLooked, false), removed);
                ASSERT_EQ(stopRemembered.reports, stopLooked.reports);
                for (int f = 0; f < remembered.faceCount; ++f) {
                    ASSERT_EQ(wsRemembered.faceDead[f], wsLooked.faceDead[f]) << "face " << f;
                    for (int k = 0; k < 3; ++k) {
                        ASSERT_EQ(remembered.faces[f].v[k], looked.faces[f].v[k]) << "face " << f;
                        if (remembered.texFaces) {
                            ASSERT_EQ(remembered.texFaces[f].t[k], looked.texFaces[f].t[k]);
                        }
                    }
                }
                ++compared;
                if (stopLooked.reports < passes) break; // the passes had ended
            }
        }
    }
    EXPECT_GT(compared, 300u) << compared; // many meshes ran more than a few passes
}

namespace {

// A vertex's live faces as a state of the passes left them: face, vertices, texture corners
// and what the collapses keep of the face (unit normal and cone, compared bit for bit).
std::vector<std::vector<uint32_t>> liveFacesAt(const hostkit::opt::WorkState& ws, uint32_t v) {
    std::vector<std::vector<uint32_t>> faces;
    for (int f = 0; f < ws.mesh.faceCount; ++f) {
        const MeshFace& face = ws.mesh.faces[f];
        if (ws.faceDead[f] || (face.v[0] != v && face.v[1] != v && face.v[2] != v)) continue;
        std::vector<uint32_t> entry{uint32_t(f), face.v[0], face.v[1], face.v[2]};
        if (ws.mesh.texFaces)
            entry.insert(entry.end(), ws.mesh.texFaces[f].t, ws.mesh.texFaces[f].t + 3);
        const hostkit::opt::FaceWork& work = ws.faceWork[f];
        uint32_t words[sizeof(work) / 4];
        std::memcpy(words, &work, sizeof(work));
        entry.insert(entry.end(), words, words + sizeof(work) / 4);
        faces.push_back(std::move(entry));
    }
    return faces;
}

} // namespace

TEST(Optimize, AStarNoCollapseTouchedChoosesItsTargetAgainUnlessTheTargetChanged) {
    using namespace hostkit::opt;
    // what lets the passes skip a look: while a vertex's faces (and line cone) stay as they
    // were, its look chooses the same target at the same cost as long as that target's faces
    // stay too; when only the target's faces changed, it refuses that target or keeps it,
    // never choosing a nearer neighbour; and a vertex with no legal collapse still has none.
    // Compared between the states two successive passes leave
    const std::tuple<float, float, int> settings[] = {
        {90 * kDegree, 0.0f, 0}, {30 * kDegree, 0.1f, 1}, {kFourDegrees, 0.1f, kAllFlags}};
    std::vector<NamedMesh> meshes = smallFamily();
    meshes.push_back({"strip", wavyStrip(1500)});
    meshes.push_back({"sphere40", hostkit::makeSphereMesh(1, 40), true});
    meshes.push_back({"subdividedCube10", subdividedCube(10), true});
    Mesh mapped = noisySurface(30, 3);
    mapped.ApplyUVWMap(MAP_CYLINDRICAL, 2, 1, 1, 0, 0, 0, 1, Matrix3());
    meshes.push_back({"mappedNoisy30", std::move(mapped)});
    size_t same = 0, targetChanged = 0;
    for (const NamedMesh& named : meshes) {
        for (const auto& [angle, bias, flags] : settings) {
            for (int passes = 1; passes <= 6; ++passes) {
                SCOPED_TRACE(named.name + " at " + std::to_string(angle / kDegree) +
                             " degrees, after " + std::to_string(passes) + " passes");
                Mesh before = named.mesh, after = named.mesh;
                WorkState wsBefore(before, makeSettings(angle, angle, bias, flags));
                WorkState wsAfter(after, makeSettings(angle, angle, bias, flags));
                initWorkState(wsBefore);
                initWorkState(wsAfter);
                StopAfterPasses stopBefore(passes), stopAfter(passes + 1);
                runCollapsePasses(wsBefore, &stopBefore, false);
                runCollapsePasses(wsAfter, &stopAfter, false);
                Star star;
                CollapseScratch scratch;
                for (uint32_t u = 0; u < uint32_t(before.vertexCount); ++u) {
                    if (wsAfter.vertexFlags[u] & kDead) continue;
                    if (liveFacesAt(wsBefore, u) != liveFacesAt(wsAfter, u) ||
                        std::memcmp(&wsBefore.lineCone[u], &wsAfter.lineCone[u],
                                    sizeof(DirectionCone)) != 0)
                        continue;
                    double costBefore = -1, costAfter = -1;
                    analyzeStarShape(wsBefore, u, star);
                    const uint32_t was = bestCollapse(wsBefore, star, scratch, costBefore);
                    analyzeStarShape(wsAfter, u, star);
                    const uint32_t is = bestCollapse(wsAfter, star, scratch, costAfter);
                    if (was == kNone) {
                        EXPECT_EQ(is, kNone) << "vertex " << u;
                        continue;
                    }
                    if (liveFacesAt(wsBefore, was) == liveFacesAt(wsAfter, was)) {
                        ASSERT_EQ(is, was) << "vertex " << u;
                        EXPECT_EQ(costAfter, costBefore) << "vertex " << u; // same bits
                        ++same;
                        continue;
                    }
                    ++targetChanged;
                    if (is == was) {
                        EXPECT_EQ(costAfter, costBefore) << "vertex " << u;
                    } else if (is != kNone) { // a farther neighbour (nearest first, then index)
                        auto rank = [&](uint32_t w) {
                            const Vec3d d = position(before, w) - position(before, u);
                            return std::make_pair(hostkit::opt::dot(d, d), w);
                        };
                        EXPECT_GT(rank(is), rank(was)) << "vertex " << u;
                    }
                }
            }
        }
    }
    // the passes left many stars untouched, some beside a changed target
    EXPECT_GT(same, 1000u) << same;
    EXPECT_GT(targetChanged, 20u) << targetChanged;
}

namespace {

// A flat fan of 603 faces around centre c on a straight boundary (from (-1, 0) through c at
// the origin to (1, 0)), closed by a zigzag arc of 600 vertices, the first two almost in
// line with c (a triangle so thin that c's moves do not make a thinner one). A vertex inside
// each fan face beside the boundary makes c's moves along it fold that face; each such
// vertex merges into its nearest neighbour, after which c may move along the boundary.
// With obstaclesFirst the two inside vertices come first and are nearest to c, which takes
// them in before its look in the first pass; otherwise c comes first and is nearest to
// neither. Returns the mesh and c's index.
std::pair<Mesh, uint32_t> fanWithObstacles(bool obstaclesFirst) {
    constexpr int kArc = 600;
    const float inside = obstaclesFirst ? 0.25f : 0.97f; // x of the right one
    const uint32_t base = obstaclesFirst ? 2 : 0;        // c, right, left, arc...
    std::vector<Point3> points(kArc + 5);
    const uint32_t c = base, right = base + 1, left = base + 2, arc = base + 3;
    const uint32_t obstacle[2] = {obstaclesFirst ? 0u : kArc + 3, obstaclesFirst ? 1u : kArc + 4};
    points[c] = Point3(0, 0, 0);
    points[right] = Point3(1, 0, 0);
    points[left] = Point3(-1, 0, 0);
    for (int i = 0; i < kArc; ++i) {
        double t = 0.3 + (std::numbers::pi - 0.6) * i / (kArc - 1);
        if (i == 1) t = 0.3 + 1e-5;              // the close pair
        const double r = i % 2 == 1 ? 2.002 : 2; // a zigzag no line runs along
        points[arc + i] = Point3(float(r * std::cos(t)), float(r * std::sin(t)), 0);
    }
    points[obstacle[0]] = Point3(inside, obstaclesFirst ? 0.05f : 0.197f, 0);
    points[obstacle[1]] = Point3(-points[obstacle[0]].x, points[obstacle[0]].y, 0);
    std::vector<std::array<uint32_t, 3>> faces = {{c, right, obstacle[0]},
                                                  {obstacle[0], right, arc},
                                                  {c, obstacle[0], arc},
                                                  {c, arc + kArc - 1, obstacle[1]},
                                                  {obstacle[1], arc + kArc - 1, left},
                                                  {c, obstacle[1], left}};
    for (uint32_t i = 0; i + 1 < kArc; ++i) faces.push_back({c, arc + i, arc + i + 1});
    return {triangleMesh(points, faces), c};
}

// A flat disc of 600 faces around centre 0, a hundred-thousandth from rim vertex 1: its
// faces there are already thinner than any its merge into that vertex leaves. An improper
// face (one vertex three times) at each rim vertex freezes the rim, so that merge is the one
// legal collapse, and no collapse changes the centre's star before it.
Mesh discAroundANearlyRimCentre() {
    constexpr uint32_t kRim = 600;
    std::vector<Point3> points(kRim + 1);
    points[0] = Point3(2 - 1e-5f, 0, 0);
    std::vector<std::array<uint32_t, 3>> faces;
    for (uint32_t i = 0; i < kRim; ++i) {
        const double t = 2 * std::numbers::pi * i / kRim;
        points[1 + i] = Point3(float(2 * std::cos(t)), float(2 * std::sin(t)), 0);
        faces.push_back({0, 1 + i, 1 + (i + 1) % kRim});
        faces.push_back({1 + i, 1 + i, 1 + i});
    }
    return triangleMesh(points, faces);
}

} // namespace

TEST(Optimize, PassesEndWhereNoVertexHasALegalCollapse) {
    using namespace hostkit::opt;
    // the passes end only once no look would collapse: every live vertex, looked at afresh in
    // the state they leave, finds no legal collapse. Crowded vertices (512 faces or more) are
    // not queued again for every change around them, and must still be looked at before the
    // end: the fans with obstacles are left with a legal collapse at their centre when it
    // waits for a look that never comes, or loses its look in the pass where it takes in
    // faces; the disc's centre, whose star no collapse changes, when it never gets a look
    const std::tuple<float, float, int> settings[] = {{0.0f, 0.0f, 0},
                                                      {kFourDegrees, 0.1f, kAllFlags},
                                                      {90 * kDegree, 0.0f, 0},
                                                      {90 * kDegree, 1.0f, kAllFlags}};
    std::vector<NamedMesh> meshes = crowdedFamily(3000);
    meshes.push_back({"sphere40", hostkit::makeSphereMesh(1, 40), true});
    std::vector<uint32_t> mustMerge(meshes.size(), kNone);
    for (const bool obstaclesFirst : {false, true}) {
        auto [mesh, centre] = fanWithObstacles(obstaclesFirst);
        meshes.push_back({obstaclesFirst ? "obstaclesFirst" : "centreFirst", std::move(mesh)});
        mustMerge.push_back(centre);
    }
    meshes.push_back({"nearlyRimCentre", discAroundANearlyRimCentre()});
    mustMerge.push_back(0);
    for (size_t i = 0; i < meshes.size(); ++i) {
        for (const auto& [angle, bias, flags] : settings) {
            SCOPED_TRACE(meshes[i].name + " at " + std::to_string(angle / kDegree) +
                         " degrees, bias " + std::to_string(bias));
            Mesh mesh = meshes[i].mesh;
            WorkState ws(mesh, makeSettings(angle, angle, bias, flags));
            initWorkState(ws);
            runCollapsePasses(ws, nullptr);
            Star star;
            CollapseScratch scratch;
            for (uint32_t u = 0; u < uint32_t(mesh.vertexCount); ++u) {
                if (ws.vertexFlags[u] & kDead) continue;
                double cost = 0;
                analyzeStarShape(ws, u, star);
                ASSERT_EQ(bestCollapse(ws, star, scratch, cost), kNone) << "vertex " << u;
            }
            if (mustMerge[i] != kNone && angle > 0) { // (at 0 its cost cannot be told)
                EXPECT_TRUE(ws.vertexFlags[mustMerge[i]] & kDead);
            }
        }
    }
}

// The queue read back from the flags: every length around the eight-flag steps, flags of
// every combination (queued and merged away, other bits set or not), against one flag at a
// time.
TEST(Optimize, QueuedVerticesReadBackFromTheFlagsInOrder) {
    using namespace hostkit::opt;
    std::mt19937 random(29);
    for (size_t count = 0; count <= 40; ++count) {
        for (int trial = 0; trial < 20; ++trial) {
            hostkit::LargeVector<uint8_t> flags(count);
            for (uint8_t& f : flags) f = uint8_t(random());
            if (trial == 0) std::fill(flags.begin(), flags.end(), uint8_t(kDirty | kUsed));
            hostkit::LargeVector<uint32_t> expected{7}, found{7}; // appended to what is there
            for (size_t v = 0; v < count; ++v)
                if ((flags[v] & kDirty) && !(flags[v] & kDead)) expected.push_back(uint32_t(v));
            appendQueuedVertices(flags, found);
            ASSERT_EQ(found, expected) << count << " flags, trial " << trial;
        }
    }
}

// A pass's looks: the listed vertices and those taken in ahead, in one ascending order, each
// once, against a plain model (a sorted set of what is due); random additions ahead, behind,
// of vertices due already and of ones no pass looks at; stopped at every point.
TEST(Optimize, APassTakesItsVerticesAndThoseAddedAheadInOrderOnce) {
    using namespace hostkit::opt;
    std::mt19937 random(31);
    constexpr uint32_t kCount = 64;
    for (int trial = 0; trial < 300; ++trial) {
        hostkit::LargeVector<uint8_t> flags(kCount, kUsed);
        for (uint8_t& f : flags) {
            const uint32_t r = random() % 16;
            f = r == 0   ? uint8_t(kUsed | kDead)
                : r == 1 ? uint8_t(kUsed | kFrozen)
                : r == 2 ? 0
                         : f;
        }
        hostkit::LargeVector<uint32_t> list;
        for (uint32_t v = 0; v < kCount; ++v)
            if (random() % 4 == 0) list.push_back(v);
        const bool aheadToo = trial % 5 != 0;
        const size_t stopAfter = trial % 3 == 0 ? random() % (kCount / 2) : kCount;
        std::set<uint32_t> due(list.begin(), list.end());
        PassVisits visits;
        visits.begin(list, flags, aheadToo);
        uint32_t last = 0;
        for (size_t taken = 0; taken < stopAfter; ++taken) {
            const uint32_t v = visits.take();
            if (due.empty()) {
                ASSERT_EQ(v, kNone);
                break;
            }
            ASSERT_EQ(v, *due.begin()) << "trial " << trial;
            ASSERT_FALSE(flags[v] & kInPass);
            due.erase(due.begin());
            last = v;
            for (int k = 0; k < 3; ++k) {
                const uint32_t w = random() % kCount;
                const bool takes = aheadToo && w > last && !due.count(w) &&
                                   (flags[w] & (kUsed | kDead | kFrozen)) == kUsed;
                visits.addAhead(w);
                if (takes) due.insert(w);
            }
        }
        visits.end();
        for (uint32_t v = 0; v < kCount; ++v) ASSERT_FALSE(flags[v] & kInPass) << v;
    }
}
