// What the zefhost tests share: running a command line against the real plug-in
// file, and reading a written file whole.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/command_line.h"

struct HostRun {
    int code;
    std::string out, err;
};

// Runs zefhost with args (the plug-in under test given first) in this process.
inline HostRun zefhost(std::vector<std::string> args) {
    std::ostringstream out, err;
    args.insert(args.begin(), {"--plugin", ZEF_PLUGIN_PATH});
    int code = runZefhost(args, out, err);
    return {code, out.str(), err.str()};
}

// The bytes of path; empty when it cannot be read.
inline std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}
