// Reading back what a test wrote: a file's whole text and the names in a folder.
#pragma once

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

// The whole file as bytes; empty when it cannot be read.
inline std::string readText(const std::filesystem::path& path) {
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
