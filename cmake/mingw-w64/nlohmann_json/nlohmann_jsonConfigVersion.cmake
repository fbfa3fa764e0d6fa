# The version of the build machine's nlohmann-json.
include(/usr/share/cmake/nlohmann_json/nlohmann_jsonConfigVersion.cmake)
