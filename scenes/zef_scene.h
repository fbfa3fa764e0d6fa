// ZEF files back in as scenes. Each object block becomes a mesh node at the root,
// in file order, with an identity transform (the vertices are where they were
// exported); materials come back as the class that writes the same record again.
#pragma once

#include <string>

#include "scenes/scene_loader.h"

// Reads path with the strict reader and builds its scene; errors carry the reader's
// "FILE:LINE: problem" message.
OpenedScene loadZefScene(const std::string& path);
