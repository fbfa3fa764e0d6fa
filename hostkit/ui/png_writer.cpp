// PNG encoding: signature, IHDR, one IDAT holding a zlib stream of stored blocks, IEND.
#include "hostkit/ui/png_writer.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>

namespace {

constexpr size_t kMaxStoredBlock = 65535;

const std::array<uint32_t, 256>& crcTable() {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table;
}

uint32_t crc32(const uint8_t* data, size_t size) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) c = crcTable()[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

uint32_t adler32(const std::vector<uint8_t>& data) {
    uint32_t a = 1, b = 0;
    for (uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void putBigEndian(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back((uint8_t)(value >> shift));
}

void putChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
    putBigEndian(out, (uint32_t)data.size());
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    putBigEndian(out, crc32(out.data() + start, out.size() - start));
}

// The rows, each behind filter byte 0 (none).
std::vector<uint8_t> scanlines(const RgbImage& image) {
    std::vector<uint8_t> raw;
    size_t rowBytes = (size_t)image.width * 3;
    raw.reserve((rowBytes + 1) * (size_t)image.height);
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);
        auto row = image.pixels.begin() + (std::ptrdiff_t)(rowBytes * (size_t)y);
        raw.insert(raw.end(), row, row + (std::ptrdiff_t)rowBytes);
    }
    return raw;
}

// A zlib stream of stored deflate blocks.
std::vector<uint8_t> zlibStored(const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> z = {0x78, 0x01}; // deflate, 32K window, no dictionary
    size_t at = 0;
    do {
        size_t size = std::min(kMaxStoredBlock, raw.size() - at);
        bool last = at + size == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back((uint8_t)(size & 0xFF));
        z.push_back((uint8_t)(size >> 8));
        z.push_back((uint8_t)(~size & 0xFF));
        z.push_back((uint8_t)((~size >> 8) & 0xFF));
        z.insert(z.end(), raw.begin() + (std::ptrdiff_t)at,
                 raw.begin() + (std::ptrdiff_t)(at + size));
        at += size;
    } while (at < raw.size());
    putBigEndian(z, adler32(raw));
    return z;
}

} // namespace

std::vector<uint8_t> encodePng(const RgbImage& image) {
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    putBigEndian(header, (uint32_t)image.width);
    putBigEndian(header, (uint32_t)image.height);
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8 bits, RGB, deflate, no filter, no interlace
    putChunk(png, "IHDR", header);
    for (const auto& [keyword, text] : image.notes) {
        std::vector<uint8_t> note(keyword.begin(), keyword.end());
        note.push_back(0);
        note.insert(note.end(), text.begin(), text.end());
        putChunk(png, "tEXt", note);
    }
    putChunk(png, "IDAT", zlibStored(scanlines(image)));
    putChunk(png, "IEND", {});
    return png;
}

bool writePngFile(const std::string& path, const RgbImage& image, std::string& error) {
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != (size_t)image.width * (size_t)image.height * 3) {
        error = "the picture for " + path + " is empty or of the wrong size";
        return false;
    }
    std::vector<uint8_t> png = encodePng(image);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "cannot write " + path;
        return false;
    }
    bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
    written = std::fclose(file) == 0 && written;
    if (!written) {
        error = "cannot write " + path;
        std::remove(path.c_str());
    }
    return written;
}
