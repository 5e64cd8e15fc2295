// The story font's lookup order: command line, the game's default.ttf, the
// system font, and the game's path again when neither file exists.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "text/FontLookup.h"

namespace velmora {
namespace {

using test::ScratchDir;

TEST(FontLookupTest, ChoosesInOrderOfPreference) {
    ScratchDir game, system;
    const std::string with_font = (game.path() / "with").string() + "/";
    const std::string without_font = (game.path() / "without").string() + "/";
    std::filesystem::create_directories(with_font);
    std::filesystem::create_directories(without_font);
    game.write("with/default.ttf", "font");
    const std::string present = system.write("gothic.ttf", "font").string();
    const std::string absent = (system.path() / "missing.ttf").string();

    struct Case {
        std::string font_file, archive_path, system_font, expected;
    };
    const Case cases[] = {
        {"given.ttf", with_font, present, "given.ttf"},
        {"", with_font, present, with_font + "default.ttf"},
        {"", without_font, present, present},
        {"", without_font, absent, without_font + "default.ttf"},
        {"", without_font, "", without_font + "default.ttf"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(chooseFontPath(c.font_file, c.archive_path, c.system_font), c.expected)
            << c.archive_path << " " << c.system_font;
    }
}

} // namespace
} // namespace velmora
