// Pictures inside the test process: how often picture files are read, how
// little of the window a change redraws, and the window caption. The script
// runs statement by statement up to marker words, so the engine's state can
// be examined and changed in between.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "PngWriter.h"
#include "TestSupport.h"
#include "archive/DirectReader.h"
#include "engine/Velmora.h"
#include "graphics/PictureSurface.h"

namespace velmora {
namespace {

using test::encodePng;
using test::pixelsOf;
using test::Rgba;
using test::runTrappingExit;
using test::ScratchDir;

// A reader of loose files that counts the reads of each name.
class CountingReader : public DirectReader {
  public:
    using DirectReader::DirectReader;
    int32_t readFile(const std::string& name, uint8_t* buffer, size_t capacity,
                     ArchiveLocation* location = nullptr) override {
        ++reads[name];
        return DirectReader::readFile(name, buffer, capacity, location);
    }
    std::map<std::string, int> reads;
};

class PictureEngineTest : public testing::Test {
  protected:
    // Loads `text` as the script, enters the define section and reads
    // pictures from the scratch directory through a counting reader.
    void start(const std::string& text) {
        engine->script.loadFromMemory(text.data(), text.size());
        engine->font_file = test::TEST_FONT_PATH;
        ASSERT_EQ(engine->initialise(), 0);
        auto counting = std::make_unique<CountingReader>(dir.path().string() + "/");
        reader = counting.get();
        engine->script.reader = std::move(counting);
    }

    // The engine is a process-wide user of the media layer: shut it down
    // after the engine's own surfaces are gone, as the quit sequence does.
    void TearDown() override {
        engine.reset();
        Velmora::shutdownMediaLayer();
    }

    // Runs statements until the bare word `marker`, which is passed over.
    void runTo(const char* marker) {
        bool ran_out = false;
        auto result = runTrappingExit([&] {
            while (std::strcmp(engine->script.token_buffer.data(), marker) != 0) {
                if (engine->script.token_buffer[0] == '\0' &&
                    engine->script.read_position >= engine->script.bufferEnd()) {
                    ran_out = true;
                    return;
                }
                engine->Parseline();
                engine->fetchToken();
            }
            engine->fetchToken();
        });
        ASSERT_FALSE(ran_out) << marker;
        ASSERT_FALSE(result.exited()) << result.stderr_text;
        errors += result.stderr_text;
    }

    uint32_t windowPixel(int x, int y) {
        SDL_Surface* window = engine->screen.screen_surface;
        SurfaceLock lock(window);
        return pixelRow(window, y)[x] & 0x00ffffffu;
    }
    void setWindowPixel(int x, int y, uint32_t colour) {
        SDL_Surface* window = engine->screen.screen_surface;
        SurfaceLock lock(window);
        pixelRow(window, y)[x] = colour;
    }

    int reads(const std::string& name) {
        auto found = reader->reads.find(name);
        return found == reader->reads.end() ? 0 : found->second;
    }

