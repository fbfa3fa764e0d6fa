// Line-by-line checking of a ZEF file.
#include <algorithm>
#include <charconv>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <vector>

#include "scenes/zef_reader.h"

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
    // A problem with the current line.
    // At the line last read; an empty file fails at its first line.
    FileError error(const std::string& what) const {
        return FileError(path_, std::max(number_, 1), what);
    }

  private:
    // Lines come from a block buffer (memchr for the line end) rather than getline,
    // which is several times slower on files of hundreds of megabytes.
    bool readLine(std::string& into) {
        into.clear();
        bool consumed = false;
        for (;;) {
            if (at_ == buffer_.size() && !fill()) break;
            const char* begin = buffer_.data() + at_;
            const char* stop =
                static_cast<const char*>(std::memchr(begin, '\n', buffer_.size() - at_));
            const size_t length = stop ? size_t(stop - begin) : buffer_.size() - at_;
            into.append(begin, length);
            at_ += length;
            consumed = true;
            if (stop) {
                ++at_;
                break;
            }
        }
        if (!into.empty() && into.back() == '\r') into.pop_back();
        return consumed;
    }
    bool fill() {
        buffer_.resize(kBlock);
        in_.read(buffer_.data(), std::streamsize(kBlock));
        buffer_.resize(size_t(in_.gcount()));
        at_ = 0;
        return !buffer_.empty();
    }

    static constexpr size_t kBlock = 1 << 20;
    std::string path_;
    std::istream& in_;
    std::string line_, ahead_;
    std::vector<char> buffer_;
    size_t at_ = 0;
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
    // 39), exactly six after the comma.
    bool real(float* value = nullptr) {
        const char* start = p;
        if (*p == '-') ++p;
        if (!skipDigits() || *p != ',') return false;
        ++p;
        for (int i = 0; i < 6; ++i, ++p)
            if (*p < '0' || *p > '9') return false;
        if (value) *value = parseReal(start, p);
        return true;
    }
    // The float nearest to the text start..end ("-12,345678"), read with a '.' so no
    // locale is involved. A negative zero becomes a tiny negative number, which the
    // writer prints as "-0,000000" again even after adding zeros to it.
    static float parseReal(const char* start, const char* end) {
        char buffer[64];
        size_t n = std::min(size_t(end - start), sizeof buffer);
        std::memcpy(buffer, start, n);
        for (size_t i = 0; i < n; ++i)
            if (buffer[i] == ',') buffer[i] = '.';
        float v = 0;
        std::from_chars(buffer, buffer + n, v);
        if (v == 0 && buffer[0] == '-') v = -1e-30f;
        return v;
    }
    bool skipDigits() {
        const char* start = p;
        while (*p >= '0' && *p <= '9') ++p;
        return p > start;
    }
    bool end() const { return *p == 0; }
};

class ZefChecker {
  public:
    // With contents set, every value read is kept there.
    ZefChecker(LineReader& in, ZefObject* contents) : in_(in), keep_(contents) {}

    void expectLine(const char* what) {
        if (!in_.next()) fail(std::string("file ends; expected ") + what);
    }
    [[noreturn]] void fail(const std::string& what) { throw in_.error(what); }

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
    void realField(Cursor& c, const char* label, float* value = nullptr) {
        if (!c.literal(label) || !c.real(value))
            fail(std::string("expected ") + label + "<number with six decimals and a comma>");
    }
    void endOfLine(Cursor& c) {
        if (!c.end()) fail("unexpected text at the end of the line");
    }
    void exactLine(const char* text) {
        expectLine(text);
        if (in_.line() != text) fail(std::string("expected \"") + text + "\"");
    }

