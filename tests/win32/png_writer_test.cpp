// The PNG encoder, read back by libpng: pixels, size and the layout note survive, also
// for pictures larger than one stored deflate block.
#include <gtest/gtest.h>

#include <cstdio>

#include "hostkit/ui/png_writer.h"
#include "tests/support/png_read.h"

namespace {

using Decoded = PngPicture;

bool decode(const std::string& path, Decoded& out) {
    return readPng(path, out);
}

RgbImage gradient(int width, int height) {
    RgbImage image;
    image.width = width;
    image.height = height;
    image.pixels.resize(size_t(width) * size_t(height) * 3);
    uint8_t* pixel = image.pixels.data();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x, pixel += 3) {
            pixel[0] = uint8_t(x);
            pixel[1] = uint8_t(y);
            pixel[2] = uint8_t(x ^ y);
        }
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
        EXPECT_TRUE(decoded.rgb == image.pixels);
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