    ScratchDir dir;
    std::unique_ptr<Velmora> engine = std::make_unique<Velmora>();
    CountingReader* reader = nullptr;
    std::string errors;
};

TEST_F(PictureEngineTest, ASpriteReadsItsPictureAgainOnlyForAnotherTagOrMask) {
    dir.write(
        "a.png",
        encodePng(
            4, 4, pixelsOf(4, 4, [](int x, int y) {
                return Rgba{static_cast<uint8_t>(x * 60), static_cast<uint8_t>(y * 60), 9, 255};
            })));
    const std::string mask = encodePng(2, 2, std::vector<Rgba>(4, Rgba{0, 0, 0, 255}), false);
    dir.write("m1.png", mask);
    dir.write("m2.png", mask);
    start("*define\n"
          "lsp 1,\":c;a.png\",0,0\nlsp 1,\":c;a.png\",10,0\nonce\n"
          "lsp 2,\":c;a.png\",20,0\nshared\n"
          "lsp 3,\":l;a.png\",30,0\nkeyed\n"
          "lsp 4,\":mm1.png;a.png\",40,0\nlsp 4,\":mm1.png;a.png\",50,0\nmasked\n"
          "lsp 4,\":mm2.png;a.png\",50,0\nremasked\n");

    runTo("once");
    EXPECT_EQ(reads("a.png"), 1);
    EXPECT_EQ(engine->screen.sprites[1].screen_rect.x, 10);
    ASSERT_NE(engine->screen.sprites[1].surface, nullptr);

    // Another sprite naming the same picture reads the file as it is now.
    runTo("shared");
    EXPECT_EQ(reads("a.png"), 2);
    ASSERT_NE(engine->screen.sprites[2].surface, nullptr);
    EXPECT_NE(engine->screen.sprites[2].surface, engine->screen.sprites[1].surface);

    runTo("keyed");
    EXPECT_EQ(reads("a.png"), 3);

    runTo("masked");
    EXPECT_EQ(reads("a.png"), 4);
    EXPECT_EQ(reads("m1.png"), 1);
    EXPECT_EQ(engine->screen.sprites[4].screen_rect.x, 50);

    runTo("remasked");
    EXPECT_EQ(reads("a.png"), 5);
    EXPECT_EQ(reads("m1.png"), 1);
    EXPECT_EQ(reads("m2.png"), 1);
    EXPECT_EQ(errors, "");
}

TEST_F(PictureEngineTest, PrintRedrawsOnlyTheDamagedRectangle) {
    start("*define\n"
          "bg #204080,1\nlsp 1,\":c;>10,10,#ff0000\",100,100\nprint 1\nshown\n"
          "lsp 1,\":c;>10,10,#00ff00\",100,100\nprint 1\nchanged\n"
          "bg #000000,1\nrepainted\n");
    runTo("shown");
    EXPECT_EQ(windowPixel(105, 105), 0xff0000u);
    EXPECT_EQ(windowPixel(300, 300), 0x204080u);

    // Marks written straight into the window: one outside the sprite, one inside.
    setWindowPixel(300, 300, 0x123456u);
    setWindowPixel(111, 105, 0x123456u);
    setWindowPixel(105, 105, 0x654321u);
    runTo("changed");
    EXPECT_EQ(windowPixel(300, 300), 0x123456u);
    EXPECT_EQ(windowPixel(111, 105), 0x123456u);
    EXPECT_EQ(windowPixel(105, 105), 0x00ff00u);
    EXPECT_EQ(windowPixel(100, 100), 0x00ff00u);
    EXPECT_EQ(windowPixel(109, 109), 0x00ff00u);

    // A new background damages the whole screen.
    runTo("repainted");
    EXPECT_EQ(windowPixel(300, 300), 0u);
    EXPECT_EQ(windowPixel(111, 105), 0u);
    EXPECT_EQ(errors, "");
}

TEST_F(PictureEngineTest, CaptionBecomesTheUtf8WindowTitle) {
    // ASCII, then hiragana A (0x82a0), then half-width katakana A (0xb1).
    start("*define\ncaption \"Go \x82\xa0\xb1!\"\ncaptioned\n");
    char* title = nullptr;
    char* icon = nullptr;
    SDL_WM_GetCaption(&title, &icon);
    ASSERT_NE(title, nullptr);
    EXPECT_STREQ(title, "Velmora");

    runTo("captioned");
    const std::string expected = "Go \xe3\x81\x82\xef\xbd\xb1!";
    EXPECT_EQ(engine->window_title, expected);
    EXPECT_EQ(engine->window_icon_title, expected);
    SDL_WM_GetCaption(&title, &icon);
    ASSERT_NE(title, nullptr);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(std::string(title), expected);
    EXPECT_EQ(std::string(icon), expected);
}

} // namespace
} // namespace velmora
