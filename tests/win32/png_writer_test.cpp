// The PNG encoder, read back by libpng: pixels, size and the layout note survive, also
// for pictures larger than one stored deflate block.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>

#include "hostkit/ui/png_writer.h"

namespace {

struct Decoded {
    int width = 0, height = 0;
    std::vector<uint8_t> pixels;
    std::string layout;
};

bool decode(const std::string& path, Decoded& out) {
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
    png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    out.width = (int)png_get_image_width(png, info);
    out.height = (int)png_get_image_height(png, info);
    png_bytepp rows = png_get_rows(png, info);
    for (int y = 0; y < out.height; ++y)
        out.pixels.insert(out.pixels.end(), rows[y], rows[y] + out.width * 3);
    png_textp texts = nullptr;
    int count = 0;
    png_get_text(png, info, &texts, &count);
    for (int i = 0; i < count; ++i)
        if (std::string(texts[i].key) == "zefhost layout") out.layout = texts[i].text;
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return true;
}

RgbImage gradient(int width, int height) {
    RgbImage image;
    image.width = width;
    image.height = height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.pixels.insert(image.pixels.end(), {(uint8_t)x, (uint8_t)y, (uint8_t)(x ^ y)});
    return image;
}

} // namespace

TEST(PngWriter, LibpngReadsBackPixelsAndLayout) {
    for (auto [width, height] : {std::pair{3, 2}, std::pair{400, 300}}) { // 300 rows: 6 blocks
        RgbImage image = gradient(width, height);
        image.notes.push_back({"zefhost layout", "window 3 2\n"});
        std::string path = testing::TempDir() + "/png_writer_test.png", error;
        ASSERT_TRUE(writePngFile(path, image, error)) << error;
        Decoded decoded;
        ASSERT_TRUE(decode(path, decoded)) << "libpng rejects the file";
        EXPECT_EQ(decoded.width, width);
        EXPECT_EQ(decoded.height, height);
        EXPECT_TRUE(decoded.pixels == image.pixels);
        EXPECT_EQ(decoded.layout, "window 3 2\n");
        std::remove(path.c_str());
    }
}

TEST(PngWriter, RefusesAnImageOfTheWrongSize) {
    RgbImage image = gradient(4, 4);
    image.pixels.pop_back();
    std::string error;
    EXPECT_FALSE(writePngFile(testing::TempDir() + "/bad.png", image, error));
    EXPECT_NE(error.find("wrong size"), std::string::npos);
    EXPECT_FALSE(writePngFile("/no/such/folder/x.png", gradient(2, 2), error));
    EXPECT_EQ(error, "cannot write /no/such/folder/x.png");
}
