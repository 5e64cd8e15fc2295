// The define-section settings: what each command stores, the commands that
// read files at once, and what the interpreter reset restores.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TestSupport.h"
#include "archive/DirectReader.h"
#include "engine/Velmora.h"
#include "interp/CommandTable.h"

namespace velmora {
namespace {

using test::ExitResult;
using test::runTrappingExit;
using test::ScratchDir;

class DefineSettingsTest : public ::testing::Test {
  protected:
    DefineSettingsTest() { engine.in_define_section = true; }

    // Dispatches `line` as one statement through the command table; the read
    // position is left where the handler stopped.
    int32_t run(const std::string& line) {
        text = line + "\n";
        engine.script.loadFromMemory(text.data(), text.size());
        engine.script.jumpTo(engine.script.bufferStart());
        engine.script.readToken();
        const CommandEntry* entry = engine.findCommand(engine.script.token_buffer.data());
        EXPECT_NE(entry, nullptr) << line;
        if (!entry) return 0;
        return (engine.*entry->handler)();
    }
    // Runs `line` and checks that it read every argument of its statement.
    void runWhole(const std::string& line) {
        EXPECT_EQ(run(line), RESULT_PROCEED) << line;
        EXPECT_EQ(*engine.script.read_position, '\n') << line;
    }
    ExitResult runTrapped(const std::string& line) {
        return runTrappingExit([&] { run(line); });
    }

