// mesh_bench --assimp: the host's mesh operations beside the nearest Assimp
// post-processing step on the same mesh, in the same run.
#pragma once

#include <string>

// Prints, for each pairing on a UV sphere of about faces faces: the operation, the
// faces, both throughputs (Mfaces/s of CPU time, median of reps runs, each in a forked
// child on a fresh copy) and their ratio. Only the operation or the step is timed.
// only, when not empty, keeps the operations whose name contains it.
void compareWithAssimp(int faces, int reps, const std::string& only);
