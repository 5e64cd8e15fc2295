#include "graphics/AnimImage.h"

#include <gtest/gtest.h>

#include <vector>

namespace velmora {
namespace {

void makeAnimated(AnimImage& image, LoopMode mode, std::vector<int32_t> durations) {
    image.cell_count = static_cast<int32_t>(durations.size());
    image.cell_durations = std::move(durations);
    image.loop_mode = mode;
    image.animating = true;
    image.visible = true;
}

// The cells shown after each of `steps` steps, each step after its cell ran out.
std::vector<int32_t> run(AnimImage& image, int steps) {
    std::vector<int32_t> cells;
    for (int i = 0; i < steps; ++i) {
        image.advanceTime(image.remaining_ms);
        image.stepCell();
        cells.push_back(image.cell_index);
    }
    return cells;
}

TEST(AnimImageAnimation, CycleWrapsToTheFirstCell) {
    AnimImage image;
    makeAnimated(image, LoopMode::Cycle, {10, 20, 30});
    EXPECT_EQ(run(image, 5), (std::vector<int32_t>{1, 2, 0, 1, 2}));
    EXPECT_EQ(image.remaining_ms, 30);
}

TEST(AnimImageAnimation, PingPongRunsBackAndForth) {
    AnimImage three;
    makeAnimated(three, LoopMode::PingPong, {5, 5, 5});
    EXPECT_EQ(run(three, 6), (std::vector<int32_t>{1, 2, 1, 0, 1, 2}));
    AnimImage two;
    makeAnimated(two, LoopMode::PingPong, {5, 5});
    EXPECT_EQ(run(two, 4), (std::vector<int32_t>{1, 0, 1, 0}));
}

TEST(AnimImageAnimation, OnceStopsOnTheLastCellWithoutReportingChanges) {
    AnimImage image;
    makeAnimated(image, LoopMode::Once, {10, 40});
    image.advanceTime(0);
    EXPECT_TRUE(image.stepCell());
    EXPECT_EQ(image.cell_index, 1);
    image.advanceTime(40);
    EXPECT_FALSE(image.stepCell());
    EXPECT_EQ(image.cell_index, 1);
    EXPECT_EQ(image.remaining_ms, 40);
    EXPECT_TRUE(image.animating);
}

TEST(AnimImageAnimation, OneCellOrStaticNeverChanges) {
    for (LoopMode mode : {LoopMode::Cycle, LoopMode::Once, LoopMode::PingPong}) {
        AnimImage image;
        makeAnimated(image, mode, {7});
        EXPECT_FALSE(image.stepCell());
        EXPECT_EQ(image.cell_index, 0);
        EXPECT_EQ(image.remaining_ms, 7);
    }
    AnimImage still;
    makeAnimated(still, LoopMode::Static, {7, 8});
    EXPECT_FALSE(still.stepCell());
    EXPECT_EQ(still.cell_index, 0);
}

TEST(AnimImageAnimation, StepsOnlyWhenVisibleAnimatingAndDue) {
    AnimImage image;
    makeAnimated(image, LoopMode::Cycle, {10, 10});
    image.remaining_ms = 10;
    image.advanceTime(9);
    EXPECT_FALSE(image.stepCell());
    image.advanceTime(3);
    EXPECT_EQ(image.remaining_ms, -2);
    image.visible = false;
    image.advanceTime(100);
    EXPECT_EQ(image.remaining_ms, -2);
    EXPECT_FALSE(image.stepCell());
    image.visible = true;
    EXPECT_TRUE(image.stepCell());
    EXPECT_EQ(image.cell_index, 1);
    // Selecting clamps to the cells and leaves the timer.
    image.selectCell(-5);
    EXPECT_EQ(image.cell_index, 0);
    image.selectCell(5);
    EXPECT_EQ(image.cell_index, 1);
    EXPECT_EQ(image.remaining_ms, 10);
}

} // namespace
} // namespace velmora
