// The process-wide face cache. Entries are keyed by glyph size and never
// dropped, so every test here uses glyph sizes no other test uses.
#include <SDL_ttf.h>
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "text/FontCache.h"

namespace velmora {
namespace {

using test::ScratchDir;
using test::TEST_FONT_PATH;

FontState withGlyphSize(int32_t x, int32_t y) {
    FontState font;
    font.glyph_size = Vec2{x, y};
    return font;
}

class FontCache : public ::testing::Test {
  protected:
    // The cached faces outlive the test, so the library is never shut down.
    void SetUp() override { ASSERT_EQ(TTF_Init(), 0) << TTF_GetError(); }
};

TEST_F(FontCache, SizesThatAreNotPositiveFail) {
    FontState zero = withGlyphSize(0, 0);
    EXPECT_FALSE(openFace(zero, TEST_FONT_PATH, 1, 1));
    EXPECT_EQ(zero.face, nullptr);
    FontState negative = withGlyphSize(-3, 40);
    EXPECT_FALSE(openFace(negative, TEST_FONT_PATH, 1, 1));
    EXPECT_EQ(negative.face, nullptr);
    FontState no_scale = withGlyphSize(40, 40);
    EXPECT_FALSE(openFace(no_scale, TEST_FONT_PATH, 1, 0));
    EXPECT_EQ(no_scale.face, nullptr);
}

TEST_F(FontCache, FileThatIsNotAFontFailsAndLeavesNoFace) {
    ScratchDir dir;
    const std::string garbage = dir.write("garbage.ttf", std::string(2048, '\x5a')).string();

    FontState font = withGlyphSize(19, 19);
    ASSERT_TRUE(openFace(font, TEST_FONT_PATH, 1, 1));
    font.glyph_size = Vec2{17, 17};
    EXPECT_FALSE(openFace(font, garbage, 1, 1));
    EXPECT_EQ(font.face, nullptr);
    EXPECT_EQ(font.outline_face, nullptr);

    FontState missing = withGlyphSize(18, 18);
    EXPECT_FALSE(openFace(missing, (dir.path() / "none.ttf").string(), 1, 1));
    EXPECT_EQ(missing.face, nullptr);

    // The failure is remembered for the size, whatever file is asked for next.
    FontState again = withGlyphSize(17, 17);
    EXPECT_FALSE(openFace(again, TEST_FONT_PATH, 1, 1));
    EXPECT_EQ(again.face, nullptr);
}

TEST_F(FontCache, LayoutsOfOneSizeShareTheFace) {
    FontState first = withGlyphSize(21, 21);
    FontState second = withGlyphSize(30, 21); // the smaller side counts
    FontState other = withGlyphSize(23, 23);
    ASSERT_TRUE(openFace(first, TEST_FONT_PATH, 1, 1));
    ASSERT_TRUE(openFace(second, TEST_FONT_PATH, 1, 1));
    ASSERT_TRUE(openFace(other, TEST_FONT_PATH, 1, 1));
    EXPECT_NE(first.face, nullptr);
    EXPECT_EQ(first.face, second.face);
    EXPECT_EQ(first.outline_face, second.outline_face);
    EXPECT_NE(first.face, other.face);
    EXPECT_GT(first.face_height, 0);
    EXPECT_EQ(first.face_height, TTF_FontHeight(first.face));
    EXPECT_LT(first.face_height, other.face_height);
}

TEST_F(FontCache, OutlineFaceIsASecondFaceWithAnOutlineOfOne) {
    FontState font = withGlyphSize(25, 25);
    ASSERT_TRUE(openFace(font, TEST_FONT_PATH, 1, 1));
    ASSERT_NE(font.outline_face, nullptr);
    EXPECT_NE(font.outline_face, font.face);
    EXPECT_EQ(TTF_GetFontOutline(font.outline_face), 1);
    EXPECT_EQ(TTF_GetFontOutline(font.face), 0);
}

TEST_F(FontCache, ScaleRatioSetsThePointSize) {
    FontState doubled = withGlyphSize(14, 14);
    FontState plain = withGlyphSize(28, 28);
    FontState small = withGlyphSize(15, 15);
    ASSERT_TRUE(openFace(doubled, TEST_FONT_PATH, 2, 1));
    ASSERT_TRUE(openFace(plain, TEST_FONT_PATH, 1, 1));
    ASSERT_TRUE(openFace(small, TEST_FONT_PATH, 1, 1));
    EXPECT_NE(doubled.face, plain.face);
    EXPECT_EQ(doubled.face_height, plain.face_height);
    EXPECT_GT(doubled.face_height, small.face_height);
}

} // namespace
} // namespace velmora
