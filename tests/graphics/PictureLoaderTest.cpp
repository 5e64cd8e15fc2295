#include "graphics/PictureLoader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "archive/DirectReader.h"
#include "graphics/PictureFixtures.h"

namespace velmora {
namespace {

using test::argb;
using test::pixelAt;
using test::ScratchDir;
using test::SurfacePtr;

// A reader of loose files that counts how often a file's bytes are read.
class CountingReader : public DirectReader {
  public:
    using DirectReader::DirectReader;
    int32_t readFile(const std::string& name, uint8_t* buffer, size_t capacity,
                     ArchiveLocation* location = nullptr) override {
        ++reads;
        return DirectReader::readFile(name, buffer, capacity, location);
    }
    int reads = 0;
};

void putBigEndian32(std::string& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(value >> shift & 0xff);
}

void putLittleEndian(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xff);
}

uint32_t crc32Of(const std::string& bytes) {
    uint32_t crc = 0xffffffffu;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xffffffffu;
}

uint32_t adler32Of(const std::string& bytes) {
    uint32_t a = 1;
    uint32_t b = 0;
    for (unsigned char byte : bytes) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

void putChunk(std::string& png, const std::string& type, const std::string& data) {
    putBigEndian32(png, static_cast<uint32_t>(data.size()));
    const std::string body = type + data;
    png += body;
    putBigEndian32(png, crc32Of(body));
}

struct Rgba {
    uint8_t r, g, b, a;
};

// An 8-bit RGBA PNG whose pixel data is one stored (uncompressed) deflate block.
std::string makePng(int width, int height, const std::vector<Rgba>& pixels) {
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw += '\0'; // filter type: none
        for (int x = 0; x < width; ++x) {
            const Rgba& p = pixels[static_cast<size_t>(y) * width + x];
            raw += {static_cast<char>(p.r), static_cast<char>(p.g), static_cast<char>(p.b),
                    static_cast<char>(p.a)};
        }
    }
    std::string zlib = {'\x78', '\x01'};
    // Stored blocks hold at most 65535 bytes each; the last one is marked final.
    constexpr size_t BLOCK = 65535;
    for (size_t start = 0; start < raw.size(); start += BLOCK) {
        const size_t length = std::min(BLOCK, raw.size() - start);
        zlib += static_cast<char>(start + length == raw.size() ? 1 : 0);
        putLittleEndian(zlib, static_cast<uint32_t>(length), 2);
        putLittleEndian(zlib, static_cast<uint32_t>(~length), 2);
        zlib += raw.substr(start, length);
    }
    putBigEndian32(zlib, adler32Of(raw));

    std::string header;
    putBigEndian32(header, static_cast<uint32_t>(width));
    putBigEndian32(header, static_cast<uint32_t>(height));
    header += {'\x08', '\x06', '\0', '\0', '\0'}; // 8 bits, RGBA, no interlace

    std::string png = "\x89PNG\r\n\x1a\n";
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", zlib);
    putChunk(png, "IEND", "");
    return png;
}

// An uncompressed bottom-up bitmap: 24-bit when `palette` is empty (pixels
// are B, G, R triples), else 8-bit with `pixels` as palette indices.
std::string makeBmp(int width, int height, const std::vector<uint8_t>& pixels,
                    const std::vector<Rgba>& palette = {}) {
    const int bits = palette.empty() ? 24 : 8;
    const int bytes_per_pixel = bits / 8;
    const int row_size = (width * bytes_per_pixel + 3) / 4 * 4;
    const uint32_t data_offset = 14 + 40 + static_cast<uint32_t>(palette.size()) * 4;
    const uint32_t file_size = data_offset + static_cast<uint32_t>(row_size * height);

    std::string bmp = "BM";
    putLittleEndian(bmp, file_size, 4);
    putLittleEndian(bmp, 0, 4);
    putLittleEndian(bmp, data_offset, 4);
    putLittleEndian(bmp, 40, 4);
    putLittleEndian(bmp, static_cast<uint32_t>(width), 4);
    putLittleEndian(bmp, static_cast<uint32_t>(height), 4);
    putLittleEndian(bmp, 1, 2);
    putLittleEndian(bmp, static_cast<uint32_t>(bits), 2);
    putLittleEndian(bmp, 0, 4); // no compression
    putLittleEndian(bmp, static_cast<uint32_t>(row_size * height), 4);
    putLittleEndian(bmp, 2835, 4);
    putLittleEndian(bmp, 2835, 4);
    putLittleEndian(bmp, static_cast<uint32_t>(palette.size()), 4);
    putLittleEndian(bmp, 0, 4);
    for (const Rgba& colour : palette)
        bmp += {static_cast<char>(colour.b), static_cast<char>(colour.g),
                static_cast<char>(colour.r), '\0'};
    for (int y = height - 1; y >= 0; --y) {
        const size_t start = static_cast<size_t>(y) * width * bytes_per_pixel;
        bmp.append(pixels.begin() + static_cast<std::ptrdiff_t>(start),
                   pixels.begin() + static_cast<std::ptrdiff_t>(start + width * bytes_per_pixel));
        bmp.append(static_cast<size_t>(row_size - width * bytes_per_pixel), '\0');
    }
    return bmp;
}

class PictureLoaderTest : public testing::Test {
  protected:
    std::string directory() const { return dir.path().string() + "/"; }

