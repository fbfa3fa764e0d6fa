// FileError: what every reader of a file reports when the file is wrong (a scene
// file, a ZEF file, a resource script, a steps file or a session script): which file,
// where in it, and what is wrong.
#pragma once

#include <string>

struct FileError {
    std::string file;    // the file name, or the source name given for a text
    std::string place;   // "line 4", "line 4, column 9", a JSON pointer; empty: the whole file
    std::string problem; // what is wrong

    // "file: place: problem", leaving out an empty place.
    std::string message() const {
        return file + ": " + (place.empty() ? "" : place + ": ") + problem;
    }
};

// The place "line N" (N counted from 1).
inline std::string linePlace(long long line) {
    return "line " + std::to_string(line);
}
