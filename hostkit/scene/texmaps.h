// Texture maps of the kit: a bitmap file and a procedural checker. Maps live in the
// scene's map pool and materials refer to them by pointer.
#pragma once

#include <string>

#include "host/api.h"
#include "host/scene.h"

// A texture map with a name of its own, so scene files can refer to it.
class HOSTKIT_API NamedTexmap : public HostTexmap {
  public:
    std::string name;
};

class HOSTKIT_API BitmapTexmap : public NamedTexmap {
  public:
    std::string fileName; // full name, directories included

    Class_ID classId() override { return bitmapTexClassID; }
    const char* bitmapFileName() override { return fileName.c_str(); }
};

class HOSTKIT_API CheckerTexmap : public NamedTexmap {
  public:
    Color color1{0, 0, 0};
    Color color2{1, 1, 1};
    float uTiling = 1, vTiling = 1;

    Class_ID classId() override;
    const char* bitmapFileName() override { return ""; }
};
