// Parses the subset of resource scripts zefexp uses: DIALOG/DIALOGEX with STYLE,
// EXSTYLE, CAPTION, FONT and CONTROL (and the short control forms such as
// DEFPUSHBUTTON, LTEXT, EDITTEXT, AUTOCHECKBOX, AUTORADIOBUTTON), and STRINGTABLE.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "hostkit/rc/rc_lexer.h"
#include "hostkit/rc/rc_model.h"

namespace zefrc {

struct ParseResult {
    RcFile file;
    std::optional<FileError> error; // set when the script could not be compiled
};

// Parses the script at path, following its quoted includes.
ParseResult parseRcFile(const std::string& path);
// Parses a script held in memory (fileName names it in errors; includes resolve
// against baseDir).
ParseResult parseRcText(const std::string& text, const std::string& fileName,
                        const std::string& baseDir = ".");

} // namespace zefrc
