// What the zefhost tests share: running a command line against the real plug-in file.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "tests/support/files.h"

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
