// Line-by-line checking of a ZEF file.
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>

#include "app/zef_reader.h"

namespace {
// Reads lines with one line of look-ahead, so peeking never seeks back.
class LineReader {
  public:
    LineReader(std::istream& in, const std::string& name) : path_(name), in_(in) {
        hasAhead_ = readLine(ahead_);
    }
    bool next() {
        if (!hasAhead_) return false;
        line_.swap(ahead_);
        ++number_;
        hasAhead_ = readLine(ahead_);
        return true;
    }
    // Whether the next line starts with prefix.
    bool peekIs(const char* prefix) const { return hasAhead_ && ahead_.rfind(prefix, 0) == 0; }
    const std::string& line() const { return line_; }
    std::string where() const { return path_ + ":" + std::to_string(number_) + ": "; }

  private:
    bool readLine(std::string& into) {
        if (!std::getline(in_, into)) return false;
        if (!into.empty() && into.back() == '\r') into.pop_back();
        return true;
    }

    std::string path_;
    std::istream& in_;
    std::string line_, ahead_;
    bool hasAhead_ = false;
    int number_ = 0;
};

// Cursor over one line: matches literal text, integers and "%.6f" reals with ','.
struct Cursor {
    const char* p;
    bool literal(const char* text) {
        size_t n = std::strlen(text);
        if (std::strncmp(p, text, n) != 0) return false;
        p += n;
        return true;
    }
    // An integer of at most 18 digits, so it never overflows; longer ones are no
    // count or index the format can hold.
    bool integer(long long& value) {
        const char* start = p;
        bool negative = *p == '-';
        if (negative) ++p;
        const char* digits = p;
        if (!skipDigits() || p - digits > 18) return p = start, false;
        value = 0;
        for (const char* d = digits; d < p; ++d) value = value * 10 + (*d - '0');
        if (negative) value = -value;
        return true;
    }
    // "%.6f" with a comma: any number of whole digits (a float's whole part may have
    // 39), exactly six after the comma. Only the syntax is checked.
    bool real() {
        if (*p == '-') ++p;
        if (!skipDigits() || *p != ',') return false;
        ++p;
        for (int i = 0; i < 6; ++i, ++p)
            if (*p < '0' || *p > '9') return false;
        return true;
    }
    bool skipDigits() {
        const char* start = p;
        while (*p >= '0' && *p <= '9') ++p;
        return p > start;
    }
    bool end() const { return *p == 0; }
};

struct Failure {
    std::string message;
};

class ZefChecker {
  public:
    explicit ZefChecker(LineReader& in) : in_(in) {}

    void expectLine(const char* what) {
        if (!in_.next()) fail(std::string("file ends; expected ") + what);
    }
    [[noreturn]] void fail(const std::string& what) { throw Failure{in_.where() + what}; }

    long long intField(Cursor& c, const char* label) {
        long long value;
        if (!c.literal(label) || !c.integer(value))
            fail(std::string("expected ") + label + "<integer>");
        return value;
    }
    int countField(Cursor& c, const char* label) {
        long long value = intField(c, label);
        if (value < 0 || value > std::numeric_limits<int>::max())
            fail(std::string(label) + "count out of range");
        return int(value);
    }
    void realField(Cursor& c, const char* label) {
        if (!c.literal(label) || !c.real())
            fail(std::string("expected ") + label + "<number with six decimals and a comma>");
    }
    void endOfLine(Cursor& c) {
        if (!c.end()) fail("unexpected text at the end of the line");
    }
    void exactLine(const char* text) {
        expectLine(text);
        if (in_.line() != text) fail(std::string("expected \"") + text + "\"");
    }

    void materialRecord(int number) {
        expectLine("a material record");
        Cursor c{in_.line().c_str()};
        if (intField(c, "Material ") != number || !c.literal(": "))
            fail("expected \"Material " + std::to_string(number) + ": <name>\"");
        expectLine("the Diffuse line");
        c = {in_.line().c_str()};
        realField(c, "Diffuse: R: "), realField(c, " G: "), realField(c, " B: "),
            realField(c, " A: ");
        endOfLine(c);
        if (in_.peekIs("Specular: ")) {
            in_.next();
            c = {in_.line().c_str()};
            realField(c, "Specular: R: "), realField(c, " G: "), realField(c, " B: ");
            realField(c, " Shininess: "), realField(c, " Shiningstrength: ");
            endOfLine(c);
        }
        if (!in_.peekIs("Twosided: ")) return;
        in_.next();
        c = {in_.line().c_str()};
        intField(c, "Twosided: ");
        endOfLine(c);
        expectLine("the Texture line");
        if (in_.line().rfind("Texture: ", 0) != 0) fail("expected \"Texture: ...\"");
        if (in_.line() == "Texture: NODIFFUSE") return;
        expectLine("the Amount line");
        c = {in_.line().c_str()};
        realField(c, "Amount: ");
        endOfLine(c);
    }

