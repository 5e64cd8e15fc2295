// The settings file: what a table of file texts (damaged ones among them)
// yields, what a rewrite keeps, and the window scaling stored in it.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "TestSupport.h"
#include "engine/WindowScaling.h"
#include "persist/SettingsFile.h"

namespace velmora {
namespace {

using Value = std::optional<std::string>;

struct Read {
    std::string text;
    std::string key;
    Value expected;
};

TEST(SettingsFileTest, ReadsKeyValueLinesAndPassesOverDamage) {
    const Read cases[] = {
        {"scale = 2\n", "scale", "2"},
        {"  scale\t=\t3  \r\nother = x\r\n", "scale", "3"},
        {"scale = 2\nscale = 4\n", "scale", "4"}, // the last one counts
        {"# scale = 2\n", "scale", {}},
        {"scale 2\n", "scale", {}},
        {"= 2\n", "", {}},
        {"sc ale = 2\nscale\x01 = 2\n", "scale", {}},
        {"word-wrap = on\nscale = 2", "word-wrap", "on"}, // no final newline
        {"title = a = b\n", "title", "a = b"},
        {"empty =\n", "empty", ""},
        {"bell = a\x07z\nscale = 5\n", "bell", {}},
        {std::string("nul = a\0b\n", 10), "nul", {}},
        {std::string(SETTINGS_KEY_LIMIT + 1, 'k') + " = 1\n",
         std::string(SETTINGS_KEY_LIMIT + 1, 'k'),
         {}},
        {"long = " + std::string(SETTINGS_VALUE_LIMIT + 1, 'v') + "\n", "long", {}},
        {"\xff\xfe\n\n===\nscale = 6\n", "scale", "6"},
    };
    for (const Read& c : cases)
        EXPECT_EQ(SettingsFile::parse(c.text).get(c.key), c.expected) << c.text;
}

TEST(SettingsFileTest, NumbersMustBeWholeAndInRange) {
    const SettingsFile settings =
        SettingsFile::parse("a = 3\nb = 3x\nc = -1\nd = 99999999999\ne = +3\nf = 0x3\ng = 8\n");
    EXPECT_EQ(settings.getInt("a", 1, 8), 3);
    EXPECT_EQ(settings.getInt("g", 1, 8), 8);
    for (const char* key : {"b", "c", "d", "e", "f", "missing"})
        EXPECT_EQ(settings.getInt(key, 1, 8), std::nullopt) << key;
    EXPECT_EQ(settings.getInt("c", -1, 1), -1);
}

TEST(SettingsFileTest, RewriteKeepsUnknownKeysAndDropsDamagedLines) {
    test::ScratchDir dir;
    const std::string path = (dir.path() / SETTINGS_FILE_NAME).string();
    dir.write(SETTINGS_FILE_NAME, "# mine\nfuture-key = kept\nbroken line\nscale = 9\n");
    SettingsFile settings = SettingsFile::load(path);
    EXPECT_TRUE(settings.set("scale", "2"));
    EXPECT_TRUE(settings.set("scale-filter", "sharp"));
    EXPECT_FALSE(settings.set("bad key", "1"));
    EXPECT_FALSE(settings.set("key", "two\nlines"));
    ASSERT_TRUE(settings.save(path));
    EXPECT_EQ(dir.read(SETTINGS_FILE_NAME), "future-key = kept\nscale = 2\nscale-filter = sharp\n");
    EXPECT_EQ(SettingsFile::load(path).text(), settings.text());
    EXPECT_EQ(SettingsFile::load((dir.path() / "missing.txt").string()).size(), 0u);
}

TEST(SettingsFileTest, ScalingFromTheCommandLineWinsAndIsStored) {
    const struct {
        const char* text;
        WindowScaling given;
        std::optional<int32_t> factor;
        std::optional<ScaleFilter> filter;
        bool changed;
    } cases[] = {
        {"scale = 3\nscale-filter = sharp\n", {}, 3, ScaleFilter::Sharp, false},
        {"scale = 3\n", {2, {}}, 2, {}, true},
        {"scale = 2\n", {2, {}}, 2, {}, false},
        {"scale = 0\nscale-filter = blurry\n", {}, {}, {}, false},
        {"scale = 9\n", {{}, ScaleFilter::Smooth}, {}, ScaleFilter::Smooth, true},
        {"scale-filter = smooth\n", {4, ScaleFilter::Sharp}, 4, ScaleFilter::Sharp, true},
    };
    for (const auto& c : cases) {
        SettingsFile settings = SettingsFile::parse(c.text);
        WindowScaling scaling = c.given;
        EXPECT_EQ(scaling.storeIn(settings), c.changed) << c.text;
        scaling.fillFrom(settings);
        EXPECT_EQ(scaling.factor, c.factor) << c.text;
        EXPECT_EQ(scaling.filter, c.filter) << c.text;
    }
    for (const char* bad : {"", "0", "9", "2.5", " 2", "two", "-1"})
        EXPECT_EQ(parseScaleFactor(bad), std::nullopt) << bad;
    EXPECT_EQ(parseScaleFactor("8"), MAX_WINDOW_SCALE);
    EXPECT_EQ(parseScaleFilter("Sharp"), std::nullopt);
}

} // namespace
} // namespace velmora
