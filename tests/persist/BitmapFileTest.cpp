// The 24-bit bitmap writer: header fields, row order and padding, and the
// pixel bytes as an independent reader sees them.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "persist/BitmapFile.h"

namespace velmora {
namespace {

using test::ScratchDir;

uint32_t le16(const std::vector<uint8_t>& bytes, size_t at) {
    return bytes[at] | bytes[at + 1] << 8;
}

uint32_t le32(const std::vector<uint8_t>& bytes, size_t at) {
    return le16(bytes, at) | le16(bytes, at + 2) << 16;
}

// A width x height picture whose pixel (x, y) has red 10 x + 1, green 20 y + 2,
// blue x + y + 3 and an alpha that the file must drop.
std::vector<uint32_t> numbered(int width, int height, int pitch) {
    std::vector<uint32_t> pixels(static_cast<size_t>(pitch) * height, 0xdeadbeef);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[static_cast<size_t>(y) * pitch + x] =
                0x7f000000u | static_cast<uint32_t>(10 * x + 1) << 16 |
                static_cast<uint32_t>(20 * y + 2) << 8 | static_cast<uint32_t>(x + y + 3);
    return pixels;
}

TEST(BitmapFile, HeaderDescribesAnUncompressedBottomUpPicture) {
    const std::vector<uint32_t> pixels = numbered(3, 2, 3);
    const std::vector<uint8_t> bytes = encodeBitmap24(pixels.data(), 3, 2, 3);
    ASSERT_EQ(bytes.size(), 54u + 2 * 12);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(le32(bytes, 2), bytes.size());
    EXPECT_EQ(le32(bytes, 6), 0u);   // reserved
    EXPECT_EQ(le32(bytes, 10), 54u); // pixel data offset
    EXPECT_EQ(le32(bytes, 14), 40u); // information header size
    EXPECT_EQ(le32(bytes, 18), 3u);
    EXPECT_EQ(le32(bytes, 22), 2u); // positive: rows run bottom-up
    EXPECT_EQ(le16(bytes, 26), 1u);
    EXPECT_EQ(le16(bytes, 28), 24u);
    EXPECT_EQ(le32(bytes, 30), 0u); // no compression
    EXPECT_EQ(le32(bytes, 34), 24u);
    EXPECT_EQ(le32(bytes, 46), 0u); // no palette
}

TEST(BitmapFile, RowsArePaddedToFourBytes) {
    // Widths 1 to 5 take 3, 6, 9, 12 and 15 bytes of pixels per row.
    const size_t expected_row[] = {4, 8, 12, 12, 16};
    for (int width = 1; width <= 5; ++width) {
        const std::vector<uint32_t> pixels(static_cast<size_t>(width) * 3, 0xffffffffu);
        const std::vector<uint8_t> bytes = encodeBitmap24(pixels.data(), width, 3, width);
        const size_t row = expected_row[width - 1];
        ASSERT_EQ(bytes.size(), 54 + 3 * row) << "width " << width;
        EXPECT_EQ(le32(bytes, 34), 3 * row) << "width " << width;
        for (int y = 0; y < 3; ++y)
            for (size_t i = 0; i < row; ++i)
                EXPECT_EQ(bytes[54 + y * row + i], i < 3u * width ? 0xff : 0)
                    << "width " << width << " row " << y << " byte " << i;
    }
}

TEST(BitmapFile, PixelsAreBlueGreenRedFromTheBottomRow) {
    const std::vector<uint32_t> pixels = numbered(3, 2, 3);
    const std::vector<uint8_t> bytes = encodeBitmap24(pixels.data(), 3, 2, 3);
    ASSERT_EQ(bytes.size(), 78u);
    // The file's first row is the picture's bottom row (y = 1).
    const std::vector<uint8_t> bottom(bytes.begin() + 54, bytes.begin() + 66);
    EXPECT_EQ(bottom, (std::vector<uint8_t>{4, 22, 1, 5, 22, 11, 6, 22, 21, 0, 0, 0}));
    const std::vector<uint8_t> top(bytes.begin() + 66, bytes.end());
    EXPECT_EQ(top, (std::vector<uint8_t>{3, 2, 1, 4, 2, 11, 5, 2, 21, 0, 0, 0}));
}

// Loads the bytes with the media layer's own bitmap reader and compares
// every pixel with the source picture.
void expectReadsBack(const std::vector<uint8_t>& bytes, const std::vector<uint32_t>& pixels,
                     int width, int height, int pitch) {
    SDL_RWops* stream = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    ASSERT_NE(stream, nullptr);
    SDL_Surface* loaded = SDL_LoadBMP_RW(stream, 1);
    ASSERT_NE(loaded, nullptr) << SDL_GetError();
    ASSERT_EQ(loaded->w, width);
    ASSERT_EQ(loaded->h, height);
    const int bytes_per_pixel = loaded->format->BytesPerPixel;
    ASSERT_GE(bytes_per_pixel, 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = static_cast<const uint8_t*>(loaded->pixels) + y * loaded->pitch +
                               bytes_per_pixel * x;
            uint32_t value = 0;
            for (int i = bytes_per_pixel - 1; i >= 0; --i) value = value << 8 | p[i];
            Uint8 r = 0, g = 0, b = 0;
            SDL_GetRGB(value, loaded->format, &r, &g, &b);
            const uint32_t source = pixels[static_cast<size_t>(y) * pitch + x];
            EXPECT_EQ(r, source >> 16 & 255) << x << ", " << y;
            EXPECT_EQ(g, source >> 8 & 255) << x << ", " << y;
            EXPECT_EQ(b, source & 255) << x << ", " << y;
        }
    SDL_FreeSurface(loaded);
}

TEST(BitmapFile, MediaLayerReadsThePictureBack) {
    for (int width : {3, 4, 5}) {
        SCOPED_TRACE(width);
        const std::vector<uint32_t> pixels = numbered(width, 3, width);
        expectReadsBack(encodeBitmap24(pixels.data(), width, 3, width), pixels, width, 3, width);
    }
}

TEST(BitmapFile, RowsAreTakenPitchPixelsApart) {
    const std::vector<uint32_t> pixels = numbered(5, 4, 8);
    const std::vector<uint8_t> bytes = encodeBitmap24(pixels.data(), 5, 4, 8);
    ASSERT_EQ(bytes.size(), 54u + 4 * 16);
    expectReadsBack(bytes, pixels, 5, 4, 8);
}

TEST(BitmapFile, EmptyPicturesAreRefused) {
    const std::vector<uint32_t> pixels(16, 0);
    EXPECT_TRUE(encodeBitmap24(pixels.data(), 0, 2, 4).empty());
    EXPECT_TRUE(encodeBitmap24(pixels.data(), 2, 0, 4).empty());
    EXPECT_TRUE(encodeBitmap24(pixels.data(), -2, 2, 4).empty());
    EXPECT_TRUE(encodeBitmap24(pixels.data(), 2, -2, 4).empty());
    EXPECT_TRUE(encodeBitmap24(pixels.data(), 4, 2, 3).empty()); // rows overlap

    ScratchDir dir;
    const std::string path = (dir.path() / "empty.bmp").string();
    EXPECT_FALSE(writeBitmap24(path, pixels.data(), 0, 2, 4));
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(BitmapFile, WriteReplacesTheFileWithTheEncodedBytes) {
    ScratchDir dir;
    dir.write("shot.bmp", std::string(500, 'x'));
    const std::string path = (dir.path() / "shot.bmp").string();
    const std::vector<uint32_t> pixels = numbered(3, 2, 3);
    ASSERT_TRUE(writeBitmap24(path, pixels.data(), 3, 2, 3));
    const std::vector<uint8_t> expected = encodeBitmap24(pixels.data(), 3, 2, 3);
    const std::string written = dir.read("shot.bmp");
    EXPECT_EQ(written, std::string(expected.begin(), expected.end()));

    EXPECT_FALSE(
        writeBitmap24((dir.path() / "missing" / "shot.bmp").string(), pixels.data(), 3, 2, 3));
}

} // namespace
} // namespace velmora