    void objectBlock(int index, ZefObjectSummary& object) {
        expectLine("an Object line");
        Cursor c{in_.line().c_str()};
        if (intField(c, "Object ") != index || !c.literal(": "))
            fail("expected \"Object " + std::to_string(index) + ": <name>\"");
        object.name = c.p;
        expectLine("the counts line");
        c = {in_.line().c_str()};
        object.vertices = countField(c, "Vertices: ");
        object.texVertices = countField(c, " TVertices: ");
        object.faces = countField(c, " Faces: ");
        object.materials = countField(c, " Materials: ");
        object.normals = countField(c, " Normals: ");
        endOfLine(c);
        if (object.normals != 0 && object.normals != 1) fail("Normals must be 0 or 1");
        if (!in_.peekIs("Material list:") && !in_.peekIs("Vertex list:")) {
            if (object.vertices || object.texVertices || object.faces || object.materials ||
                object.normals)
                fail("an object without lists must have all counts 0");
            return;
        }
        if (object.materials > 0) {
            exactLine("Material list:");
            for (int j = 0; j < object.materials; ++j) materialRecord(j);
        }
        exactLine("Vertex list:");
        for (int k = 0; k < object.vertices; ++k) {
            expectLine("a Vertex line");
            c = {in_.line().c_str()};
            if (intField(c, "Vertex ") != k) fail("vertex numbers must count up from 0");
            realField(c, ": X: "), realField(c, " Y: "), realField(c, " Z: ");
            endOfLine(c);
        }
        if (object.texVertices > 0) {
            exactLine("TVertex list:");
            for (int k = 0; k < object.texVertices; ++k) {
                expectLine("a TVertex line");
                c = {in_.line().c_str()};
                if (intField(c, "TVertex ") != k)
                    fail("texture vertex numbers must count up from 0");
                realField(c, ": U: "), realField(c, " V: ");
                endOfLine(c);
            }
        }
        exactLine("Face list:");
        bool materialLines = false;
        for (int f = 0; f < object.faces; ++f) faceGroup(f, object, materialLines);
    }

    void vertexIndex(Cursor& c, const char* label, long long count) {
        long long v = intField(c, label);
        if (v < 0 || v >= count) fail(std::string(label) + "index out of range");
    }

    void faceGroup(int f, const ZefObjectSummary& object, bool& materialLines) {
        expectLine("a Face line");
        Cursor c{in_.line().c_str()};
        if (intField(c, "Face ") != f) fail("face numbers must count up from 0");
        vertexIndex(c, ": A: ", object.vertices), vertexIndex(c, " B: ", object.vertices);
        vertexIndex(c, " C: ", object.vertices);
        for (const char* edge : {" AB: ", " BC: ", " CA: "})
            if (static_cast<unsigned long long>(intField(c, edge)) > 1)
                fail("edge flags must be 0 or 1");
        endOfLine(c);
        if (object.normals) {
            expectLine("a Normal line");
            c = {in_.line().c_str()};
            realField(c, "Normal: X: "), realField(c, " Y: "), realField(c, " Z: ");
            endOfLine(c);
        }
        expectLine("a Smoothing line");
        c = {in_.line().c_str()};
        long long word = intField(c, "Smoothing: ");
        if (word < 0 || word > 0xFFFFFFFFll) fail("smoothing word out of range");
        endOfLine(c);
        if (object.texVertices > 0) {
            expectLine("a TVFace line");
            c = {in_.line().c_str()};
            if (intField(c, "TVFace ") != f) fail("TVFace number must equal the face number");
            vertexIndex(c, ": TA: ", object.texVertices),
                vertexIndex(c, " TB: ", object.texVertices);
            vertexIndex(c, " TC: ", object.texVertices);
            endOfLine(c);
        }
        bool hasMaterial = in_.peekIs("Material: ");
        if (f == 0) materialLines = hasMaterial;
        if (hasMaterial != materialLines) fail("Material lines must be on every face or none");
        if (hasMaterial) {
            in_.next();
            c = {in_.line().c_str()};
            long long id = intField(c, "Material: ");
            if (id < 0 || id > 65535) fail("material id out of range");
            endOfLine(c);
        }
    }

  private:
    LineReader& in_;
};
} // namespace

bool readZefFile(const std::string& path, ZefSummary& summary, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        error = path + ": cannot open";
        return false;
    }
    return readZefStream(file, path, summary, error);
}

bool readZefText(const std::string& text, const std::string& name, ZefSummary& summary,
                 std::string& error) {
    std::istringstream in(text);
    return readZefStream(in, name, summary, error);
}

bool readZefStream(std::istream& stream, const std::string& name, ZefSummary& summary,
                   std::string& error) {
    LineReader in(stream, name);
    ZefChecker check(in);
    try {
        check.exactLine("ZEF File 1.0");
        check.expectLine("the NumObjects line");
        Cursor c{in.line().c_str()};
        long long count = check.intField(c, "NumObjects: ");
        check.endOfLine(c);
        if (count < 1) check.fail("NumObjects must be at least 1");
        summary = ZefSummary();
        for (int i = 0; i < count; ++i) {
            ZefObjectSummary object;
            check.objectBlock(i, object);
            summary.vertices += object.vertices;
            summary.faces += object.faces;
            summary.materials += object.materials;
            summary.objects.push_back(object);
        }
        if (in.next()) check.fail("text after the last object");
    } catch (const Failure& failure) {
        error = failure.message;
        return false;
    }
    return true;
}
