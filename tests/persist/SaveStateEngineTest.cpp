// A game's state captured inside a gosub and a for loop, written and parsed
// as a save file, applied to a fresh engine over the same script: the fresh
// engine holds the same state and finishes the loop and the return. Saves
// whose positions do not fit the script are refused with the engine unchanged.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "PngWriter.h"
#include "TestSupport.h"
#include "archive/DirectReader.h"
#include "engine/Velmora.h"

namespace velmora {
namespace {

using test::runTrappingExit;
using test::ScratchDir;

constexpr const char* GAME = ";$V100G50\n"
                             "*define\n"
                             "dim ?3[2]\n"
                             "game\n"
                             "*start\n"
                             "begin\n"
                             "mov %1,5:mov $2,\"saved\":mov ?3[1],7\n"
                             "lsp 5,\":c;a.png\",10,20:vsp 5,0\n"
                             "bar 2,0,5,6,100,8,10,#ff0000\n"
                             "bar 4,2000000000,5,6,2000000000,8,1,#00ff00\n"
                             "prnum 1,42,0,0,16,16,#ffffff\n"
                             "gosub *sub\n"
                             "done\n"
                             "*sub\n"
                             "for %7=1 to 3\n"
                             "inc %10:mov %9,2:here\n"
                             "next\n"
                             "return\n";
constexpr int32_t BEGIN_LINE = 5;
constexpr int32_t HERE_LINE = 15;

class SaveStateEngineTest : public testing::Test {
  protected:
    void start() {
        engine = std::make_unique<Velmora>();
        engine->script.loadFromMemory(GAME, std::strlen(GAME));
        engine->font_file = test::TEST_FONT_PATH;
        ASSERT_EQ(engine->initialise(), 0);
        engine->script.reader = std::make_unique<DirectReader>(dir.path().string() + "/");
    }

    void TearDown() override {
        engine.reset();
        Velmora::shutdownMediaLayer();
    }

    // Runs statements, counting lines as the execution loop does, until the
    // bare word `marker`, which is left as the current token.
    void runTo(const char* marker) {
        auto result = runTrappingExit([&] {
            while (std::strcmp(engine->script.token_buffer.data(), marker) != 0) {
                ASSERT_LT(engine->script.read_position, engine->script.bufferEnd()) << marker;
                const int32_t code = engine->Parseline();
                if (code & (RESULT_DROP_LINE | RESULT_LINE_DONE)) {
                    if (code & RESULT_DROP_LINE) engine->script.advanceLines(1);
                    ++engine->current_line;
                }
                engine->fetchToken();
            }
        });
        ASSERT_FALSE(result.exited()) << result.stderr_text;
    }

    ScratchDir dir;
    std::unique_ptr<Velmora> engine;
};

TEST_F(SaveStateEngineTest, AFreshEngineResumesTheSavedGameInsideItsLoop) {
    dir.write("a.png", test::encodePng(4, 4, std::vector<test::Rgba>(16, {9, 8, 7, 255})));
    start();
    runTo("here");
    SoundRecord& record = engine->sound.record;
    record.music_name = "theme.ogg";
    record.music_save = record.music_loop = true;
    record.midi_name = "tune.mid";
    record.midi_loop = true;
    record.cd_track = SoundRecord::CD_MIDI;
    record.loopbgm_names = {"intro.wav", "loop.wav"};
    const SaveState saved = engine->captureSaveState();
    EXPECT_EQ(saved.line, HERE_LINE);
    EXPECT_EQ(saved.colon_count, 2);
    ASSERT_EQ(saved.frames.size(), 2u);
    EXPECT_EQ(saved.frames[1].kind, FrameKind::For);
    EXPECT_TRUE(saved.bar_images[2].has_value()); // a bar showing 0 is still a bar
    const std::vector<uint8_t> file = serialiseSave(saved);

    TearDown();
    start();
    runTo("begin");
    SaveState parsed;
    std::string error;
    ASSERT_EQ(parseSave(file.data(), file.size(), engine->saveLayout(), parsed, error),
              SaveParse::Parsed)
        << error;
    ASSERT_TRUE(engine->applySaveState(parsed));
    EXPECT_EQ(engine->captureSaveState(), saved);
    EXPECT_NE(engine->screen.sprites[5].surface, nullptr);
    EXPECT_EQ(engine->screen.bar_images[4]->script_rect.w, 65535);

    engine->fetchToken();
    EXPECT_STREQ(engine->script.token_buffer.data(), "here");
    runTo("done");
    EXPECT_EQ(engine->script.variableSlot(10).value, 3); // one pass saved, two after the load
    EXPECT_EQ(engine->script.variableSlot(7).value, 4);
    EXPECT_EQ(engine->call_stack.depth(), 0u);
}

TEST_F(SaveStateEngineTest, ASaveThatDoesNotFitTheScriptChangesNothing) {
    start();
    runTo("here");
    const SaveState good = engine->captureSaveState();
    const int32_t length = static_cast<int32_t>(engine->script.scriptLength());
    const struct {
        const char* name;
        void (*spoil)(SaveState&, int32_t length);
    } cases[] = {
        {"frame beyond the script", [](SaveState& s, int32_t n) { s.frames[0].address = n + 1; }},
        {"gosub at the start", [](SaveState& s, int32_t) { s.frames[0].address = 0; }},
        {"negative for address", [](SaveState& s, int32_t) { s.frames[1].address = -4; }},
        {"line beyond the last", [](SaveState& s, int32_t) { s.line = HERE_LINE + 3; }},
        {"line before any label", [](SaveState& s, int32_t) { s.line = 0; }},
        {"too many colons", [](SaveState& s, int32_t) { s.colon_count = 3; }},
        {"negative colons", [](SaveState& s, int32_t) { s.colon_count = -1; }},
        {"colon only on the next line",
         [](SaveState& s, int32_t) {
             s.line = BEGIN_LINE;
             s.colon_count = 1;
         }},
        {"too many frames",
         [](SaveState& s, int32_t) { s.frames.resize(CallStack::MAX_DEPTH + 1, s.frames[0]); }},
        {"other variables", [](SaveState& s, int32_t) { s.variables.pop_back(); }},
        {"other arrays", [](SaveState& s, int32_t) { s.array_cells.push_back(0); }},
        {"bad background", [](SaveState& s, int32_t) { s.background_image_name = "#12zz56"; }},
    };
    for (const auto& c : cases) {
        SaveState bad = good;
        bad.variables[1].value = 999; // would show if anything were applied
        bad.sprites[3].visible = true;
        c.spoil(bad, length);
        bool applied = true;
        auto result = runTrappingExit([&] { applied = engine->applySaveState(bad); });
        EXPECT_FALSE(applied) << c.name;
        EXPECT_NE(result.stderr_text.find("Save file does not fit this script"), std::string::npos)
            << c.name;
        EXPECT_EQ(engine->captureSaveState(), good) << c.name;
    }
}

} // namespace
} // namespace velmora
