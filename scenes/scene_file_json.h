// Internals shared by the scene-file reader and writer: the JSON type (floats kept
// as float so they read and print exactly) and the error thrown inside the module.
#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "scenes/scene_file.h"

namespace scenefile {

using Json = nlohmann::basic_json<nlohmann::ordered_map, std::vector, std::string, bool,
                                  std::int64_t, std::uint64_t, float>;

// Thrown by the reader and writer, caught at the API: a place and a problem.
struct Failure {
    std::string place;
    std::string problem;
};

// Builds the scene that doc describes; throws Failure.
std::unique_ptr<Scene> readScene(const Json& doc);
// Builds the document of scene; throws Failure.
Json writeScene(const Scene& scene);
// Canonical text of doc: two-space indent, arrays of scalars on one line.
std::string formatJson(const Json& doc);

} // namespace scenefile