    std::string text;
    Velmora engine;
};

TEST_F(DefineSettingsTest, FlagAndNumberCommandsStoreTheirValues) {
    runWhole("zenkakko");
    runWhole("windowchip 12");
    runWhole("windowback");
    runWhole("usewheel");
    runWhole("useescspc");
    runWhole("underline 400");
    runWhole("savenumber 20");
    runWhole("roff");
    runWhole("pagetag");
    runWhole("mode_saya");
    runWhole("humanz 300");
    runWhole("globalon");
    runWhole("english");
    runWhole("effectcut");
    runWhole("effectblank 0");
    runWhole("defaultspeed 80, 40, 5");
    runWhole("kidokumode 0");
    EXPECT_TRUE(engine.zenkakko);
    EXPECT_EQ(engine.window_chip_sprite, 12);
    EXPECT_TRUE(engine.window_back);
    EXPECT_TRUE(engine.use_wheel);
    EXPECT_TRUE(engine.use_esc_spc);
    EXPECT_EQ(engine.underline_value, 400);
    EXPECT_EQ(engine.save_slot_count, 20);
    EXPECT_FALSE(engine.rmenu_enabled);
    EXPECT_TRUE(engine.pagetag_mode);
    EXPECT_TRUE(engine.mode_saya);
    EXPECT_EQ(engine.sprite_z_order, 300);
    EXPECT_TRUE(engine.globalon);
    EXPECT_TRUE(engine.script.english_lines);
    EXPECT_TRUE(engine.effectcut);
    EXPECT_EQ(engine.effect_blank, 0);
    EXPECT_EQ(engine.default_speeds, (std::array<int32_t, 3>{80, 40, 5}));
    EXPECT_FALSE(engine.kidokumode);
    runWhole("kidokumode 2"); // only 1 turns it on
    EXPECT_FALSE(engine.kidokumode);
    runWhole("kidokumode 1");
    EXPECT_TRUE(engine.kidokumode);
}

TEST_F(DefineSettingsTest, UseescspcDefersToTheCommandLine) {
    engine.force_button_shortcut = true;
    runWhole("useescspc");
    EXPECT_FALSE(engine.use_esc_spc);
}

TEST_F(DefineSettingsTest, TransmodeMapsItsWordAndAlwaysConsumesIt) {
    const struct {
        const char* word;
        int32_t mode;
    } cases[] = {{"copy", 3}, {"alpha", 1}, {"righttup", 7}, {"leftup", 2}, {"COPY", 3}};
    for (const auto& c : cases) {
        engine.default_transparency = 0;
        runWhole(std::string("transmode ") + c.word);
        EXPECT_EQ(engine.default_transparency, c.mode) << c.word;
    }
    runWhole("transmode sideways");
    EXPECT_EQ(engine.default_transparency, 3);
}

TEST_F(DefineSettingsTest, MaxkaisoupageKeepsAtLeastOnePage) {
    const struct {
        const char* line;
        int32_t pages;
    } cases[] = {{"maxkaisoupage 0", 1}, {"maxkaisoupage 30", 31}, {"maxkaisoupage -5", 1}};
    for (const auto& c : cases) {
        runWhole(c.line);
        EXPECT_EQ(engine.max_pages, c.pages) << c.line;
    }
}

TEST_F(DefineSettingsTest, ShadedistanceTurnsZeroIntoOne) {
    runWhole("shadedistance 0, -2");
    EXPECT_EQ(engine.shade_distance.x, 1);
    EXPECT_EQ(engine.shade_distance.y, -2);
    runWhole("shadedistance 3, 4");
    EXPECT_EQ(engine.shade_distance.x, 3);
    EXPECT_EQ(engine.shade_distance.y, 4);
}

TEST_F(DefineSettingsTest, LinepageAndClickstrSetTheModeAndLine) {
    runWhole("linepage");
    EXPECT_EQ(engine.linepage_mode, 1);
    EXPECT_EQ(engine.clickstr_line, 0);
    runWhole("linepage2 3");
    EXPECT_EQ(engine.linepage_mode, 2);
    EXPECT_EQ(engine.clickstr_line, 3);
    runWhole("clickstr \"`!?\", 2");
    EXPECT_EQ(engine.script.clickstr_list, "`!?");
    EXPECT_EQ(engine.clickstr_line, 2);
}

TEST_F(DefineSettingsTest, VolumesAreKeptWithinAHundred) {
    runWhole("defvoicevol 90");
    runWhole("defsevol -4");
    runWhole("defmp3vol 250");
    EXPECT_EQ(engine.volumes.voice_volume, 90);
    EXPECT_EQ(engine.volumes.se_volume, 0);
    EXPECT_EQ(engine.volumes.music_volume, 100);
}

TEST_F(DefineSettingsTest, ColoursGoToTheFontsAndTheLookback) {
    runWhole("selectcolor \"#ff0000\", \"#00ff80\"");
    EXPECT_EQ(engine.story_font.hover_color, (Rgb{255, 0, 0}));
    EXPECT_EQ(engine.story_font.idle_color, (Rgb{0, 255, 128}));
    runWhole("menuselectcolor \"#010203\", \"#040506\", \"#0a0b0c\"");
    EXPECT_EQ(engine.menu_font.hover_color, (Rgb{1, 2, 3}));
    EXPECT_EQ(engine.menu_font.idle_color, (Rgb{4, 5, 6}));
    EXPECT_EQ(engine.menu_font.absent_color, (Rgb{10, 11, 12}));
    runWhole("lookbackcolor \"#123456\"");
    EXPECT_EQ(engine.lookback_color, (Rgb{0x12, 0x34, 0x56}));
}

TEST_F(DefineSettingsTest, AMalformedColourIsAParseError) {
    ExitResult result = runTrapped("lookbackcolor \"123456\"");
    EXPECT_EQ(result.status, -1);
    EXPECT_NE(result.stderr_text.find("Parse error"), std::string::npos);
    EXPECT_EQ(engine.lookback_color, (Rgb{255, 255, 0}));
}

TEST_F(DefineSettingsTest, MenusetwindowSetsPitchAndDefaultShade) {
    runWhole("menusetwindow 20, 20, 2, 4, 1, 0, \"\"");
    EXPECT_EQ(engine.menu_font.glyph_size.x, 20);
    EXPECT_EQ(engine.menu_font.glyph_size.y, 20);
    EXPECT_EQ(engine.menu_font.cell_pitch.x, 22);
    EXPECT_EQ(engine.menu_font.cell_pitch.y, 24);
    EXPECT_TRUE(engine.menu_font.bold);
    EXPECT_FALSE(engine.menu_font.shadow);
    EXPECT_EQ(engine.menu_font.window_shade_color, (Rgb{153, 153, 153}));
    EXPECT_EQ(engine.menu_font.face, nullptr);
    runWhole("menusetwindow 16, 18, 0, 0, 0, 1, \"#202122\"");
    EXPECT_EQ(engine.menu_font.cell_pitch.y, 18);
    EXPECT_FALSE(engine.menu_font.bold);
    EXPECT_EQ(engine.menu_font.window_shade_color, (Rgb{0x20, 0x21, 0x22}));
}

TEST_F(DefineSettingsTest, RmenuReplacesItsListAndMeasuresTheWidestLabel) {
    runWhole("rmenu \"x\", end");
    testing::internal::CaptureStdout();
    runWhole("rmenu \"0123456789\", save, \"abc\", lookback, \"q\", fly");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Unsupported system call fly\n");
    ASSERT_EQ(engine.rmenu_items.size(), 3u);
    EXPECT_EQ(engine.rmenu_items[0].label, "0123456789");
    EXPECT_EQ(engine.rmenu_items[0].system_call, 3);
    EXPECT_EQ(engine.rmenu_items[1].system_call, 5);
    EXPECT_EQ(engine.rmenu_items[2].system_call, -1);
    EXPECT_EQ(engine.rmenu_width, 6);
    runWhole("rmenu \"ab\", skip");
    ASSERT_EQ(engine.rmenu_items.size(), 1u);
    EXPECT_EQ(engine.rmenu_width, 2); // each rmenu measures afresh
}

TEST_F(DefineSettingsTest, RubyonTakesNoneTwoOrThreeArguments) {
    runWhole("rubyon 10, 12, \"ruby.ttf\"");
    EXPECT_TRUE(engine.story_font.ruby_space);
    EXPECT_EQ(engine.ruby_glyph_size.x, 10);
    EXPECT_EQ(engine.ruby_glyph_size.y, 12);
    EXPECT_EQ(engine.ruby_font_name, "ruby.ttf");
    runWhole("rubyon 8, 9");
    EXPECT_EQ(engine.ruby_glyph_size.x, 8);
    EXPECT_EQ(engine.ruby_font_name, "");
    runWhole("rubyoff");
    EXPECT_FALSE(engine.story_font.ruby_space);
    EXPECT_EQ(run("rubyon : zenkakko"), RESULT_PROCEED);
    EXPECT_EQ(*engine.script.read_position, ':');
    EXPECT_TRUE(engine.story_font.ruby_space);
    EXPECT_EQ(engine.ruby_glyph_size.x, -1);
    EXPECT_EQ(engine.ruby_glyph_size.y, -1);
}

TEST_F(DefineSettingsTest, KinsokuListsAreReplacedOrExtended) {
    // The lists start with the default punctuation.
    ASSERT_EQ(engine.kinsoku.start.size(), 18u);
    EXPECT_EQ(engine.kinsoku.start[0], (KinsokuLists::Entry{0x81, 0x76}));
    ASSERT_EQ(engine.kinsoku.end.size(), 5u);
    runWhole("setkinsoku \"\x81\x41.\", \"(\"");
    ASSERT_EQ(engine.kinsoku.start.size(), 2u);
    EXPECT_EQ(engine.kinsoku.start[0], (KinsokuLists::Entry{0x81, 0x41}));
    EXPECT_EQ(engine.kinsoku.start[1], (KinsokuLists::Entry{'.', 0}));
    ASSERT_EQ(engine.kinsoku.end.size(), 1u);
    runWhole("addkinsoku \"!\", \"\x81\x69\"");
    ASSERT_EQ(engine.kinsoku.start.size(), 3u);
    EXPECT_EQ(engine.kinsoku.start[2], (KinsokuLists::Entry{'!', 0}));
    ASSERT_EQ(engine.kinsoku.end.size(), 2u);
    EXPECT_EQ(engine.kinsoku.end[1], (KinsokuLists::Entry{0x81, 0x69}));
}

TEST_F(DefineSettingsTest, EffectAppendsNumberedRecords) {
    runWhole("effect 2, 10, 500");
    runWhole("effect 255, 15, 300, \"mask.bmp\"");
    runWhole("effect 7, 1");
    ASSERT_EQ(engine.effect_list.size(), 4u);
    EXPECT_EQ(engine.effect_list[0].id, 0);
    const EffectSpec& second = engine.effect_list[1];
    EXPECT_EQ(second.id, 2);
    EXPECT_EQ(second.type, 10);
    EXPECT_EQ(second.duration, 500);
    EXPECT_EQ(engine.effect_list[2].picture, "mask.bmp");
    EXPECT_EQ(engine.effect_list[3].type, 1);
    EXPECT_EQ(engine.effect_list[3].duration, 0);
}

TEST_F(DefineSettingsTest, EffectNumbersOutsideTwoTo255StopTheEngine) {
    for (const char* line : {"effect 1, 10, 100", "effect 256, 10, 100"}) {
        ExitResult result = runTrapped(line);
        EXPECT_EQ(result.status, -1) << line;
        EXPECT_NE(result.stderr_text.find("[effect: effect number out of range] ***"),
                  std::string::npos)
            << result.stderr_text;
    }
    EXPECT_EQ(engine.effect_list.size(), 1u);
}

TEST_F(DefineSettingsTest, WindoweffectOverwritesTheWindowEffectAnywhere) {
    engine.in_define_section = false;
    runWhole("windoweffect 10, 300, \"m.bmp\"");
    EXPECT_EQ(engine.window_effect.type, 10);
    EXPECT_EQ(engine.window_effect.duration, 300);
    EXPECT_EQ(engine.window_effect.picture, "m.bmp");
    runWhole("windoweffect 5, 40");
    EXPECT_EQ(engine.window_effect.picture, "");
    ExitResult result = runTrappingExit([&] { runWhole("windoweffect 300"); });
    EXPECT_EQ(result.stderr_text, "Effect 300 is out of range and is switched to 0.\n");
    EXPECT_EQ(engine.window_effect.type, 0);
}

TEST_F(DefineSettingsTest, ArchiveCommandsKeepTheirSettings) {
    ScratchDir dir;
    engine.script.archive_path = dir.path().string() + "/";
    ExitResult result = runTrappingExit([&] {
        runWhole("vl3");
        runWhole("vla");
        runWhole("sar");
    });
    EXPECT_EQ(engine.vla_skip, 2); // vla and sar never set the skip back
    EXPECT_NE(result.stderr_text.find(" *** failed to open vla or vl2 archive, ignored.  ***"),
              std::string::npos);
    runWhole("vl2");
    EXPECT_EQ(engine.vla_skip, 1);
    runWhole("vladir \"data\\sub\"");
    EXPECT_EQ(engine.vla_dir, "data/sub/");
}

TEST_F(DefineSettingsTest, ArcAddsSarArchivesToALooseFileReader) {
    ScratchDir dir;
    engine.script.archive_path = dir.path().string() + "/";
    engine.script.reader = std::make_unique<DirectReader>(engine.script.archive_path);
    ExitResult result = runTrappingExit([&] { runWhole("arc \"arc.sar|extra\""); });
    EXPECT_EQ(result.stderr_text, " *** failed to open archive arc.sar, ignored.  ***\n");
    EXPECT_STREQ(engine.script.reader->kindName(), "sar");
}

TEST_F(DefineSettingsTest, SpiRegistersTheExtensionOfTheOnePlugin) {
    ScratchDir dir;
    engine.script.archive_path = dir.path().string() + "/";
    engine.script.reader = std::make_unique<DirectReader>(engine.script.archive_path);
    // A loose file whose first four bytes would be a packed length of 1000.
    dir.write("pic.abc", std::string("\0\0\x03\xE8junk", 8));
    ASSERT_EQ(engine.script.reader->fileLength("pic.abc"), 8);
    ExitResult result = runTrappingExit([&] {
        runWhole("soundpressplgin \"VBZPLGIN.DLL|ABC\"");
        runWhole("spi \"other.dll|pic\"");
    });
    EXPECT_EQ(result.stderr_text, " *** plugin other.dll|pic is not available, ignored. ***\n");
    EXPECT_EQ(engine.script.reader->fileLength("pic.abc"), 1000);
}

TEST_F(DefineSettingsTest, SavedirCreatesTheDirectoryAndTellsTheStream) {
    ScratchDir dir;
    engine.script.archive_path = dir.path().string() + "/";
    runWhole("savedir \"save\\slot\"");
    EXPECT_EQ(engine.save_dir_name, "save\\slot");
    EXPECT_EQ(engine.save_dir, engine.script.archive_path + "save/slot/");
    EXPECT_EQ(engine.script.save_dir, engine.save_dir);
    EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "save" / "slot"));
    EXPECT_EQ(engine.script.sideFilePath("kidoku.dat"), engine.save_dir + "kidoku.dat");
}

