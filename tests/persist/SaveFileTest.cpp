// The save file's layout: a full state survives a round trip, files of every
// version built by hand from the layout read into the right fields, and
// short, lying or foreign files are refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "persist/FileBuffer.h"
#include "persist/SaveFile.h"

namespace velmora {
namespace {

const SaveLayout TWO_VARIABLES_TWO_CELLS{2, 2};

SaveState richState() {
    SaveState s;
    s.text_window = {
        true,    false,    true,     {10, 20, 30}, 18,    400, "mask.png",        {8, 16},
        {20, 5}, {24, 24}, {26, 28}, {1, 2, 3},    false, 40,  {10, 20, 100, 40}, ":a;win.png"};
    s.cursor_images[0] = {":l/3,100,0;cur.png", false, {11, 13}};
    s.cursor_images[1] = {"", true, {-12, 14}};
    s.background_image_name = "#102030";
    s.standing_images[2] = {"right.png", {400, 10}};
    s.sprites[0] = {"first.png", {1, 2}, true, 3, 128};
    s.sprites[999] = {"last.png", {-5, 6}, false, 0, 255};
    s.variables = {{7, "seven"}, {-1, ""}};
    s.frames = {{FrameKind::Gosub, 120}, {FrameKind::For, 300, 7, 3, -1}, {FrameKind::Gosub, 9}};
    s.monochrome = true;
    s.monochrome_colour = {200, 100, 50};
    s.nega_mode = 2;
    s.sound = {"wave.wav", true,  "song.ogg", true, true,
               "midi.mid", false, 4,          true, {"intro.ogg", "loop.ogg"}};
    s.erase_window = 2;
    s.bar_images[0] = SavedBar{0, {5, 6}, 100, 8, 50, {1, 2, 3}}; // a bar showing 0
    s.bar_images[99] = SavedBar{25, {0, 0}, 200, 4, 100, {}};
    s.number_images[3] = SavedNumber{0, {1, 2}, 16, 18, {9, 8, 7}};
    s.btndef_tag_string = "buttons.png";
    s.array_cells = {4, -5};
    s.ruby_space = true;
    s.ruby_glyph_size = {12, 13};
    s.ruby_font_name = "ruby.ttf";
    s.rotated_sprites[255] = {"turn.png", {30, 40}, 150, 50, 90, true, 200, 1};
    s.screen_marks = {160, 320, 480};
    s.underline_value = 470;
    s.pages = {{"first page", "tag1"}, {"second", ""}};
    s.line = 5;
    s.colon_count = 2;
    return s;
}

SaveParse parse(const std::vector<uint8_t>& bytes, SaveState& out, std::string& error,
                const SaveLayout& layout = TWO_VARIABLES_TWO_CELLS) {
    return parseSave(bytes.data(), bytes.size(), layout, out, error);
}

TEST(SaveFileTest, AFullStateSurvivesARoundTripWithAndWithoutTheHeader) {
    SaveState state = richState();
    std::vector<uint8_t> bytes = serialiseSave(state);
    ASSERT_EQ(std::string(bytes.begin(), bytes.begin() + 5), std::string("VLM\x02\x08"));
    for (size_t skip : {size_t{0}, SAVE_HEADER_SIZE}) {
        // The save text trailer after the body is never read.
        std::vector<uint8_t> file(bytes.begin() + static_cast<long>(skip), bytes.end());
        for (char c : std::string("\"a save\"*")) file.push_back(uint8_t(c));
        SaveState back;
        std::string error;
        ASSERT_EQ(parse(file, back, error), SaveParse::Parsed) << error;
        EXPECT_TRUE(back == state) << "header skipped: " << skip;
    }
}

// A file written field by field from the layout tables, independently of the
// engine's own walk, with marked values where the versions differ.
std::vector<uint8_t> handBuiltFile(int32_t version) {
    FileBuffer b;
    auto ints = [&](std::initializer_list<int32_t> values) {
        for (int32_t v : values) b.writeInt(v);
    };
    auto bytes = [&](std::initializer_list<uint8_t> values) {
        for (uint8_t v : values) b.writeByte(v);
    };
    if (version != 0) {
        b.writeBytes(reinterpret_cast<const uint8_t*>("VLM"), 3);
        bytes({uint8_t(version / 100), uint8_t(version % 100)});
    }
    ints({2, 1, 0, 0, 1, 0x10a, 20, 30});
    b.writeString("cursor0");
    b.writeString("");
    ints({5, 300});
    b.writeString("");
    ints({8, 16, 20, 5, 24, 24, 26, 26});
    bytes({3, 2, 1, 0xff});
    ints({40, 10, 20, 109, 59});
    b.writeString("win");
    ints({1, 7, 11, 12, 13, 14});
    b.writeString("bg");
    for (int i = 0; i < 3; ++i) b.writeString("");
    ints({0, 0, 0, 0, 0, 0, 0, 0, 0});
    if (version == 0 || version >= 203) ints({-1, -1, -1});
    for (int i = 0; i < 1000; ++i) {
        b.writeString(i == 999 ? "last" : "");
        ints({0, 0, i == 999, 0});
        if (version == 0 || version >= 203) ints({i == 999 ? 77 : 0});
    }
    ints({7});
    b.writeString("seven");
    ints({0});
    b.writeString("");
    ints({5, 10, 3, 9, 1, -20});
    ints({1, 0, 0, 0, 0});
    b.writeString("midi");
    b.writeString("wave");
    ints({3, 0, 1, 0, 0, 1});
    b.writeString("music");
    ints({1, 1, 0, 5, 6, 100, 8, 50});
    bytes({1, 2, 3, 0});
    for (int i = 1; i < 100; ++i) ints({0, -1, 0, 0, 0, 0, 0});
    for (int i = 0; i < 100; ++i) ints({0, i == 3 ? 1 : -1, 0, 0, 0, 0});
    ints({1, 0, 1});
    b.writeString("btn");
    if (version == 0 || version >= 202) ints({4, 5});
    ints({0});
    bytes({1, 0, 0, 0});
    b.writeString("intro");
    b.writeString("loop");
    if (version == 0 || version >= 201) {
        ints({1, 12, 12});
        b.writeString("ruby");
    }
    if (version == 0 || version >= 204) {
        ints({0});
        for (int i = 0; i < 256; ++i) {
            b.writeString(i == 255 ? "rot" : "");
            ints({0, 0, 100, 100, 0, 1, 255, 0});
        }
        ints({0, 0});
        if (version == 0 || version >= 205) ints({1});
        ints({0, 0, 0, 0});
        if (version == 0 || version >= 205) bytes({0});
    }
    if (version == 0 || version >= 206) ints({0, 160, 320, 480, 470});
    ints({2});
    for (const char* text : {"p1", "p2"}) {
        b.writeString(text);
        if (version == 203) bytes({7});
    }
    if (version == 204) ints({9, 9});
    if (version == 0 || version >= 205) {
        ints({2});
        b.writeString("t1");
        b.writeString("t2");
    }
    ints({5, 2});
    return b.bytes();
}

TEST(SaveFileTest, EveryVersionReadsItsOwnFields) {
    // 0: the header-less copy, a 2.08 body.
    for (int32_t version : {200, 201, 202, 203, 204, 205, 206, 207, 208, 0}) {
        SCOPED_TRACE(version);
        int32_t as = version == 0 ? SAVE_VERSION : version;
        SaveState s;
        std::string error;
        ASSERT_EQ(parse(handBuiltFile(version), s, error), SaveParse::Parsed) << error;
        EXPECT_EQ(s.version, as);
        EXPECT_TRUE(s.text_window.bold && !s.text_window.shadow && !s.text_window.shaded_window);
        EXPECT_EQ(s.text_window.text_color, (Rgb{10, 20, 30}));
        EXPECT_EQ(s.text_window.window_shade_color, (Rgb{1, 2, 3}));
        EXPECT_TRUE(s.text_window.script_rect == (SavedRect{10, 20, 100, 40}));
        EXPECT_EQ(s.text_window.tag_string, "win");
        EXPECT_EQ(s.cursor_images[0].tag_string, "cursor0");
        EXPECT_TRUE(!s.cursor_images[0].absolute_position && s.cursor_images[1].absolute_position);
        EXPECT_TRUE(s.cursor_images[1].position == (Vec2{12, 14}));
        EXPECT_EQ(s.background_image_name, "bg");
        EXPECT_TRUE(s.sprites[999].visible);
        EXPECT_EQ(s.sprites[999].tag_string, "last");
        EXPECT_TRUE(s.variables == (std::vector<SavedVariable>{{7, "seven"}, {0, ""}}));
        EXPECT_TRUE(s.frames == (std::vector<SavedFrame>{{FrameKind::Gosub, 10},
                                                         {FrameKind::For, 20, 3, 9, 1}}));
        EXPECT_TRUE(s.monochrome);
        EXPECT_EQ(s.sound.cd_track, 3);
        EXPECT_TRUE(s.sound.wave_loop && s.sound.music_save && !s.sound.midi_loop);
        EXPECT_EQ(s.sound.music_name, "music");
        EXPECT_EQ(s.sound.loopbgm_names[1], "loop");
        EXPECT_EQ(s.erase_window, 2);
        ASSERT_TRUE(s.bar_images[0].has_value()); // a bar showing 0 is kept
        EXPECT_EQ(s.bar_images[0]->max_value, 50);
        EXPECT_EQ(s.bar_images[0]->fill_colour, (Rgb{3, 2, 1}));
        EXPECT_FALSE(s.bar_images[1].has_value());
        EXPECT_TRUE(s.number_images[3].has_value() && !s.number_images[2].has_value());
        EXPECT_EQ(s.btndef_tag_string, "btn");
        ASSERT_EQ(s.pages.size(), 2u);
        EXPECT_EQ(s.pages[1].text, "p2");
        EXPECT_EQ(s.line, 5);
        EXPECT_EQ(s.colon_count, 2);
        // What only some versions hold.
        EXPECT_EQ(s.ruby_font_name, as >= 201 ? "ruby" : "");
        EXPECT_EQ(s.array_cells, (as >= 202 ? std::vector<int32_t>{4, 5} : std::vector<int32_t>{}));
        EXPECT_EQ(s.sprites[999].alpha, as >= 203 ? 77 : 0);
        EXPECT_EQ(s.rotated_sprites[255].tag_string, as >= 204 ? "rot" : "");
        EXPECT_EQ(s.pages[1].tag, as >= 205 ? "t2" : "");
        EXPECT_EQ(s.screen_marks[2], as >= 206 ? 480 : 0);
        EXPECT_EQ(s.underline_value, as >= 207 ? 470 : 0);
    }
}

std::vector<uint8_t> patched(std::vector<uint8_t> bytes, size_t at, int32_t value) {
    std::memcpy(bytes.data() + at, &value, sizeof value);
    return bytes;
}

TEST(SaveFileTest, ShortLyingAndForeignFilesAreRefused) {
    SaveState plain;
    plain.frames = {{FrameKind::Gosub, 0x51525354}};
    const std::vector<uint8_t> good = serialiseSave(plain);
    const SaveLayout none{0, 0};
    size_t frame =
        std::search(good.begin(), good.end(), "\x54\x53\x52\x51", "\x54\x53\x52\x51" + 4) -
        good.begin();
    size_t pages = good.size() - 16; // then the tag count, the line and the colon count
    auto withHeader = [](std::string header) {
        return std::vector<uint8_t>(header.begin(), header.end());
    };
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        SaveParse result;
        const char* message;
    };
    const Case cases[] = {
        {"empty", {}, SaveParse::Damaged, "Save file is cut short."},
        {"header alone", withHeader("VLM\x02\x08"), SaveParse::Damaged, "Save file is cut short."},
        {"cut in the header", withHeader("VLM\x02"), SaveParse::Damaged, "Save file is cut short."},
        {"cut after the first field",
         {good.begin(), good.begin() + 9},
         SaveParse::Damaged,
         nullptr},
        {"cut in the sprites", {good.begin(), good.begin() + 5000}, SaveParse::Damaged, nullptr},
        {"cut in the position", {good.begin(), good.end() - 1}, SaveParse::Damaged, nullptr},
        {"2.09", withHeader("VLM\x02\x09"), SaveParse::TooNew,
         "Save file is newer than 2.8, please use the latest Velmora."},
        {"1.99", withHeader("VLM\x01\x63"), SaveParse::TooOld, "Save file is too old."},
        {"signed minor", withHeader("VLM\x02\xff"), SaveParse::TooOld, "Save file is too old."},
        {"huge call stack", patched(good, frame - 4, INT32_MAX), SaveParse::Damaged, nullptr},
        {"negative call stack", patched(good, frame - 4, -1), SaveParse::Damaged, nullptr},
        {"for frame cut", patched(good, frame, -8), SaveParse::Damaged,
         "Save file is damaged: a for frame on the call stack is incomplete."},
        {"huge page count", patched(good, pages, INT32_MAX), SaveParse::Damaged, nullptr},
        {"tags without pages", patched(good, pages + 4, 1), SaveParse::Damaged, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SaveState out;
        out.line = 99;
        std::string error;
        EXPECT_EQ(parse(c.bytes, out, error, none), c.result);
        EXPECT_EQ(out.line, 99); // a refused file changes nothing
        if (c.message) {
            EXPECT_EQ(error, c.message);
        }
        EXPECT_FALSE(error.empty());
    }
    // The version the caller shows, or none ("unknown") without the magic.
    const std::vector<uint8_t> newer = withHeader("VLM\x02\x09");
    EXPECT_EQ(saveFileVersion(newer.data(), newer.size()), 209);
    EXPECT_EQ(saveFileVersion(good.data() + 1, good.size() - 1), std::nullopt);
    SaveState back;
    std::string error;
    EXPECT_EQ(parse(good, back, error, none), SaveParse::Parsed) << error;
    // A script declaring more variables than the file holds finds it cut short.
    EXPECT_EQ(parse(good, back, error, SaveLayout{100000, 0}), SaveParse::Damaged);
}

} // namespace
} // namespace velmora
