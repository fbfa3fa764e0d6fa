// Reading back a PNG picture that zefhost wrote: its RGB pixels and the layout text
// it carries (libpng; a test's own reader, so the writer is not checked by itself).
#pragma once

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct PngPicture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb; // row by row, 3 bytes a pixel
    std::string layout;       // the "zefhost layout" text chunk, if any
};

// Reads path into picture; false when it is no PNG libpng can read.
inline bool readPng(const std::string& path, PngPicture& picture) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_read_png(png, info, PNG_TRANSFORM_STRIP_ALPHA, nullptr);
    picture.width = (int)png_get_image_width(png, info);
    picture.height = (int)png_get_image_height(png, info);
    png_bytepp rows = png_get_rows(png, info);
    for (int y = 0; y < picture.height; ++y)
        picture.rgb.insert(picture.rgb.end(), rows[y], rows[y] + picture.width * 3);
    png_textp texts = nullptr;
    int count = 0;
    png_get_text(png, info, &texts, &count);
    for (int i = 0; i < count; ++i)
        if (std::string(texts[i].key) == "zefhost layout") picture.layout = texts[i].text;
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return true;
}