TEST_F(DefineSettingsTest, LogCommandsReadTheirFilesAtOnce) {
    ScratchDir dir;
    engine.script.archive_path = dir.path().string() + "/";
    // "AB" scrambled: 'A' ^ 0xE9 = 0xA8, 'B' ^ 0xE9 = 0xAB.
    dir.write("Vlscllog.dat", "1\n\"\xa8\xab\"");
    dir.write("Vlscflog.dat", "0\n");
    engine.script.findInLog(engine.script.label_log, "stale", true);
    runWhole("labellog");
    EXPECT_TRUE(engine.labellog_on);
    EXPECT_EQ(engine.script.label_log.names, (std::vector<std::string>{"AB"}));
    runWhole("lookbacksp 1, 2");
    EXPECT_TRUE(engine.script.file_log.names.empty()); // the file log is off yet
    runWhole("filelog");
    EXPECT_TRUE(engine.filelog_on);
    runWhole("lookbacksp 3, 4");
    EXPECT_EQ(engine.lookback_sprites, (std::array<int32_t, 2>{3, 4}));
    EXPECT_EQ(engine.script.file_log.names,
              (std::vector<std::string>{"UONCUR.BMP", "UOFFCUR.BMP", "DONCUR.BMP", "DOFFCUR.BMP"}));
}

