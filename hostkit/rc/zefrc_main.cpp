// zefrc IN.rc OUT.cpp SYMBOL: compiles a resource script into C++ source for the
// headless Win32 layer. Errors name the file and line; the exit code is then 1.
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "hostkit/rc/cpp_writer.h"
#include "hostkit/rc/rc_parser.h"

namespace {

bool isIdentifier(const std::string& s) {
    if (s.empty() || std::isdigit((unsigned char)s[0])) return false;
    for (char c : s)
        if (!std::isalnum((unsigned char)c) && c != '_') return false;
    return true;
}

// Writes content to path, creating the directory it goes into.
bool writeFile(const std::string& path, const std::string& content) {
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    std::error_code ignored;
    if (!parent.empty()) std::filesystem::create_directories(parent, ignored);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    return static_cast<bool>(out.flush());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: zefrc IN.rc OUT.cpp SYMBOL\n");
        return 2;
    }
    std::string in = argv[1], out = argv[2], symbol = argv[3];
    if (!isIdentifier(symbol)) {
        std::fprintf(stderr, "zefrc: '%s' is not a C++ identifier\n", symbol.c_str());
        return 2;
    }
    zefrc::ParseResult parsed = zefrc::parseRcFile(in);
    if (parsed.error) {
        std::fprintf(stderr, "%s\n", parsed.error->message().c_str());
        return 1;
    }
    if (!writeFile(out, zefrc::writeResourceTable(parsed.file, symbol, in))) {
        std::fprintf(stderr, "zefrc: cannot write '%s'\n", out.c_str());
        return 1;
    }
    return 0;
}
