// The command line: options applied to the engine, and the usage and version
// output of the real program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "engine/Velmora.h"

namespace velmora {
namespace {

using test::runEngine;
using test::ScratchDir;
using test::startupLines;

const std::string VERSION_LINE = "Velmora version 20131223(2.96)\n";

const std::string USAGE_TEXT =
    "Usage: velmora [option ...]\n"
    "      --cdaudio\t\tuse CD audio if available\n"
    "      --cdnumber no\tchoose the CD-ROM drive number\n"
    "  -f, --font file\tset a TTF font file\n"
    "      --registry file\tset a registry file\n"
    "      --dll file\tset a dll file\n"
    "  -r, --root path\tset the root path to the archives\n"
    "      --fullscreen\tstart in fullscreen mode\n"
    "      --window\t\tstart in windowed mode\n"
    "      --force-button-shortcut\tignore useescspc and getenter command\n"
    "      --enable-wheeldown-advance\tadvance the text on mouse wheel down\n"
    "      --disable-rescale\tdo not rescale the images in the archives\n"
    "      --render-font-outline\trender the outline of a text instead of casting a shadow\n"
    "      --edit\t\tenable online modification of the volume and variables when 'z' is "
    "pressed\n"
    "      --key-exe file\tset a file (*.EXE) that includes a key table\n"
    "  -h, --help\t\tshow this help and exit\n"
    "  -v, --version\t\tshow the version information and exit\n"
    "      --utf8\t\tread every script file as UTF-8 text\n"

