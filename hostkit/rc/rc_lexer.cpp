// Preprocessing and tokenizing of resource scripts.
#include "hostkit/rc/rc_lexer.h"

#include <cctype>
#include <cstring>
#include <fstream>
#include <sstream>

namespace zefrc {
namespace {

constexpr int kMaxIncludeDepth = 16;
constexpr int kMaxExpansionDepth = 32;

std::string directoryOf(const std::string& path) {
    auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool endsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() &&
           s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Headers and C files contribute only their directives, as with the Windows compiler.
bool isDirectivesOnly(const std::string& path) {
    return endsWith(path, ".h") || endsWith(path, ".hpp") || endsWith(path, ".c");
}

bool readWholeFile(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    out = s.str();
    return true;
}

class Preprocessor {
  public:
    std::vector<Token> tokens;

    void processFile(const std::string& path, const std::string& fromFile, int fromLine,
                     int depth) {
        std::string text;
        if (!readWholeFile(path, text))
            throw FileError{fromFile.empty() ? path : fromFile, fromLine,
                            "cannot open '" + path + "'"};
        processText(text, path, directoryOf(path), isDirectivesOnly(path), depth);
    }

    void processText(const std::string& text, const std::string& file, const std::string& baseDir,
                     bool directivesOnly, int depth) {
        if (depth > kMaxIncludeDepth) throw FileError{file, 1, "includes nested too deeply"};
        std::string body = stripComments(text, file);
        std::istringstream lines(body);
        std::string line;
        int lineNo = 0;
        std::vector<bool> active; // one entry per open #ifdef
        auto isActive = [&] {
            for (bool a : active)
                if (!a) return false;
            return true;
        };
        while (std::getline(lines, line)) {
            ++lineNo;
            // join continued lines
            std::string next;
            while (!line.empty() && line.back() == '\\' && std::getline(lines, next)) {
                line.pop_back();
                line += next;
                ++lineNo;
            }
            size_t first = line.find_first_not_of(" \t\r");
            if (first != std::string::npos && line[first] == '#') {
                directive(line.substr(first + 1), file, lineNo, baseDir, active, isActive(), depth);
                continue;
            }
            if (!directivesOnly && isActive()) tokenizeLine(line, file, lineNo);
        }
        if (!active.empty()) throw FileError{file, lineNo, "missing #endif"};
    }

  private:
    std::map<std::string, std::vector<Token>> defines_;

    // Blanks out comments, keeping newlines so line numbers stay right.
    static std::string stripComments(const std::string& text, const std::string& file) {
        std::string out;
        out.reserve(text.size());
        int line = 1;
        for (size_t i = 0; i < text.size(); ++i) {
            char c = text[i];
            if (c == '"') { // copy a string literal untouched
                out += c;
                for (++i; i < text.size() && text[i] != '\n'; ++i) {
                    out += text[i];
                    if (text[i] == '"') {
                        if (i + 1 < text.size() && text[i + 1] == '"') {
                            out += text[++i];
                            continue;
                        }
                        break;
                    }
                    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] != '\n')
                        out += text[++i];
                }
                if (i < text.size() && text[i] == '\n') {
                    out += '\n';
                    ++line;
                }
            } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
                while (i < text.size() && text[i] != '\n') ++i;
                if (i < text.size()) {
                    out += '\n';
                    ++line;
                }
            } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
                int startLine = line;
                size_t end = text.find("*/", i + 2);
                if (end == std::string::npos)
                    throw FileError{file, startLine, "comment not closed"};
                for (size_t k = i; k < end; ++k)
                    if (text[k] == '\n') {
                        out += '\n';
                        ++line;
                    }
                out += ' ';
                i = end + 1;
            } else {
                if (c == '\n') ++line;
                out += c;
            }
        }
        return out;
    }

    void directive(const std::string& rest, const std::string& file, int line,
                   const std::string& baseDir, std::vector<bool>& active, bool isActive,
                   int depth) {
        std::istringstream in(rest);
        std::string name;
        in >> name;
        std::string arg;
        std::getline(in, arg);
        size_t a = arg.find_first_not_of(" \t");
        arg = a == std::string::npos ? "" : arg.substr(a);
        while (!arg.empty() && (arg.back() == ' ' || arg.back() == '\t' || arg.back() == '\r'))
            arg.pop_back();

        if (name == "ifdef" || name == "ifndef") {
            bool defined = defines_.count(arg) != 0;
            active.push_back(name == "ifdef" ? defined : !defined);
            return;
        }
        if (name == "else") {
            if (active.empty()) throw FileError{file, line, "#else without #ifdef"};
            active.back() = !active.back();
            return;
        }
        if (name == "endif") {
            if (active.empty()) throw FileError{file, line, "#endif without #ifdef"};
            active.pop_back();
            return;
        }
        if (!isActive || name.empty() || name == "pragma") return;
        if (name == "include") {
            if (arg.size() >= 2 && arg.front() == '<' && arg.back() == '>') return;
            if (arg.size() < 2 || arg.front() != '"' || arg.back() != '"')
                throw FileError{file, line, "bad #include: " + arg};
            std::string target = arg.substr(1, arg.size() - 2);
            std::string path = (target.front() == '/') ? target : baseDir + "/" + target;
            processFile(path, file, line, depth + 1);
            return;
        }
        if (name == "define") {
            size_t end = 0;
            while (end < arg.size() && (std::isalnum((unsigned char)arg[end]) || arg[end] == '_'))
                ++end;
            std::string macro = arg.substr(0, end);
            if (macro.empty()) throw FileError{file, line, "bad #define"};
            if (end < arg.size() && arg[end] == '(')
                throw FileError{file, line, "macros with arguments are not supported: " + macro};
            Preprocessor valueLexer;
            valueLexer.tokenizeLine(arg.substr(end), file, line);
            defines_[macro] = valueLexer.tokens;
            return;
        }
        if (name == "undef") {
            defines_.erase(arg);
            return;
        }
        throw FileError{file, line, "unsupported directive #" + name};
    }

    void push(Token t, int expansionDepth = 0) {
        if (t.kind == TokenKind::Identifier) {
            auto it = defines_.find(t.text);
            if (it != defines_.end()) {
                if (expansionDepth > kMaxExpansionDepth)
                    throw FileError{t.file, t.line, "recursive definition of " + t.text};
                for (Token v : it->second) {
                    v.file = t.file;
                    v.line = t.line;
                    push(v, expansionDepth + 1);
                }
                return;
            }
        }
        tokens.push_back(std::move(t));
    }

    static int hexValue(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        c = (char)std::tolower((unsigned char)c);
        return (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
    }

    // Decodes a string literal starting at line[i] == '"'; leaves i after it.
    static std::string readString(const std::string& line, size_t& i, const std::string& file,
                                  int lineNo) {
        std::string out;
        for (++i; i < line.size(); ++i) {
            char c = line[i];
            if (c == '"') {
                if (i + 1 < line.size() && line[i + 1] == '"') {
                    out += '"';
                    ++i;
                    continue;
                }
                ++i;
                return out;
            }
            if (c != '\\' || i + 1 >= line.size()) {
                out += c;
                continue;
            }
            char e = line[++i];
            switch (e) {
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case 'a':
                out += '\a';
                break;
            case '\\':
                out += '\\';
                break;
            case '"':
                out += '"';
                break;
            case 'x': {
                int value = 0, digits = 0;
                while (digits < 2 && i + 1 < line.size() && hexValue(line[i + 1]) >= 0) {
                    value = value * 16 + hexValue(line[++i]);
                    ++digits;
                }
                if (digits == 0) throw FileError{file, lineNo, "bad \\x escape in string"};
                out += (char)value;
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    int value = e - '0', digits = 1;
                    while (digits < 3 && i + 1 < line.size() && line[i + 1] >= '0' &&
                           line[i + 1] <= '7') {
                        value = value * 8 + (line[++i] - '0');
                        ++digits;
                    }
                    out += (char)value;
                } else {
                    out += '\\';
                    out += e;
                }
            }
        }
        throw FileError{file, lineNo, "string not closed"};
    }

    void tokenizeLine(const std::string& line, const std::string& file, int lineNo) {
        size_t i = 0;
        while (i < line.size()) {
            unsigned char c = (unsigned char)line[i];
            if (std::isspace(c)) {
                ++i;
                continue;
            }
            Token t;
            t.file = file;
            t.line = lineNo;
            if (c == '"') {
                t.kind = TokenKind::String;
                t.text = readString(line, i, file, lineNo);
            } else if (std::isdigit(c)) {
                size_t end = i;
                while (end < line.size() && std::isalnum((unsigned char)line[end])) ++end;
                std::string literal = line.substr(i, end - i);
                std::string digits = literal;
                while (!digits.empty() && std::strchr("LlUu", digits.back())) digits.pop_back();
                size_t used = 0;
                try {
                    t.number = std::stoll(digits, &used, 0);
                } catch (...) {
                    used = 0;
                }
                if (used != digits.size() || digits.empty())
                    throw FileError{file, lineNo, "bad number '" + literal + "'"};
                t.kind = TokenKind::Number;
                t.text = literal;
                i = end;
            } else if (std::isalpha(c) || c == '_') {
                size_t end = i;
                while (end < line.size() &&
                       (std::isalnum((unsigned char)line[end]) || line[end] == '_'))
                    ++end;
                t.kind = TokenKind::Identifier;
                t.text = line.substr(i, end - i);
                i = end;
            } else if (std::strchr(",|-+~(){}", c)) {
                t.kind = TokenKind::Punct;
                t.text = std::string(1, (char)c);
                ++i;
            } else {
                throw FileError{file, lineNo,
                                std::string("unexpected character '") + (char)c + "'"};
            }
            push(std::move(t));
        }
    }
};

std::vector<Token> finish(Preprocessor& p, const std::string& file) {
    Token end;
    end.file = file;
    end.line = p.tokens.empty() ? 1 : p.tokens.back().line;
    p.tokens.push_back(end);
    return std::move(p.tokens);
}

} // namespace

std::vector<Token> tokenizeFile(const std::string& path) {
    Preprocessor p;
    p.processFile(path, "", 0, 0);
    return finish(p, path);
}

std::vector<Token> tokenizeText(const std::string& text, const std::string& fileName,
                                const std::string& baseDir) {
    Preprocessor p;
    p.processText(text, fileName, baseDir, false, 0);
    return finish(p, fileName);
}

} // namespace zefrc