TEST_F(DefineSettingsTest, KidokuskipLoadsTheMarksAtOnce) {
    ScratchDir dir;
    engine.script.archive_path = dir.path().string() + "/";
    dir.write("kidoku.dat", std::string("\xff\x01\x02\x03\x04", 5));
    runWhole("kidokuskip" + std::string(30, ' ')); // 41 bytes: 5 stored, one in memory
    EXPECT_TRUE(engine.kidokuskip_on);
    EXPECT_TRUE(engine.script.read_marks_on);
    EXPECT_EQ(engine.script.read_marks, (std::vector<uint8_t>{0xff, 1, 2, 3, 4, 0}));
}

TEST_F(DefineSettingsTest, TheResetRestoresDefaultsButKeepsTheLastingOnes) {
    ScratchDir dir;
    engine.script.archive_path = dir.path().string() + "/";
    const char* lines[] = {
        "zenkakko", "windowchip 1", "windowback", "usewheel", "useescspc", "transmode copy",
        "shadedistance 4, 5", "selectvoice \"a\", \"b\", \"c\"",
        "menuselectvoice \"a\", \"b\", \"c\", \"d\", \"e\", \"f\", \"g\"",
        "clickvoice \"a\", \"b\"", "savenumber 3", "savename \"a\", \"b\", \"c\"", "roff",
        "rmenu \"abcd\", end", "pagetag", "vladir \"v\"", "mode_saya", "mode_ext",
        "maxkaisoupage 3", "lookbacksp 1, 2", "lookbackcolor \"#000000\"", "linepage2 4",
        "labellog", "filelog", "kidokuskip", "humanz 9", "globalon", "effectcut", "effectblank 99",
        "effect 5, 10, 100", "windoweffect 10, 100", "defaultspeed 1, 2, 3",
        "versionstr \"a\", \"b\"",
        // The settings below outlive the reset.
        "underline 100", "vl3", "kidokumode 0", "defvoicevol 10", "defsevol 20", "defmp3vol 30",
        "defaultfont \"F\"", "savedir \"sv\""};
    runTrappingExit([&] {
        for (const char* line : lines) runWhole(line);
    });
    engine.resetDefineSettings();

    Velmora fresh;
    EXPECT_EQ(engine.zenkakko, fresh.zenkakko);
    EXPECT_EQ(engine.window_chip_sprite, fresh.window_chip_sprite);
    EXPECT_EQ(engine.window_back, fresh.window_back);
    EXPECT_EQ(engine.use_wheel, fresh.use_wheel);
    EXPECT_EQ(engine.use_esc_spc, fresh.use_esc_spc);
    EXPECT_EQ(engine.default_transparency, fresh.default_transparency);
    EXPECT_EQ(engine.shade_distance.x, 1);
    EXPECT_EQ(engine.shade_distance.y, 1);
    EXPECT_EQ(engine.select_voices, fresh.select_voices);
    EXPECT_EQ(engine.menu_select_voices, fresh.menu_select_voices);
    EXPECT_EQ(engine.click_voices, fresh.click_voices);
    EXPECT_EQ(engine.save_slot_count, 9);
    EXPECT_EQ(engine.save_menu_name, fresh.save_menu_name);
    EXPECT_EQ(engine.load_menu_name, fresh.load_menu_name);
    EXPECT_EQ(engine.save_item_name, fresh.save_item_name);
    EXPECT_TRUE(engine.rmenu_enabled);
    EXPECT_TRUE(engine.rmenu_items.empty());
    EXPECT_EQ(engine.rmenu_width, 0);
    EXPECT_FALSE(engine.pagetag_mode);
    EXPECT_EQ(engine.vla_dir, "");
    EXPECT_FALSE(engine.mode_saya);
    EXPECT_FALSE(engine.automode_enabled);
    EXPECT_EQ(engine.max_pages, 17);
    EXPECT_EQ(engine.lookback_sprites, fresh.lookback_sprites);
    EXPECT_EQ(engine.lookback_color, fresh.lookback_color);
    EXPECT_EQ(engine.linepage_mode, 0);
    EXPECT_EQ(engine.clickstr_line, 0);
    EXPECT_FALSE(engine.labellog_on);
    EXPECT_FALSE(engine.filelog_on);
    EXPECT_FALSE(engine.kidokuskip_on);
    EXPECT_EQ(engine.sprite_z_order, 499);
    EXPECT_FALSE(engine.globalon);
    EXPECT_FALSE(engine.effectcut);
    EXPECT_EQ(engine.effect_blank, 10);
    ASSERT_EQ(engine.effect_list.size(), 1u);
    EXPECT_EQ(engine.effect_list[0].id, 0);
    EXPECT_EQ(engine.window_effect.type, 1);
    EXPECT_EQ(engine.window_effect.duration, 0);
    EXPECT_EQ(engine.default_speeds, fresh.default_speeds);
    EXPECT_EQ(engine.version_text, fresh.version_text);

    EXPECT_EQ(engine.underline_value, 100);
    EXPECT_EQ(engine.vla_skip, 2);
    EXPECT_FALSE(engine.kidokumode);
    EXPECT_EQ(engine.volumes.voice_volume, 10);
    EXPECT_EQ(engine.volumes.se_volume, 20);
    EXPECT_EQ(engine.volumes.music_volume, 30);
    EXPECT_EQ(engine.default_font_name, "F");
    EXPECT_EQ(engine.save_dir_name, "sv");
    EXPECT_EQ(engine.script.save_dir, engine.script.archive_path + "sv/");
}

} // namespace
} // namespace velmora
