// Files for tests: reading a whole file, and a scratch folder of the test's own.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

// The bytes of a file as they are on disk (no line-end translation); "" if missing.
inline std::string readWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The names of everything in folder (links, FIFOs and devices included).
inline std::set<std::string> namesIn(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const std::filesystem::directory_entry& entry :
         std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

inline bool fileExists(const std::filesystem::path& path) {
    return std::ifstream(path).good();
}

// A folder under the temporary folder named after the purpose and the process, made
// on construction and removed with everything in it on destruction.
class ScratchFolder {
  public:
    explicit ScratchFolder(const std::string& purpose)
        : dir_(std::filesystem::temp_directory_path() /
               (purpose + "_" + std::to_string(getpid()))) {
        std::filesystem::create_directories(dir_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& dir() const { return dir_; }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

  private:
    std::filesystem::path dir_;
};
