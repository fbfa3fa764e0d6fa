// A strict reader of ZEF files: checks every line against the format and counts
// what the file holds. Used for zefhost's summary and by the tests.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "host/scene.h"
#include "hostkit/strings/file_error.h"

struct ZefObjectSummary {
    std::string name;
    int vertices = 0, texVertices = 0, faces = 0, materials = 0, normals = 0;
};

struct ZefSummary {
    std::vector<ZefObjectSummary> objects;
    int vertices = 0, faces = 0, materials = 0;
};

// Reads path; false with the file, the line and what is wrong in error when a line
// breaks the format (labels, counts, numbering, number syntax with a decimal comma);
// a file that cannot be opened gives line 0.
bool readZefFile(const std::string& path, ZefSummary& summary, FileError& error);
// The same for a stream or a text in memory; name stands for the file in messages.
bool readZefStream(std::istream& in, const std::string& name, ZefSummary& summary,
                   FileError& error);
bool readZefText(const std::string& text, const std::string& name, ZefSummary& summary,
                 FileError& error);

// One material record as written.
struct ZefMaterialRecord {
    std::string name;
    Color diffuse;
    float alpha = 1;
    bool hasSpecular = false; // the Specular line was there
    Color specular;
    float shininess = 0, strength = 0;
    bool standard = false; // a Twosided line followed: the record of a standard material
    int twoSided = 0;
    std::string texture; // the Texture line's text (a file name, NOBITMAP or NODIFFUSE)
    float amount = 1;    // from the Amount line
};

// One face group, back in the mesh's winding (v and t are corners 0, 1, 2).
struct ZefFace {
    uint32_t v[3] = {0, 0, 0};
    uint32_t edges = 0; // bit 0 edge 0-1, bit 1 edge 1-2, bit 2 edge 2-0
    Point3 normal;
    uint32_t smoothing = 0;
    uint32_t t[3] = {0, 0, 0};
    int material = -1; // -1 without a Material line
};

// One object block, value for value. A value written as "-0,000000" reads back as a
// tiny negative number, so that writing it again gives the same text.
struct ZefObject {
    std::string name;
    bool normals = false;
    std::vector<ZefMaterialRecord> materials;
    std::vector<Point3> vertices;
    std::vector<Point3> texVertices; // w is 0
    std::vector<ZefFace> faces;
};

// Reads path as readZefFile does and also gives every value of every object.
bool readZefContents(const std::string& path, std::vector<ZefObject>& objects, FileError& error);
