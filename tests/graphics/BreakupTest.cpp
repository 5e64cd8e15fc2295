// The breakup transition: its parameters, circle masks, the cell box over
// the differing pixels, the order of the pieces, and frames of pieces in
// place, shrinking and flying.
#include <gtest/gtest.h>

#include "PictureFixtures.h"
#include "graphics/Breakup.h"

namespace velmora {
namespace {

using test::makePicture;
using test::pixelAt;
using test::SurfacePtr;

constexpr uint32_t BLACK = 0xff000000u;
constexpr uint32_t WHITE = 0xffffffffu;

SDL_Surface* plain(int w, int h, uint32_t colour) {
    SDL_Surface* s = makePicture(w, h, {});
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) pixelRow(s, y)[x] = colour;
    return s;
}

int setPixels(const std::array<uint8_t, 576>& mask) {
    int n = 0;
    for (uint8_t b : mask) n += b != 0;
    return n;
}

TEST(BreakupTest, ParametersFollowTheSlash) {
    EXPECT_EQ(breakupFlags("breakup.dll"), 0);
    EXPECT_EQ(breakupFlags("breakup.dll/"), 0);
    EXPECT_EQ(breakupFlags("breakup.dll/llp"), 1 | 2 | 4);
    EXPECT_EQ(breakupFlags("breakup.dll/lLP"), 1 | 4 | 8);
    EXPECT_EQ(breakupFlags("breakup.dll/xlQ"), 2 | 8);
    EXPECT_EQ(breakupFlags("breakup.dll/l"), 1);
}

TEST(BreakupTest, CircleMasksGrowAroundTheCellCentre) {
    Breakup breakup;
    const auto& smallest = breakup.circle(0);
    EXPECT_EQ(setPixels(smallest), 4);
    for (int y = 11; y <= 12; ++y)
        for (int x = 11; x <= 12; ++x) EXPECT_TRUE(smallest[y * 24 + x]) << x << "," << y;
    for (int i = 1; i < 16; ++i) {
        const auto& inner = breakup.circle(i - 1);
        const auto& outer = breakup.circle(i);
        EXPECT_GT(setPixels(outer), setPixels(inner)) << i;
        for (int p = 0; p < 576; ++p)
            if (inner[p]) {
                EXPECT_TRUE(outer[p]) << i << " " << p;
            }
    }
    // Mask 1: 2 x (products) + 1 < 8, i.e. the products sum to at most 3.
    EXPECT_TRUE(breakup.circle(1)[11 * 24 + 13]);  // 2 + 0
    EXPECT_FALSE(breakup.circle(1)[10 * 24 + 13]); // 2 + 2
    EXPECT_FALSE(breakup.circle(15)[0]);
}

TEST(BreakupTest, NoDifferingPixelMeansNoPieces) {
    SurfacePtr before(plain(50, 30, 0xff102030u));
    SurfacePtr after(plain(50, 30, 0xff182838u)); // every channel exactly 8 apart
    SurfacePtr target(plain(50, 30, 0));
    Breakup breakup;
    breakup.setUp("breakup.dll", before.get(), after.get());
    EXPECT_EQ(breakup.piece_count, 0);
    EXPECT_EQ(breakup.step_count, 45);
    EXPECT_FALSE(breakup.differs(0, 0));
    FrameInput in{before.get(), after.get(), target.get(), SDL_Rect{0, 0, 50, 30}, 20, 45};
    breakup.drawFrame(in);
    EXPECT_EQ(pixelAt(target.get(), 49, 29), 0xff182838u); // the base is the after picture
}

TEST(BreakupTest, PiecesRunAlongAntiDiagonalsOverTheCellBox) {
    SurfacePtr before(plain(72, 72, BLACK));
    SurfacePtr after(plain(72, 72, BLACK));
    pixelRow(after.get(), 5)[30] = 0xff090000u; // red 9 apart: differs
    pixelRow(after.get(), 40)[2] = WHITE;
    pixelRow(after.get(), 70)[70] = 0xff000008u; // 8 apart: does not
    Breakup breakup;
    breakup.setUp("breakup.dll", before.get(), after.get());
    EXPECT_TRUE(breakup.differs(30, 5));
    EXPECT_FALSE(breakup.differs(70, 70));
    // Without parameters: columns from x0 / 24 to the right edge, rows from
    // the top to y1 / 24.
    EXPECT_EQ(breakup.left, 0);
    EXPECT_EQ(breakup.top, 0);
    ASSERT_EQ(breakup.width, 3);
    ASSERT_EQ(breakup.height, 2);
    ASSERT_EQ(breakup.piece_count, 6);
    EXPECT_EQ(breakup.step_count, 3 + 2 + 45);
    const int expected[6][4] = {// cell x, cell y, direction, state
                                {2, 0, 1, 44}, {1, 0, 2, 45}, {2, 1, 3, 45},
                                {0, 0, 4, 46}, {1, 1, 5, 46}, {0, 1, 6, 47}};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(breakup.pieces[i].cell_x, expected[i][0]);
        EXPECT_EQ(breakup.pieces[i].cell_y, expected[i][1]);
        EXPECT_EQ(breakup.pieces[i].direction, expected[i][2]);
        EXPECT_EQ(breakup.pieces[i].state, expected[i][3]);
    }

