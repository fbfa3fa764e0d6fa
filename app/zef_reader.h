// A strict reader of ZEF files: checks every line against the format and counts
// what the file holds. Used for zefhost's summary and by the tests.
#pragma once

#include <istream>
#include <string>
#include <vector>

struct ZefObjectSummary {
    std::string name;
    int vertices = 0, texVertices = 0, faces = 0, materials = 0, normals = 0;
};

struct ZefSummary {
    std::vector<ZefObjectSummary> objects;
    int vertices = 0, faces = 0, materials = 0;
};

// Reads path; false with "FILE:LINE: what is wrong" in error when a line breaks the
// format (labels, counts, numbering, number syntax with a decimal comma).
bool readZefFile(const std::string& path, ZefSummary& summary, std::string& error);
// The same for a stream or a text in memory; name stands for the file in messages.
bool readZefStream(std::istream& in, const std::string& name, ZefSummary& summary,
                   std::string& error);
bool readZefText(const std::string& text, const std::string& name, ZefSummary& summary,
                 std::string& error);
