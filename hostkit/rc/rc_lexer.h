// The token stream of a resource script after preprocessing: #include "x" brings in
// the #defines of a header, #include <x> is skipped, #ifdef/#ifndef/#else/#endif
// choose lines, and defined names are replaced by their values.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "hostkit/rc/rc_model.h"

namespace zefrc {

enum class TokenKind { Identifier, Number, String, Punct, End };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;   // identifier, decoded string, or the punctuation character
    int64_t number = 0; // for numbers
    std::string file;
    int line = 0;
};

// Reads and preprocesses path into tokens, ending with one End token.
// Throws FileError for unreadable files, unsupported directives and bad literals.
std::vector<Token> tokenizeFile(const std::string& path);

// The same for a script held in memory; fileName only names it in errors and
// quoted includes are resolved against baseDir.
std::vector<Token> tokenizeText(const std::string& text, const std::string& fileName,
                                const std::string& baseDir);

} // namespace zefrc