    void materialRecord(int number, ZefMaterialRecord& r) {
        expectLine("a material record");
        Cursor c{in_.line().c_str()};
        if (intField(c, "Material ") != number || !c.literal(": "))
            fail("expected \"Material " + std::to_string(number) + ": <name>\"");
        if (keep_) r.name = c.p;
        expectLine("the Diffuse line");
        c = {in_.line().c_str()};
        realField(c, "Diffuse: R: ", keep(r.diffuse.r)), realField(c, " G: ", keep(r.diffuse.g)),
            realField(c, " B: ", keep(r.diffuse.b)), realField(c, " A: ", keep(r.alpha));
        endOfLine(c);
        if (in_.peekIs("Specular: ")) {
            in_.next();
            r.hasSpecular = true;
            c = {in_.line().c_str()};
            realField(c, "Specular: R: ", keep(r.specular.r));
            realField(c, " G: ", keep(r.specular.g)), realField(c, " B: ", keep(r.specular.b));
            realField(c, " Shininess: ", keep(r.shininess));
            realField(c, " Shiningstrength: ", keep(r.strength));
            endOfLine(c);
        }
        if (!in_.peekIs("Twosided: ")) return;
        in_.next();
        r.standard = true;
        c = {in_.line().c_str()};
        r.twoSided = int(intField(c, "Twosided: "));
        endOfLine(c);
        expectLine("the Texture line");
        if (in_.line().rfind("Texture: ", 0) != 0) fail("expected \"Texture: ...\"");
        if (keep_) r.texture = in_.line().substr(9);
        if (in_.line() == "Texture: NODIFFUSE") return;
        expectLine("the Amount line");
        c = {in_.line().c_str()};
        realField(c, "Amount: ", keep(r.amount));
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
        if (keep_) {
            keep_->name = object.name;
            keep_->normals = object.normals != 0;
        }
        if (!in_.peekIs("Material list:") && !in_.peekIs("Vertex list:")) {
            if (object.vertices || object.texVertices || object.faces || object.materials ||
                object.normals)
                fail("an object without lists must have all counts 0");
            return;
        }
        if (object.materials > 0) {
            exactLine("Material list:");
            for (int j = 0; j < object.materials; ++j) {
                ZefMaterialRecord& r = keep_ ? keep_->materials.emplace_back() : record_;
                materialRecord(j, r);
            }
        }
        exactLine("Vertex list:");
        for (int k = 0; k < object.vertices; ++k) {
            expectLine("a Vertex line");
            c = {in_.line().c_str()};
            if (intField(c, "Vertex ") != k) fail("vertex numbers must count up from 0");
            Point3& p = keep_ ? keep_->vertices.emplace_back() : point_;
            realField(c, ": X: ", keep(p.x)), realField(c, " Y: ", keep(p.y)),
                realField(c, " Z: ", keep(p.z));
            endOfLine(c);
        }
        if (object.texVertices > 0) {
            exactLine("TVertex list:");
            for (int k = 0; k < object.texVertices; ++k) {
                expectLine("a TVertex line");
                c = {in_.line().c_str()};
                if (intField(c, "TVertex ") != k)
                    fail("texture vertex numbers must count up from 0");
                Point3& p = keep_ ? keep_->texVertices.emplace_back() : point_;
                realField(c, ": U: ", keep(p.x)), realField(c, " V: ", keep(p.y));
                endOfLine(c);
            }
        }
        exactLine("Face list:");
        bool materialLines = false;
        for (int f = 0; f < object.faces; ++f)
            faceGroup(f, object, materialLines, keep_ ? keep_->faces.emplace_back() : face_);
    }

    uint32_t vertexIndex(Cursor& c, const char* label, long long count) {
        long long v = intField(c, label);
        if (v < 0 || v >= count) fail(std::string(label) + "index out of range");
        return uint32_t(v);
    }