    // Loads `name` and keeps what was written to standard error.
    LoadedPicture loadCapturing(PictureLoader& loader, const std::string& name) {
        testing::internal::CaptureStderr();
        LoadedPicture picture = loader.loadImageSurface(name);
        errors = testing::internal::GetCapturedStderr();
        return picture;
    }

    ScratchDir dir;
    std::string errors;
};

TEST_F(PictureLoaderTest, PngKeepsItsColoursAndAlphaInArgbOrder) {
    dir.write("face.png", makePng(2, 2,
                                  {{0x11, 0x22, 0x33, 0xff},
                                   {0xff, 0x00, 0x00, 0x80},
                                   {0x00, 0xfe, 0x01, 0x00},
                                   {0x40, 0x50, 0x60, 0x7f}}));
    CountingReader reader(directory());
    PictureLoader loader(reader);
    LoadedPicture picture = loadCapturing(loader, "face.png");
    SurfacePtr surface(picture.surface);
    ASSERT_NE(surface, nullptr) << errors;
    EXPECT_EQ(errors, "");
    EXPECT_TRUE(picture.has_own_alpha);
    EXPECT_EQ(picture.location, ArchiveLocation::Direct);
    EXPECT_EQ(surface->format->Amask, ALPHA_MASK);
    EXPECT_EQ(surface->format->Rmask, RED_MASK);
    ASSERT_EQ(surface->w, 2);
    ASSERT_EQ(surface->h, 2);
    EXPECT_EQ(pixelAt(surface.get(), 0, 0), argb(0xff, 0x11, 0x22, 0x33));
    EXPECT_EQ(pixelAt(surface.get(), 1, 0), argb(0x80, 0xff, 0x00, 0x00));
    EXPECT_EQ(pixelAt(surface.get(), 0, 1), argb(0x00, 0x00, 0xfe, 0x01));
    EXPECT_EQ(pixelAt(surface.get(), 1, 1), argb(0x7f, 0x40, 0x50, 0x60));
}

TEST_F(PictureLoaderTest, TwentyFourBitBitmapBecomesOpaque) {
    // Three columns make rows of 9 bytes, padded to 12 in the file.
    dir.write("wide.bmp", makeBmp(3, 2,
                                  {0x01, 0x02, 0x03, 0xff, 0xff, 0xff, 0x00, 0x00, 0x00, 0x10, 0x20,
                                   0x30, 0x00, 0x00, 0xff, 0x00, 0xff, 0x00}));
    CountingReader reader(directory());
    PictureLoader loader(reader);
    LoadedPicture picture = loadCapturing(loader, "wide.bmp");
    SurfacePtr surface(picture.surface);
    ASSERT_NE(surface, nullptr) << errors;
    EXPECT_FALSE(picture.has_own_alpha);
    ASSERT_EQ(surface->w, 3);
    ASSERT_EQ(surface->h, 2);
    EXPECT_EQ(pixelAt(surface.get(), 0, 0), argb(0xff, 0x03, 0x02, 0x01));
    EXPECT_EQ(pixelAt(surface.get(), 1, 0), argb(0xff, 0xff, 0xff, 0xff));
    EXPECT_EQ(pixelAt(surface.get(), 2, 0), argb(0xff, 0x00, 0x00, 0x00));
    EXPECT_EQ(pixelAt(surface.get(), 0, 1), argb(0xff, 0x30, 0x20, 0x10));
    EXPECT_EQ(pixelAt(surface.get(), 1, 1), argb(0xff, 0xff, 0x00, 0x00));
    EXPECT_EQ(pixelAt(surface.get(), 2, 1), argb(0xff, 0x00, 0xff, 0x00));
}

TEST_F(PictureLoaderTest, PalettedBitmapTakesItsPaletteColours) {
    const std::vector<Rgba> palette = {
        {0x00, 0x00, 0x00, 0}, {0xc0, 0x10, 0x20, 0}, {0x05, 0x06, 0x07, 0}};
    dir.write("cells.bmp", makeBmp(2, 2, {2, 1, 0, 2}, palette));
    CountingReader reader(directory());
    PictureLoader loader(reader);
    LoadedPicture picture = loadCapturing(loader, "cells.bmp");
    SurfacePtr surface(picture.surface);
    ASSERT_NE(surface, nullptr) << errors;
    EXPECT_FALSE(picture.has_own_alpha);
    EXPECT_EQ(pixelAt(surface.get(), 0, 0), argb(0xff, 0x05, 0x06, 0x07));
    EXPECT_EQ(pixelAt(surface.get(), 1, 0), argb(0xff, 0xc0, 0x10, 0x20));
    EXPECT_EQ(pixelAt(surface.get(), 0, 1), argb(0xff, 0x00, 0x00, 0x00));
    EXPECT_EQ(pixelAt(surface.get(), 1, 1), argb(0xff, 0x05, 0x06, 0x07));
}

TEST_F(PictureLoaderTest, DamagedFilesGiveTheMessageAndNoPicture) {
    std::vector<Rgba> pixels(16 * 16, Rgba{1, 2, 3, 4});
    const std::string png = makePng(16, 16, pixels);
    const std::string bmp = makeBmp(4, 4, std::vector<uint8_t>(48, 0x7f));
    dir.write("cut.png", png.substr(0, png.size() / 2));
    dir.write("header.png", png.substr(0, 20));
    dir.write("cut.bmp", bmp.substr(0, bmp.size() - 20));
    dir.write("noise.bmp", std::string("\x13\x37 not a picture at all \xfe\xff", 27));
    CountingReader reader(directory());
    PictureLoader loader(reader);
    for (const std::string name : {"cut.png", "header.png", "cut.bmp", "noise.bmp"}) {
        LoadedPicture picture = loadCapturing(loader, name);
        EXPECT_EQ(picture.surface, nullptr) << name;
        SDL_FreeSurface(picture.surface);
        EXPECT_FALSE(picture.has_own_alpha) << name;
        // The decoder may say what it found wrong first; the last line is ours.
        const std::string message = " *** can't load file [" + name + "] ***\n";
        EXPECT_TRUE(errors.ends_with(message)) << errors;
        EXPECT_EQ(errors.find(message), errors.size() - message.size()) << errors;
    }
}

TEST_F(PictureLoaderTest, PictureTallerThanAnySurfaceIsRefused) {
    const int height = MAX_SURFACE_SIDE + 1;
    dir.write("tall.png", makePng(1, height, std::vector<Rgba>(height, Rgba{1, 2, 3, 4})));
    dir.write("tallest.png",
              makePng(1, MAX_SURFACE_SIDE, std::vector<Rgba>(MAX_SURFACE_SIDE, Rgba{1, 2, 3, 4})));
    CountingReader reader(directory());
    PictureLoader loader(reader);
    LoadedPicture picture = loadCapturing(loader, "tall.png");
    EXPECT_EQ(picture.surface, nullptr);
    SDL_FreeSurface(picture.surface);
    EXPECT_EQ(errors, " *** can't load file [tall.png] ***\n");

    SurfacePtr largest(loadCapturing(loader, "tallest.png").surface);
    ASSERT_NE(largest, nullptr) << errors;
    EXPECT_EQ(largest->h, MAX_SURFACE_SIDE);
    EXPECT_EQ(pixelAt(largest.get(), 0, MAX_SURFACE_SIDE - 1), argb(4, 1, 2, 3));
}

TEST_F(PictureLoaderTest, UndecodableJpgNameIsRetriedAsJpeg) {
    dir.write("photo.jpg", "JFIF? no");
    CountingReader reader(directory());
    PictureLoader loader(reader);
    LoadedPicture picture = loadCapturing(loader, "photo.jpg");
    EXPECT_EQ(picture.surface, nullptr);
    EXPECT_EQ(errors, " *** force-loading a JPG image [photo.jpg]\n"
                      " *** can't load file [photo.jpg] ***\n");
}

TEST_F(PictureLoaderTest, MissingFileIsReportedAsNotFound) {
    CountingReader reader(directory());
    PictureLoader loader(reader);
    LoadedPicture picture = loadCapturing(loader, "absent.bmp");
    EXPECT_EQ(picture.surface, nullptr);
    EXPECT_EQ(errors, " *** can't find file [absent.bmp] ***\n");
    EXPECT_EQ(reader.reads, 0);
}

TEST_F(PictureLoaderTest, EveryLoadReadsTheFileAsItIsNow) {
    dir.write("face.png", makePng(1, 1, {{9, 8, 7, 6}}));
    CountingReader reader(directory());
    PictureLoader loader(reader);
    std::vector<std::string> logged;
    loader.setFileLog([&logged](const std::string& name) { logged.push_back(name); });

    SurfacePtr first(loader.loadImageSurface("face.png").surface);
    dir.write("face.png", makePng(1, 1, {{1, 2, 3, 255}}));
    SurfacePtr second(loader.loadImageSurface("face.png").surface);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(pixelAt(first.get(), 0, 0), argb(6, 9, 8, 7));
    EXPECT_EQ(pixelAt(second.get(), 0, 0), argb(255, 1, 2, 3));
    EXPECT_EQ(reader.reads, 2);
    EXPECT_EQ(logged, (std::vector<std::string>{"face.png", "face.png"}));
}

TEST_F(PictureLoaderTest, ManyReadsOfMixedSizesDecodeEveryFile) {
    // After enough reads the shared buffer outgrows the small files, so both
    // the shared and the one-off buffer are used; each decode must see only
    // its own file's bytes.
    dir.write("small.png", makePng(1, 1, {{10, 20, 30, 40}}));
    dir.write("large.png", makePng(8, 8, std::vector<Rgba>(64, Rgba{50, 60, 70, 80})));
    CountingReader reader(directory());
    PictureLoader loader(reader);
    for (int i = 0; i < 40; ++i) {
        const bool large = i % 3 == 0;
        SurfacePtr surface(loader.readImageFile(large ? "large.png" : "small.png").surface);
        ASSERT_NE(surface, nullptr) << i;
        EXPECT_EQ(surface->w, large ? 8 : 1);
        EXPECT_EQ(pixelAt(surface.get(), surface->w - 1, surface->h - 1),
                  large ? argb(80, 50, 60, 70) : argb(40, 10, 20, 30))
            << i;
    }
    EXPECT_EQ(reader.reads, 40);
}

TEST_F(PictureLoaderTest, EngineLayoutSurfaceIsKeptAsItIs) {
    SDL_Surface* argb_surface = test::makePicture(2, 1, {argb(1, 2, 3, 4), argb(5, 6, 7, 8)});
    ASSERT_NE(argb_surface, nullptr);
    SurfacePtr same(toEngineFormat(argb_surface));
    EXPECT_EQ(same.get(), argb_surface);
    EXPECT_EQ(toEngineFormat(nullptr), nullptr);
}

} // namespace
} // namespace velmora