    // Both 'l's: the box runs to the differing pixels' left and bottom edges,
    // the order is mirrored, and assembling pieces start below zero.
    breakup.setUp("breakup.dll/llp", before.get(), after.get());
    EXPECT_EQ(breakup.left, 0);
    EXPECT_EQ(breakup.width, 2);  // right = x1 / 24 = 1
    EXPECT_EQ(breakup.top, 0);    // y0 / 24
    EXPECT_EQ(breakup.height, 3); // bottom = (H - 1) / 24
    ASSERT_EQ(breakup.piece_count, 6);
    EXPECT_EQ(breakup.pieces[0].cell_x, 0);
    EXPECT_EQ(breakup.pieces[0].cell_y, 2);
    EXPECT_EQ(breakup.pieces[0].state, 0);
    EXPECT_EQ(breakup.pieces[5].state, -3);
}

class BreakupFrameTest : public testing::Test {
  protected:
    // 48 x 48, every pixel different: four pieces, 49 steps.
    void SetUp() override {
        before.reset(plain(48, 48, BLACK));
        after.reset(plain(48, 48, WHITE));
        target.reset(plain(48, 48, 0x12345678u));
        in = FrameInput{before.get(), after.get(), target.get(), SDL_Rect{0, 0, 48, 48}, 0, 49};
    }
    uint32_t at(int x, int y) { return pixelAt(target.get(), x, y); }
    SurfacePtr before, after, target;
    FrameInput in;
    Breakup breakup;
};

TEST_F(BreakupFrameTest, PiecesShrinkInPlaceThenFlyAway) {
    breakup.setUp("breakup.dll", before.get(), after.get());
    ASSERT_EQ(breakup.step_count, 49);
    in.elapsed = 1; // step 1: the first piece (cell 1,0) is at 43, circle 14
    breakup.drawFrame(in);
    EXPECT_EQ(breakup.pieces[0].state, 43);
    EXPECT_EQ(at(36, 12), BLACK); // centre of the shrinking piece
    EXPECT_EQ(at(24, 0), WHITE);  // its corner is outside circle 14
    EXPECT_EQ(at(0, 0), BLACK);   // a whole piece still in place

    // The same step again draws nothing.
    pixelRow(target.get(), 0)[0] = 0x12345678u;
    breakup.drawFrame(in);
    EXPECT_EQ(at(0, 0), 0x12345678u);

    in.elapsed = 5; // state 39: mask 10, moved by (-7 x -1 x 1, 1 x 2 x -1)
    breakup.drawFrame(in);
    EXPECT_EQ(breakup.pieces[0].state, 39);
    EXPECT_EQ(breakup.pieces[0].mask_stage, 10);
    EXPECT_EQ(at(36 + 7, 12 - 2), BLACK);
    EXPECT_EQ(at(24, 23), WHITE); // uncovered by the moved piece
}

TEST_F(BreakupFrameTest, AssemblingPiecesEndOnTheNewPicture) {
    breakup.setUp("breakup.dll/llp", before.get(), after.get());
    in.elapsed = 1; // nothing has arrived yet: every state is at most 1
    breakup.drawFrame(in);
    EXPECT_EQ(at(36, 12), BLACK);
    in.elapsed = 49;
    breakup.drawFrame(in);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 48; ++x) ASSERT_EQ(at(x, y), WHITE) << x << "," << y;
}

TEST_F(BreakupFrameTest, FramesStayInsideTheEffectArea) {
    breakup.setUp("breakup.dll", before.get(), after.get());
    in.area = SDL_Rect{0, 0, 24, 24};
    in.elapsed = 30;
    breakup.drawFrame(in);
    EXPECT_EQ(at(30, 30), 0x12345678u);
    EXPECT_EQ(at(47, 0), 0x12345678u);
}

} // namespace
} // namespace velmora