    // Reads the face group of face f into face (corners back in the mesh's order).
    void faceGroup(int f, const ZefObjectSummary& object, bool& materialLines, ZefFace& face) {
        expectLine("a Face line");
        Cursor c{in_.line().c_str()};
        if (intField(c, "Face ") != f) fail("face numbers must count up from 0");
        face.v[0] = vertexIndex(c, ": A: ", object.vertices);
        face.v[2] = vertexIndex(c, " B: ", object.vertices);
        face.v[1] = vertexIndex(c, " C: ", object.vertices);
        face.edges = 0;
        int bit = 0;
        for (const char* edge : {" AB: ", " BC: ", " CA: "}) {
            auto flag = static_cast<unsigned long long>(intField(c, edge));
            if (flag > 1) fail("edge flags must be 0 or 1");
            face.edges |= uint32_t(flag) << bit++;
        }
        endOfLine(c);
        if (object.normals) {
            expectLine("a Normal line");
            c = {in_.line().c_str()};
            realField(c, "Normal: X: ", keep(face.normal.x));
            realField(c, " Y: ", keep(face.normal.y)), realField(c, " Z: ", keep(face.normal.z));
            endOfLine(c);
        }
        expectLine("a Smoothing line");
        c = {in_.line().c_str()};
        long long word = intField(c, "Smoothing: ");
        if (word < 0 || word > 0xFFFFFFFFll) fail("smoothing word out of range");
        face.smoothing = uint32_t(word);
        endOfLine(c);
        if (object.texVertices > 0) {
            expectLine("a TVFace line");
            c = {in_.line().c_str()};
            if (intField(c, "TVFace ") != f) fail("TVFace number must equal the face number");
            face.t[0] = vertexIndex(c, ": TA: ", object.texVertices);
            face.t[2] = vertexIndex(c, " TB: ", object.texVertices);
            face.t[1] = vertexIndex(c, " TC: ", object.texVertices);
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
            face.material = int(id);
            endOfLine(c);
        }
    }

  private:
    // Where a value goes: into the kept contents, or nowhere.
    template <class T> T* keep(T& field) { return keep_ ? &field : nullptr; }

    LineReader& in_;
    ZefObject* keep_;
    ZefMaterialRecord record_; // scratch when nothing is kept
    ZefFace face_;
    Point3 point_;
};
} // namespace

namespace {
// Checks the whole stream; with contents set, keeps every object's values there.
bool readZef(std::istream& stream, const std::string& name, ZefSummary& summary,
             std::vector<ZefObject>* contents, FileError& error) {
    LineReader in(stream, name);
    try {
        ZefChecker head(in, nullptr);
        head.exactLine("ZEF File 1.0");
        head.expectLine("the NumObjects line");
        Cursor c{in.line().c_str()};
        long long count = head.intField(c, "NumObjects: ");
        head.endOfLine(c);
        if (count < 1) head.fail("NumObjects must be at least 1");
        summary = ZefSummary();
        if (contents) contents->clear();
        for (int i = 0; i < count; ++i) {
            ZefObjectSummary object;
            ZefChecker check(in, contents ? &contents->emplace_back() : nullptr);
            check.objectBlock(i, object);
            summary.vertices += object.vertices;
            summary.faces += object.faces;
            summary.materials += object.materials;
            summary.objects.push_back(object);
        }
        if (in.next()) head.fail("text after the last object");
    } catch (const FileError& failure) {
        error = failure;
        return false;
    }
    return true;
}
} // namespace

bool readZefFile(const std::string& path, ZefSummary& summary, FileError& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        error = FileError(path, 0, "cannot open");
        return false;
    }
    return readZef(file, path, summary, nullptr, error);
}

bool readZefStream(std::istream& in, const std::string& name, ZefSummary& summary,
                   FileError& error) {
    return readZef(in, name, summary, nullptr, error);
}

bool readZefText(const std::string& text, const std::string& name, ZefSummary& summary,
                 FileError& error) {
    std::istringstream in(text);
    return readZef(in, name, summary, nullptr, error);
}

bool readZefContents(const std::string& path, std::vector<ZefObject>& objects, FileError& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        error = FileError(path, 0, "cannot open");
        return false;
    }
    ZefSummary summary;
    return readZef(file, path, summary, &objects, error);
}
