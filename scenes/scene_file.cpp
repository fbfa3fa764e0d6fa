// Scene files: parsing, canonical formatting and file input/output around the
// reader and writer. Exceptions from the JSON library and from the reader and
// writer stop here and become FileError values.
#include "scenes/scene_file.h"

#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "export/safe_save.h"
#include "scenes/scene_file_json.h"

namespace scenefile {
namespace {

bool isScalar(const Json& j) {
    return !j.is_array() && !j.is_object();
}

bool isFlatArray(const Json& j) {
    for (const Json& item : j)
        if (!isScalar(item)) return false;
    return true;
}

// Numbers are formatted here, not by dump(), which is slow per value: floats in
// their shortest exact form (with ".0" when that looks like an integer), integers
// as they are.
void appendScalar(const Json& j, std::string& out) {
    char buffer[32];
    std::to_chars_result r{buffer, {}};
    if (j.is_number_float()) {
        r = std::to_chars(buffer, buffer + sizeof buffer, j.get<float>());
        out.append(buffer, r.ptr);
        if (std::string_view(buffer, size_t(r.ptr - buffer)).find_first_of(".e") ==
            std::string_view::npos)
            out += ".0";
    } else if (j.is_number_unsigned()) {
        r = std::to_chars(buffer, buffer + sizeof buffer, j.get<uint64_t>());
        out.append(buffer, r.ptr);
    } else if (j.is_number_integer()) {
        r = std::to_chars(buffer, buffer + sizeof buffer, j.get<int64_t>());
        out.append(buffer, r.ptr);
    } else {
        out += j.dump();
    }
}

void emit(const Json& j, int indent, std::string& out) {
    const std::string pad(size_t(indent + 2), ' ');
    if (j.is_object() && !j.empty()) {
        out += "{\n";
        size_t left = j.size();
        for (const auto& item : j.items()) {
            out += pad + Json(item.key()).dump() + ": ";
            emit(item.value(), indent + 2, out);
            out += --left ? ",\n" : "\n";
        }
        out += std::string(size_t(indent), ' ') + "}";
    } else if (j.is_array() && !j.empty() && !isFlatArray(j)) {
        out += "[\n";
        for (size_t i = 0; i < j.size(); ++i) {
            out += pad;
            emit(j[i], indent + 2, out);
            out += i + 1 < j.size() ? ",\n" : "\n";
        }
        out += std::string(size_t(indent), ' ') + "]";
    } else if (j.is_array()) {
        out += "[";
        for (size_t i = 0; i < j.size(); ++i) {
            if (i) out += ", ";
            appendScalar(j[i], out);
        }
        out += "]";
    } else {
        appendScalar(j, out); // scalars, {} and []
    }
}

// "line L, column C" of byte offset in text (both counted from 1).
std::string lineAndColumn(std::string_view text, size_t offset) {
    size_t line = 1, column = 1;
    for (size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

// The library's message without its "[json.exception...] parse error at ...: " prefix.
std::string syntaxProblem(const std::string& what) {
    size_t colon = what.find(": ");
    return colon == std::string::npos ? what : what.substr(colon + 2);
}

// A number too large for a float, which the parser reports without a position: the
// place is where that number's text first appears.
FileError overflowError(std::string_view text, const std::string& sourceName,
                        const std::string& what) {
    size_t open = what.find('\''), close = what.rfind('\'');
    std::string number = open < close ? what.substr(open + 1, close - open - 1) : "";
    size_t at = number.empty() ? std::string_view::npos : text.find(number);
    return {sourceName, at == std::string_view::npos ? "" : lineAndColumn(text, at),
            "number out of range for a float: " + number};
}

} // namespace

std::string formatJson(const Json& doc) {
    std::string out;
    emit(doc, 0, out);
    out += '\n';
    return out;
}

} // namespace scenefile

SceneLoadResult parseSceneText(std::string_view text, const std::string& sourceName) {
    using namespace scenefile;
    SceneLoadResult result;
    try {
        Json doc;
        try {
            doc = Json::parse(text.begin(), text.end());
        } catch (const nlohmann::json::parse_error& e) {
            // byte is one past the offending character
            size_t offset = e.byte > 0 ? size_t(e.byte - 1) : 0;
            result.error = {sourceName, lineAndColumn(text, offset), syntaxProblem(e.what())};
            return result;
        } catch (const nlohmann::json::out_of_range& e) {
            result.error = overflowError(text, sourceName, e.what());
            return result;
        }
        result.scene = readScene(doc);
    } catch (const Failure& f) {
        result.error = {sourceName, f.place, f.problem};
    } catch (const std::exception& e) {
        result.error = {sourceName, "", e.what()};
    }
    return result;
}

SceneLoadResult loadSceneFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {nullptr, {path, "", "cannot open the file"}};
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return {nullptr, {path, "", "cannot read the file"}};
    return parseSceneText(text.str(), path);
}

bool writeSceneText(const Scene& scene, std::string& text, FileError& error) {
    using namespace scenefile;
    try {
        text = formatJson(writeScene(scene));
        return true;
    } catch (const Failure& f) {
        error = {"", f.place, f.problem};
    } catch (const std::exception& e) { // for example a name that is not valid UTF-8
        error = {"", "", e.what()};
    }
    return false;
}

bool saveSceneFile(const Scene& scene, const std::string& path, FileError& error) {
    std::string text;
    if (!writeSceneText(scene, text, error)) {
        error.file = path;
        return false;
    }
    // Saved as the export saves its file: an old scene stays whole if the save fails.
    SafeSave file;
    if (!file.open(path, SaveMode::Binary)) {
        error = {path, "", "cannot create the file"};
        return false;
    }
    bool written = std::fwrite(text.data(), 1, text.size(), file.stream()) == text.size();
    if (!written || !file.commit()) {
        error = {path, "", "cannot write the file"};
        return false;
    }
    return true;
}
