// The one error of everything that reads a file (scene files, ZEF files, resource
// scripts, scenarios): which file, where in it, and what is wrong. Header-only, so the
// host kit, zefrc and the scenes all use it without linking anything.
#pragma once

#include <string>
#include <utility>

struct FileError {
    std::string file;    // the file name, or the name given for a text in memory
    int line = 0;        // the line, from 1; 0 when the place is not a line
    std::string place;   // another place: a JSON pointer, "line 4, column 9"; may be empty
    std::string problem; // what is wrong

    FileError() = default;
    FileError(std::string fileName, int lineNumber, std::string what)
        : file(std::move(fileName)), line(lineNumber), problem(std::move(what)) {}
    FileError(std::string fileName, std::string where, std::string what)
        : file(std::move(fileName)), place(std::move(where)), problem(std::move(what)) {}

    // "file:line: problem" or "file: place: problem", leaving out a line of 0 and an
    // empty place: "scene.json: /nodes/3/mesh/faces/17: index out of range",
    // "out.zef:12: expected \"Face 3: ...\"", "zefexp.rc:40: string not closed".
    std::string message() const {
        std::string text = file;
        if (line > 0) {
            text += ':';
            text += std::to_string(line);
        }
        text += ": ";
        if (!place.empty()) {
            text += place;
            text += ": ";
        }
        text += problem;
        return text;
    }
};
