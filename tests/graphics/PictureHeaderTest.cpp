// The sizes picture headers declare, read without decoding: checked against
// the image library's own decoding where the test can write a whole file, and
// against hand-made headers for the other formats.
#include "graphics/PictureHeader.h"

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PngWriter.h"
#include "persist/BitmapFile.h"

namespace velmora {
namespace {

using test::Rgba;

std::optional<DeclaredSize> sizeOf(const std::string& bytes) {
    return declaredPictureSize(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

bool refused(const std::string& bytes) {
    return refusedBeforeDecoding(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// The size the image library decodes, or -1 x -1.
DeclaredSize decodedSize(const std::string& bytes) {
    SDL_RWops* stream = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    SDL_Surface* surface = stream ? IMG_Load_RW(stream, 1) : nullptr;
    if (!surface) return {-1, -1};
    DeclaredSize size{surface->w, surface->h};
    SDL_FreeSurface(surface);
    return size;
}

std::string bmpOf(int width, int height) {
    const std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, 0xff336699u);
    const std::vector<uint8_t> bytes = encodeBitmap24(pixels.data(), width, height, width);
    return std::string(bytes.begin(), bytes.end());
}

std::string le16(uint32_t v) {
    return std::string{static_cast<char>(v & 0xff), static_cast<char>(v >> 8 & 0xff)};
}

std::string be16(uint32_t v) {
    return std::string{static_cast<char>(v >> 8 & 0xff), static_cast<char>(v & 0xff)};
}

std::string be32(uint32_t v) {
    return be16(v >> 16) + be16(v & 0xffff);
}

// A GIF header with a 4-entry colour table and a comment extension before the
// image descriptor, which alone carries the image's size.
std::string gifHeader(uint32_t w, uint32_t h) {
    std::string gif =
        "GIF89a" + le16(1) + le16(1) + std::string("\x81\x00\x00", 3) + std::string(12, '\x10');
    gif += std::string("\x21\xFE\x03") + "abc" + '\0';
    gif += "\x2C" + le16(0) + le16(0) + le16(w) + le16(h) + '\0' + '\x02';
    return gif;
}

// SOI, an APP0 segment, a quantisation table, then the baseline frame header.
std::string jpegHeader(uint32_t w, uint32_t h) {
    std::string jpeg = "\xFF\xD8";
    jpeg += "\xFF\xE0" + be16(16) + std::string(14, 'j');
    jpeg += "\xFF\xDB" + be16(67) + std::string(65, '\x01');
    jpeg += "\xFF\xC0" + be16(17) + '\x08' + be16(h) + be16(w) + std::string(12, '\x01');
    return jpeg;
}

TEST(PictureHeader, WholeFilesDeclareWhatTheLibraryDecodes) {
    const std::vector<std::string> files = {
        test::encodePng(5, 3, std::vector<Rgba>(15, Rgba{1, 2, 3, 4})),
        bmpOf(7, 2),
        "P6\n# a comment\n4 3\n255\n" + std::string(36, '\x7f'),
        "P2 2\t1 9\n1 2\n",
    };
    for (const std::string& file : files) {
        const std::optional<DeclaredSize> declared = sizeOf(file);
        ASSERT_TRUE(declared) << file.substr(0, 4);
        const DeclaredSize decoded = decodedSize(file);
        EXPECT_EQ(declared->width, decoded.width) << file.substr(0, 4);
        EXPECT_EQ(declared->height, decoded.height) << file.substr(0, 4);
    }
}

TEST(PictureHeader, EachFormatsSizeFieldsAreRead) {
    struct Case {
        std::string bytes;
        int64_t width, height;
    };
    std::string top_down = bmpOf(6, 4);
    top_down.replace(22, 4, std::string("\xFC\xFF\xFF\xFF", 4)); // height -4
    std::string os2 = "BM" + std::string(12, '\0') + std::string("\x0C\0\0\0", 4) + le16(300) +
                      le16(200) + le16(1) + le16(24);
    const std::vector<Case> cases = {
        {top_down, 6, 4},
        {os2, 300, 200},
        {gifHeader(320, 240), 320, 240},
        {jpegHeader(1024, 768), 1024, 768},
        {std::string("\x0A\x05\x01\x08", 4) + le16(10) + le16(20) + le16(109) + le16(69), 100, 50},
        {"FORM" + be32(100) + "ILBMBMHD" + be32(20) + be16(320) + be16(200), 320, 200},
        {"RIFF" + std::string(4, '\0') + "WEBPVP8X" + std::string(8, '\0') +
             std::string("\x3F\x01\x00\xDF\x00\x00", 6),
         320, 224},
        {"RIFF" + std::string(4, '\0') + "WEBPVP8L" + std::string(4, '\0') + "\x2F" +
             // 14 bits of width - 1 (99), then 14 bits of height - 1 (49).
             std::string("\x63\x40\x0C\x00", 4),
         100, 50},
    };
    for (const Case& c : cases) {
        const std::optional<DeclaredSize> declared = sizeOf(c.bytes);
        ASSERT_TRUE(declared) << c.bytes.substr(0, 4);
        EXPECT_EQ(declared->width, c.width) << c.bytes.substr(0, 4);
        EXPECT_EQ(declared->height, c.height) << c.bytes.substr(0, 4);
    }
}

TEST(PictureHeader, CutHeadersAndOtherFilesDeclareNothing) {
    // Every prefix shorter than the size fields: nothing, and never a read
    // past the end (the sanitizer build checks that).
    const std::vector<std::pair<std::string, size_t>> headers = {
        {test::encodePng(5, 3, std::vector<Rgba>(15, Rgba{})), 24},
        {bmpOf(7, 2), 26},
        {gifHeader(9, 9), 36},
        {jpegHeader(9, 9), 98},
    };
    for (const auto& [bytes, needed] : headers)
        for (size_t n = 0; n < needed; ++n) {
            const std::string cut = bytes.substr(0, n);
            std::vector<uint8_t> exact(cut.begin(), cut.end());
            EXPECT_FALSE(declaredPictureSize(exact.data(), exact.size()))
                << bytes.substr(0, 4) << " cut to " << n;
        }
    EXPECT_FALSE(sizeOf("P6 12"));
    EXPECT_FALSE(sizeOf("just some text"));
    EXPECT_FALSE(sizeOf(""));
}

TEST(PictureHeader, GifsWhoseFirstImageIsUnreachableOrEmptyAreRefused) {
    // The comment block claims 200 bytes and the file ends first: the image
    // library's extension reader would wait for the rest forever.
    EXPECT_TRUE(refused("GIF89a" + le16(1) + le16(1) + std::string(3, '\0') +
                        std::string("!\xFE\xC8") + "abc"));
    EXPECT_TRUE(refused("GIF89a" + le16(1) + le16(1) + std::string(3, '\0') + ";"));
    // A graphic control extension's first block is taken whatever its length:
    // after an empty one the decoder reads the ',' as a block length and runs
    // off the end; after a full one it finds the image.
    const std::string start = "GIF89a" + le16(16) + le16(16) + std::string(3, '\0');
    const std::string image = "," + le16(0) + le16(0) + le16(16) + le16(16) + '\0' + '\x02';
    EXPECT_TRUE(
        refused(start + std::string("!\xF9\0", 3) + image + std::string("\x07\x02") + "ab"));
    EXPECT_FALSE(refused(start + std::string("!\xF9\x04\x01\0\0\x05\0", 8) + image));
    EXPECT_TRUE(refused(gifHeader(0, 1))) << "an empty first image";
    // LZW code sizes the decoder's tables cannot take; 8 is the largest in use.
    std::string wide_codes = gifHeader(16, 16);
    wide_codes.back() = '\x65';
    EXPECT_TRUE(refused(wide_codes));
    wide_codes.back() = '\x0C';
    EXPECT_TRUE(refused(wide_codes));
    wide_codes.back() = '\x08';
    EXPECT_FALSE(refused(wide_codes));
    EXPECT_TRUE(refused(gifHeader(7, 0)));
    EXPECT_FALSE(refused(gifHeader(16, 16)));
    EXPECT_FALSE(refused("not a picture at all"));
}

TEST(PictureHeader, PicturesBeyondTheSurfaceLimitsAreRefused) {
    // The 17 bytes that made the image library fill two gigabytes.
    EXPECT_TRUE(refused("P3 16316\n43161\n255\n"));
    // The decoder takes the first byte after the blanks as a digit, whatever
    // it is: 0xD3 counts as 163, so this declares 16316 x 17116.
    EXPECT_TRUE(refused("P3\xD3"
                        "16 \n\xDB"
                        "16\n["));
    // Its 32-bit sums wrap: '!' counts as -15, and the zeros that follow wrap
    // it round to 50005.
    EXPECT_TRUE(refused("P34444\v!" + std::string(29, '0') + "50005\n"));
    EXPECT_TRUE(refused(jpegHeader(16385, 1)));
    EXPECT_TRUE(refused(gifHeader(8000, 8000)));
    // The decoder passes over stray bytes before the first image; so does the reader.
    const std::string stray = "GIF89a" + std::string("\x00\x00WEB", 5) + "RVP8X";
    const std::optional<DeclaredSize> behind_stray_bytes =
        sizeOf(stray + "\x2C" + std::string(4, '\0') + std::string("\xFF\xFF\x01\x00", 4) +
               std::string("\0\x02", 2));
    ASSERT_TRUE(behind_stray_bytes);
    EXPECT_EQ(behind_stray_bytes->width, 65535);
    EXPECT_TRUE(refused(stray + "\x2C" + std::string(4, '\0') + std::string("\xFF\xFF\x01\x00", 4) +
                        std::string("\0\x02", 2)));
    EXPECT_TRUE(refused("P6 99999999999999999999 1\n"));
    EXPECT_FALSE(refused(jpegHeader(16384, 2048)));
    EXPECT_FALSE(refused(gifHeader(5000, 5000)));
    EXPECT_FALSE(refused("no header"));
    // GIMP's working files are refused whatever they declare: 21 bytes of one
    // kept the image library reading forever.
    EXPECT_TRUE(refused("gimp xcf v001" + std::string(1, '\0') + be32(64) + be32(48)));
}

} // namespace
} // namespace velmora