    "      --scale factor\topen the window 1 to 8 times larger (kept for the next runs)\n"
    "      --scale-filter smooth|sharp\tscale the window smoothly or pixel-exactly (kept)\n"
    "      --word-wrap\t\twrap half-width text at spaces and draw all its spaces (kept)\n"
    "      --no-word-wrap\tturn word wrap off again (kept)\n";

// Parses `args` (the program name is added) into `engine` and returns what
// was printed on standard output.
std::string parse(Velmora& engine, std::vector<std::string> args) {
    args.insert(args.begin(), "velmora");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    testing::internal::CaptureStdout();
    engine.parseCommandLine(static_cast<int>(args.size()), argv.data());
    return testing::internal::GetCapturedStdout();
}

size_t countLines(const std::string& text) {
    size_t n = 0;
    for (char c : text) n += c == '\n';
    return n;
}

TEST(CommandLineTest, EveryOptionSetsItsField) {
    Velmora engine;
    std::string out = parse(engine, {"--cdaudio",
                                     "--cdnumber",
                                     "3",
                                     "-f",
                                     "my.ttf",
                                     "--registry",
                                     "reg.txt",
                                     "--dll",
                                     "d.txt",
                                     "--root",
                                     "game",
                                     "--fullscreen",
                                     "--window",
                                     "--force-button-shortcut",
                                     "--enable-wheeldown-advance",
                                     "--disable-rescale",
                                     "--render-font-outline",
                                     "--edit",
                                     "--key-exe",
                                     "key.exe",
                                     "--utf8"});
    EXPECT_EQ(out, VERSION_LINE);
    EXPECT_TRUE(engine.cdaudio_on);
    EXPECT_EQ(engine.cdrom_drive, 3);
    EXPECT_EQ(engine.font_file, "my.ttf");
    EXPECT_EQ(engine.registry_file, "reg.txt");
    EXPECT_EQ(engine.dll_file, "d.txt");
    EXPECT_EQ(engine.archive_path, "game/");
    EXPECT_TRUE(engine.fullscreen);
    EXPECT_TRUE(engine.window_requested);
    EXPECT_TRUE(engine.force_button_shortcut);
    EXPECT_TRUE(engine.wheeldown_advance);
    EXPECT_TRUE(engine.disable_rescale);
    EXPECT_TRUE(engine.render_outline);
    EXPECT_TRUE(engine.edit_enabled);
    EXPECT_EQ(engine.key_exe_file, "key.exe");
    EXPECT_TRUE(engine.script.utf8_scripts);
}

TEST(CommandLineTest, NoOptionsKeepTheDefaults) {
    Velmora engine;
    EXPECT_EQ(parse(engine, {}), VERSION_LINE);
    EXPECT_EQ(engine.registry_file, "registry.txt");
    EXPECT_EQ(engine.dll_file, "dll.txt");
    EXPECT_EQ(engine.archive_path, "");
    EXPECT_EQ(engine.font_file, "");
    EXPECT_EQ(engine.cdrom_drive, 0);
    EXPECT_FALSE(engine.cdaudio_on);
    EXPECT_FALSE(engine.edit_enabled);
    EXPECT_FALSE(engine.script.utf8_scripts);
}

TEST(CommandLineTest, ShortAndLongFormsAreEquivalent) {
    Velmora short_form;
    parse(short_form, {"-f", "a.ttf", "-r", "dir"});
    Velmora long_form;
    parse(long_form, {"--font", "a.ttf", "--root", "dir"});
    EXPECT_EQ(short_form.font_file, long_form.font_file);
    EXPECT_EQ(short_form.archive_path, long_form.archive_path);
    EXPECT_EQ(long_form.archive_path, "dir/");
}

TEST(CommandLineTest, RootPathAlwaysGetsOneSlash) {
    Velmora engine;
    parse(engine, {"-r", "game/"});
    EXPECT_EQ(engine.archive_path, "game//");
}

TEST(CommandLineTest, CdNumberFollowsAtoi) {
    Velmora digits_then_letters;
    parse(digits_then_letters, {"--cdnumber", "12abc"});
    EXPECT_EQ(digits_then_letters.cdrom_drive, 12);
    Velmora not_a_number;
    parse(not_a_number, {"--cdnumber", "x"});
    EXPECT_EQ(not_a_number.cdrom_drive, 0);
    Velmora negative;
    parse(negative, {"--cdnumber", "-2"});
    EXPECT_EQ(negative.cdrom_drive, -2);
}

TEST(CommandLineTest, ValueIsTakenEvenWhenItLooksLikeAnOption) {
    Velmora engine;
    std::string out = parse(engine, {"--font", "-v", "-r", "--edit", "--dll", "-h"});
    EXPECT_EQ(out, VERSION_LINE);
    EXPECT_EQ(engine.font_file, "-v");
    EXPECT_EQ(engine.archive_path, "--edit/");
    EXPECT_EQ(engine.dll_file, "-h");
    EXPECT_FALSE(engine.edit_enabled);
}

TEST(CommandLineTest, UnknownOptionIsReportedAndTheNextArgumentStillCounts) {
    Velmora engine;
    std::string out = parse(engine, {"--bogus", "--edit", "-font", "--window", "-", "--Edit"});
    EXPECT_EQ(out, VERSION_LINE + " unknown option --bogus\n unknown option -font\n"
                                  " unknown option -\n unknown option --Edit\n");
    EXPECT_TRUE(engine.edit_enabled);
    EXPECT_TRUE(engine.window_requested);
    EXPECT_EQ(engine.font_file, "");
}

TEST(CommandLineTest, ScaleOptionsTakeOnlyValidValues) {
    Velmora engine;
    std::string out = parse(engine, {"--scale", "3", "--scale-filter", "sharp", "--scale", "0",
                                     "--scale-filter", "blur", "--scale", "2x"});
    EXPECT_EQ(out, VERSION_LINE + " bad value 0 for --scale (1 to 8)\n"
                                  " bad value blur for --scale-filter (smooth or sharp)\n"
                                  " bad value 2x for --scale (1 to 8)\n");
    EXPECT_EQ(engine.window_scaling.factor, 3);
    EXPECT_EQ(engine.window_scaling.filter, ScaleFilter::Sharp);
    Velmora unscaled;
    parse(unscaled, {"--scale-filter", "smooth"});
    EXPECT_FALSE(unscaled.window_scaling.factor.has_value());
    EXPECT_EQ(unscaled.window_scaling.filter, ScaleFilter::Smooth);
    // The last of --word-wrap and --no-word-wrap wins; neither leaves the choice open.
    EXPECT_FALSE(unscaled.word_wrap.enabled.has_value());
    parse(engine, {"--word-wrap", "--no-word-wrap"});
    EXPECT_EQ(engine.word_wrap.enabled, false);
}

TEST(CommandLineBinaryTest, HelpAndBareArgumentsPrintUsage) {
    ScratchDir dir;
    for (const char* arg : {"-h", "--help", "foo"}) {
        auto result = runEngine({arg}, dir.path());
        EXPECT_EQ(result.status, 0) << arg;
        EXPECT_EQ(result.out, VERSION_LINE + USAGE_TEXT) << arg;
        EXPECT_EQ(result.err, "") << arg;
    }
}

TEST(CommandLineBinaryTest, UsageStopsParsingAtTheBareArgument) {
    ScratchDir dir;
    auto result = runEngine({"--bogus", "game", "--other"}, dir.path());
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, VERSION_LINE + " unknown option --bogus\n" + USAGE_TEXT);
}

TEST(CommandLineBinaryTest, VersionPrintsThreeLinesAfterTheVersionLine) {
    ScratchDir dir;
    for (const char* arg : {"-v", "--version"}) {
        auto result = runEngine({arg}, dir.path());
        EXPECT_EQ(result.status, 0) << arg;
        ASSERT_EQ(result.out.rfind(VERSION_LINE, 0), 0u) << result.out;
        EXPECT_EQ(countLines(result.out), 4u) << result.out;
        EXPECT_EQ(result.out.find("Usage"), std::string::npos);
        EXPECT_EQ(result.err, "");
    }
}

TEST(CommandLineBinaryTest, MissingValueAtTheEndPrintsUsage) {
    ScratchDir dir;
    for (const char* option : {"-r", "--root", "-f", "--font", "--cdnumber", "--registry", "--dll",
                               "--key-exe", "--scale", "--scale-filter"}) {
        auto result = runEngine({"--edit", option}, dir.path());
        EXPECT_EQ(result.status, 0) << option;
        EXPECT_EQ(result.out, VERSION_LINE + USAGE_TEXT) << option;
    }
}

TEST(CommandLineBinaryTest, UnknownOptionsAreReportedAndTheGameRuns) {
    ScratchDir game;
    game.write("0.txt", "*define\ngame\n*start\nend\n");
    auto result = runEngine({"-help", "--registry", "-q", "--bogus", "-r", game.path().string()},
                            game.path());
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out,
              VERSION_LINE + " unknown option -help\n unknown option --bogus\n" + startupLines());
    EXPECT_EQ(result.err, "");
}

TEST(CommandLineBinaryTest, ScriptIsFoundInTheWorkingDirectoryWithoutRoot) {
    ScratchDir game;
    game.write("0.txt", "*define\ngame\n*start\nend\n");
    auto result = runEngine({}, game.path());
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
}

TEST(CommandLineBinaryTest, UnreadableKeyFileIsReportedAndTheGameRuns) {
    ScratchDir game;
    game.write("0.txt", "*define\ngame\n*start\nend\n");
    auto result = runEngine({"--key-exe", "missing.exe", "-r", game.path().string()}, game.path());
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.err.find("createKeyTable: can't open EXE file missing.exe"), std::string::npos)
        << result.err;
}

} // namespace
} // namespace velmora
