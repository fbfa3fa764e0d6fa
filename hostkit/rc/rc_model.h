// What zefrc understands of a resource script: dialogs with their controls, string
// tables, and the error it reports when a script is outside that subset.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hostkit/strings/file_error.h"

namespace zefrc {

struct RcControl {
    int id = 0;
    std::string className;
    std::string text;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
};

struct RcDialog {
    int id = -1;      // -1 for a named dialog
    std::string name; // set for a named dialog
    uint32_t style = 0;
    uint32_t exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::string caption;
    int fontSize = 0;
    std::string fontFace;
    std::vector<RcControl> controls;
};

struct RcString {
    unsigned id = 0;
    std::string text;
};

struct RcFile {
    std::vector<RcDialog> dialogs;
    std::vector<RcString> strings;
};

} // namespace zefrc
