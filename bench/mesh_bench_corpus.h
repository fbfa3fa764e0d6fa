// mesh_bench --corpus: every mesh operation on the larger meshes of real model files,
// each beside the flat grid of the same face count.
#pragma once

#include <string>
#include <vector>

// The files measured when none are named: the assets corpus's files with the largest
// triangle meshes (Debian's assimp-testmodels), those that are installed.
std::vector<std::string> defaultCorpusFiles();

// Opens each file as zefhost does and measures every operation (median CPU time of
// reps runs, each on a fresh copy in a forked child) on each mesh object of at least
// minFaces faces. Prints per-face time as a multiple of the grid's, flags rows over 3,
// and ends with the worst ratio. Files that do not open are reported and skipped.
// Returns the number of meshes measured.
int measureCorpus(const std::vector<std::string>& files, int minFaces, int reps,
                  const std::string& only);
