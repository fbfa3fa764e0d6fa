// The mesh operations mesh_bench measures, each at the option values worth timing, and
// how one run of an operation is measured.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "child_measure.h"
#include "host/mesh.h"

struct Operation {
    const char* name;
    std::function<void(Mesh&)> run;
};

// Every host mesh operation, AutoSmooth and Optimize at their usual and extreme options
// and ApplyUVWMap at every map type, in a fixed order.
const std::vector<Operation>& operations();

// Whether an operation named name is among those asked for: every one when part is empty,
// else those whose name contains part.
bool nameHas(const char* name, const std::string& part);

// How much free memory to warm before timing an operation on mesh: more than any
// operation's peak (see warmFreePages).
size_t warmBytesFor(const Mesh& mesh);

// Runs op on a fresh copy of mesh in a forked child: wall and CPU time and the rise of
// the child's peak resident size above its size just before the call. The copy's arrays
// are flushed from the caches first, so a mesh small enough to stay in them after its
// copy is not measured warm while a larger one is measured from memory.
Measure measureOperation(const Mesh& mesh, const Operation& op);

// The median of values (not empty; the upper one of an even count).
double medianOf(std::vector<double> values);

// The run of median CPU time among runs (not empty), with the largest peak of them all.
Measure medianRun(std::vector<Measure> runs);

// op on a reference mesh and on each of subjects, side by side: reps rounds, each
// timing the reference and then every subject, so a machine that slows down or speeds
// up between rounds moves both sides alike.
struct SideBySide {
    Measure reference;             // the run of median CPU time, with the largest peak
    std::vector<Measure> subjects; // likewise, one per subject
    // Per subject, the median over the rounds of the subject's per-face CPU time over
    // the reference's in the same round.
    std::vector<double> perFaceRatios;
};
SideBySide measureSideBySide(const Mesh& reference, const std::vector<const Mesh*>& subjects,
                             const Operation& op, int reps);
