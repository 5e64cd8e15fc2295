#include "input/ButtonList.h"

#include <gtest/gtest.h>

#include <vector>

namespace velmora {
namespace {

// A 10 x 10 picture of one opacity at (x, y).
void makeSquare(AnimImage& image, int16_t x, int16_t y, uint8_t alpha) {
    image.cell_count = 1;
    ASSERT_TRUE(image.allocSurface(10, 10, ENGINE_FORMAT_CODE));
    image.paint(255, 255, 255, alpha);
    image.screen_rect.x = x;
    image.screen_rect.y = y;
}

// Sprite 0 and a picture button overlap at (5, 5); a text line covers the
// same point. Which one the point selects depends on the opacities.
TEST(ButtonListTest, OverlappingButtonsCompeteByAgeOrOpacity) {
    struct Case {
        bool transparent;
        uint8_t sprite_alpha, picture_alpha;
        int32_t keyboard;
        int32_t expected; // button number; 0 none
    };
    const Case cases[] = {
        {false, 0, 0, -1, 3},    // the newest, whatever its pictures
        {true, 200, 100, -1, 1}, // the more opaque sprite, though older
        {true, 100, 200, -1, 2}, // the more opaque picture
        {true, 150, 150, -1, 2}, // a tie: the newer of the two
        {true, 0, 0, -1, 0},     // fully transparent: none, and never the text line
        {true, 200, 100, 3, 3},  // the keyboard's pick is taken at once
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.transparent << " " << int(c.sprite_alpha) << " "
                                        << int(c.picture_alpha) << " " << c.keyboard);
        std::vector<AnimImage> sprites(1);
        makeSquare(sprites[0], 0, 0, c.sprite_alpha);
        ButtonList list;
        ButtonEntry& sprite = list.prepend(ButtonKind::Sprite, 1);
        sprite.sprite = 0;
        sprite.hit_rect = {0, 0, 10, 10};
        ButtonEntry& picture = list.prepend(ButtonKind::Picture, 2);
        picture.hit_rect = {2, 2, 10, 10};
        makeSquare(picture.ownImage(), 2, 2, c.picture_alpha);
        list.prepend(ButtonKind::TextLine, 3).hit_rect = {0, 0, 20, 20};
        list.transparent_hits = c.transparent;
        list.keyboard_button = c.keyboard;
        const ButtonEntry* found = list.find(5, 5, sprites);
        EXPECT_EQ(found ? found->number : 0, c.expected);
        EXPECT_EQ(list.find(15, 15, sprites) ? 3 : 0, c.transparent && c.keyboard != 3 ? 0 : 3);
    }
}

TEST(ButtonListTest, RemovingASpritesButtonsForgetsTheHoveredOne) {
    ButtonList list;
    list.prepend(ButtonKind::Sprite, 1).sprite = 4;
    list.prepend(ButtonKind::Picture, 2);
    list.prepend(ButtonKind::Sprite, 3).sprite = 4;
    list.current_link = list.at(0);
    list.current_button = 3;
    list.removeSpriteButtons(4);
    ASSERT_EQ(list.size(), 1);
    EXPECT_EQ(list.at(0)->number, 2);
    EXPECT_EQ(list.current_link, nullptr);
    EXPECT_EQ(list.current_button, 0);
    list.removeSpriteButtons(-1);
    EXPECT_EQ(list.size(), 1); // picture buttons stay
}

} // namespace
} // namespace velmora
