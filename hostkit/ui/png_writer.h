// A small PNG encoder for pictures of windows: 8-bit RGB, no filtering, the image
// data in stored (uncompressed) deflate blocks. Any PNG reader opens the result.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host/api.h"

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels; // rows top to bottom, 3 bytes (R, G, B) per pixel
    // Text chunks written with the picture (keyword, Latin-1 text), e.g. its layout.
    std::vector<std::pair<std::string, std::string>> notes;
};

// The PNG file for image, as bytes. The image must hold width * height * 3 bytes.
HOSTKIT_API std::vector<uint8_t> encodePng(const RgbImage& image);
// Writes image as a PNG file; false with a message in error when it cannot be written
// or the image is empty or of the wrong size.
HOSTKIT_API bool writePngFile(const std::string& path, const RgbImage& image, std::string& error);
