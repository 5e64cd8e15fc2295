#include "graphics/PictureFixtures.h"
#include "graphics/Screen.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace velmora {
namespace {

using test::argb;
using test::makePicture;
using test::pixelAt;
using test::SurfacePtr;

constexpr int WIDTH = 64;
constexpr int HEIGHT = 48;

// Pixels a composition never wrote keep this value.
const uint32_t UNTOUCHED = argb(255, 1, 2, 3);
const uint32_t BACKGROUND = argb(255, 200, 100, 50);
const uint32_t RED = argb(255, 255, 0, 0);
const uint32_t GREEN = argb(255, 0, 255, 0);
const uint32_t BLUE = argb(255, 0, 0, 255);
const uint32_t YELLOW = argb(255, 255, 255, 0);
const uint32_t CYAN = argb(255, 0, 255, 255);
const uint32_t WHITE = argb(255, 255, 255, 255);

// One opaque cell of `colour`, w x h, at (x, y), shown.
void solid(AnimImage& image, int16_t x, int16_t y, int w, int h, uint32_t colour) {
    image.cell_count = 1;
    image.adoptSurface(makePicture(w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h, colour)),
                       ENGINE_FORMAT_CODE);
    image.screen_rect.x = x;
    image.screen_rect.y = y;
    image.visible = true;
}

// A rotated sprite of w x h centred on (x, y) at its natural size.
void solidRotated(AnimImage& image, int16_t x, int16_t y, int w, int h, uint32_t colour) {
    solid(image, x, y, w, h, colour);
    image.scale_x = image.scale_y = 100;
    image.computeAffine();
}

void fill(SDL_Surface* surface, uint32_t colour) {
    for (int y = 0; y < surface->h; ++y)
        for (int x = 0; x < surface->w; ++x) pixelRow(surface, y)[x] = colour;
}

class ScreenCompose : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(screen.createSurfaces(WIDTH, HEIGHT));
        solid(screen.background_image, 0, 0, WIDTH, HEIGHT, BACKGROUND);
        target.reset(createSurface32(WIDTH, HEIGHT, ENGINE_FORMAT_CODE));
        ASSERT_TRUE(target);
        fill(target.get(), UNTOUCHED);
    }

    void compose(uint32_t flags = REFRESH_PICTURES, const SDL_Rect* clip = nullptr) {
        screen.compose(target.get(), clip, flags, settings);
    }
    uint32_t at(int x, int y) const { return pixelAt(target.get(), x, y); }

    AnimImage& addBar(int index) {
        screen.bar_images[index] = std::make_unique<AnimImage>();
        return *screen.bar_images[index];
    }
    AnimImage& addNumber(int index) {
        screen.number_images[index] = std::make_unique<AnimImage>();
        return *screen.number_images[index];
    }

    Screen screen;
    LayerSettings settings;
    SurfacePtr target;
};

TEST_F(ScreenCompose, SpritesAboveTheZOrderLieUnderTheStandingPictures) {
    solid(screen.standing_images[1], 10, 10, 20, 20, GREEN);
    solid(screen.sprites[500], 0, 0, 16, 16, RED);
    solid(screen.sprites[499], 24, 24, 16, 16, BLUE);
    solid(screen.sprites[11], 40, 0, 10, 10, YELLOW);
    solid(screen.sprites[10], 44, 4, 10, 10, CYAN);
    compose();
    EXPECT_EQ(at(2, 2), RED);
    EXPECT_EQ(at(12, 12), GREEN); // standing picture over sprite 500
    EXPECT_EQ(at(26, 26), BLUE);  // sprite 499 over the standing picture
    EXPECT_EQ(at(41, 1), YELLOW);
    EXPECT_EQ(at(46, 6), CYAN); // the lower number on top
    EXPECT_EQ(at(60, 40), BACKGROUND);
}

TEST_F(ScreenCompose, ZOrderBoundaryFollowsTheSetting) {
    solid(screen.standing_images[0], 10, 10, 20, 20, GREEN);
    solid(screen.sprites[21], 0, 0, 16, 16, RED);
    solid(screen.sprites[20], 24, 24, 16, 16, BLUE);
    settings.sprite_z_order = 20;
    compose();
    EXPECT_EQ(at(12, 12), GREEN);
    EXPECT_EQ(at(26, 26), BLUE);

    // Below zero every sprite lies under the standing pictures.
    settings.sprite_z_order = -1;
    solid(screen.sprites[0], 24, 24, 16, 16, YELLOW);
    compose();
    EXPECT_EQ(at(26, 26), GREEN);
    EXPECT_EQ(at(35, 35), YELLOW);
}

TEST_F(ScreenCompose, HiddenSpritesAreNotDrawnButHiddenStandingPicturesAre) {
    solid(screen.sprites[3], 0, 0, 8, 8, RED);
    screen.sprites[3].visible = false;
    solid(screen.standing_images[2], 20, 20, 8, 8, GREEN);
    screen.standing_images[2].visible = false;
    compose();
    EXPECT_EQ(at(2, 2), BACKGROUND);
    EXPECT_EQ(at(22, 22), GREEN);
}

TEST_F(ScreenCompose, StandingOrderEntryZeroIsTopmost) {
    solid(screen.standing_images[0], 0, 0, 30, 30, RED);
    solid(screen.standing_images[1], 10, 10, 30, 30, GREEN);
    solid(screen.standing_images[2], 20, 20, 30, 30, BLUE);
    compose(); // (2, 1, 0): slot 2 on top, slot 0 at the bottom
    EXPECT_EQ(at(25, 25), BLUE);
    EXPECT_EQ(at(15, 15), GREEN);

    screen.standing_order = {0, 2, 1};
    compose();
    EXPECT_EQ(at(25, 25), RED);
    EXPECT_EQ(at(35, 35), BLUE); // slot 2 above slot 1

    // Negative and out-of-range entries draw nothing, and nor does a slot
    // without a surface.
    screen.standing_order = {-1, 1, 5};
    compose();
    EXPECT_EQ(at(5, 5), BACKGROUND);
    EXPECT_EQ(at(25, 25), GREEN);
    EXPECT_EQ(at(45, 45), BACKGROUND);
    screen.standing_images[1].freeImage(true);
    compose();
    EXPECT_EQ(at(25, 25), BACKGROUND);
}

TEST_F(ScreenCompose, WindowBackPutsLowSpritesAboveTheTextWindow) {
    settings.shaded_window = false;
    solid(screen.window_image, 8, 8, 32, 32, WHITE);
    solid(screen.sprites[0], 0, 0, 12, 12, RED);
    solid(screen.sprites[600], 30, 30, 12, 12, BLUE);

    settings.window_back = true;
    compose(REFRESH_TEXT_WINDOW);
    EXPECT_EQ(at(10, 10), RED);
    EXPECT_EQ(at(35, 35), WHITE);
    EXPECT_EQ(at(41, 41), BLUE);

    settings.window_back = false;
    compose(REFRESH_TEXT_WINDOW);
    EXPECT_EQ(at(10, 10), WHITE);
    EXPECT_EQ(at(35, 35), WHITE);
    EXPECT_EQ(at(2, 2), RED);

    // The window picture is drawn only with the window flag.
    compose(REFRESH_PICTURES);
    EXPECT_EQ(at(10, 10), RED);
    EXPECT_EQ(at(20, 20), BACKGROUND);
}

TEST_F(ScreenCompose, WithWindowBackTheFiltersMissTheLowSpritesAndTheWindow) {
    settings.shaded_window = false;
    solid(screen.window_image, 20, 20, 8, 8, WHITE);
    solid(screen.sprites[0], 0, 0, 8, 8, RED);
    solid(screen.sprites[600], 10, 0, 8, 8, BLUE);
    screen.nega_mode = 1;

    settings.window_back = true;
    compose(REFRESH_TEXT_WINDOW);
    EXPECT_EQ(at(2, 2), RED);
    EXPECT_EQ(at(12, 2), YELLOW);
    EXPECT_EQ(at(22, 22), WHITE);
    EXPECT_EQ(at(40, 40), argb(255, 55, 155, 205));

    settings.window_back = false;
    compose(REFRESH_TEXT_WINDOW);
    EXPECT_EQ(at(2, 2), CYAN);
    EXPECT_EQ(at(12, 2), YELLOW);
    EXPECT_EQ(at(22, 22), WHITE);
}

TEST_F(ScreenCompose, RotatedSpritesLieAboveLowSpritesUnlessTheWindowIsBack) {
    solid(screen.sprites[0], 10, 10, 20, 20, GREEN);
    solidRotated(screen.rotated_sprites[0], 20, 20, 8, 8, RED);    // covers 16..23
    solidRotated(screen.rotated_sprites[255], 22, 22, 8, 8, BLUE); // covers 18..25
    compose();
    EXPECT_EQ(at(17, 17), RED);
    EXPECT_EQ(at(21, 21), RED); // rotated sprite 0 on top of 255
    EXPECT_EQ(at(25, 25), BLUE);
    EXPECT_EQ(at(28, 28), GREEN);

    settings.window_back = true;
    compose();
    EXPECT_EQ(at(17, 17), GREEN);
    EXPECT_EQ(at(25, 25), GREEN);
    EXPECT_EQ(at(40, 40), BACKGROUND);
}

TEST_F(ScreenCompose, HidingAllSpritesKeepsRotatedSprites) {
    solid(screen.sprites[0], 0, 0, 8, 8, RED);
    solid(screen.sprites[600], 10, 0, 8, 8, RED);
    solid(screen.standing_images[1], 20, 0, 8, 8, GREEN);
    solidRotated(screen.rotated_sprites[7], 44, 14, 8, 8, BLUE);
    screen.all_sprites_hidden = true;
    compose();
    EXPECT_EQ(at(2, 2), BACKGROUND);
    EXPECT_EQ(at(12, 2), BACKGROUND);
    EXPECT_EQ(at(22, 2), BACKGROUND);
    EXPECT_EQ(at(44, 14), BLUE);

    screen.all_sprites_hidden = false;
    screen.all_rotated_hidden = true;
    compose();
    EXPECT_EQ(at(2, 2), RED);
    EXPECT_EQ(at(22, 2), GREEN);
    EXPECT_EQ(at(44, 14), BACKGROUND);
}

TEST_F(ScreenCompose, NegaOneGreysTheInvertedColoursAndNegaTwoInvertsTheGrey) {
    screen.monochrome = true;
    screen.nega_mode = 1;
    compose();
    // Inverted (55, 155, 205): grey (77*55 + 151*155 + 28*205) >> 8 = 130,
    // through the white table 130 * 255 >> 8 = 129; the alpha byte is cleared.
    EXPECT_EQ(at(5, 5), argb(0, 129, 129, 129));

    screen.nega_mode = 2;
    compose();
    // Grey of (200, 100, 50) is 124, in the table 123, inverted 132.
    EXPECT_EQ(at(5, 5), argb(0, 132, 132, 132));

    screen.setMonochromeColour({255, 128, 0});
    screen.nega_mode = 1;
    compose();
    EXPECT_EQ(at(5, 5), argb(0, 129, 65, 0));
    screen.nega_mode = 0;
    compose();
    EXPECT_EQ(at(5, 5), argb(0, 123, 62, 0));
    screen.monochrome = false;
    compose();
    EXPECT_EQ(at(5, 5), BACKGROUND);
}

TEST_F(ScreenCompose, BarsAndNumbersLieOverTheFilters) {
    solid(addBar(0), 0, 0, 8, 8, RED);
    solid(addBar(1), 4, 4, 8, 8, GREEN);
    solid(addNumber(0), 8, 8, 8, 8, BLUE);
    solid(screen.sprites[0], 30, 30, 8, 8, YELLOW);
    screen.nega_mode = 1;
    compose();
    EXPECT_EQ(at(1, 1), RED);
    EXPECT_EQ(at(5, 5), GREEN);  // bar 1 over bar 0
    EXPECT_EQ(at(9, 9), BLUE);   // numbers over bars
    EXPECT_EQ(at(31, 31), BLUE); // the sprite is inverted
    EXPECT_EQ(at(50, 20), argb(255, 55, 155, 205));
}

TEST_F(ScreenCompose, ShadedWindowDarkensItsRectangle) {
    settings.window_shade = {127, 63, 255};
    screen.window_image.screen_rect = SDL_Rect{8, 8, 16, 16};
    solid(addBar(0), 8, 8, 4, 4, RED);
    compose(REFRESH_PICTURES | REFRESH_WINDOW);
    // channel * (shade + 1) >> 8: 200 * 128, 100 * 64 and 50 * 256.
    EXPECT_EQ(at(14, 14), argb(255, 100, 25, 50));
    EXPECT_EQ(at(23, 23), argb(255, 100, 25, 50));
    EXPECT_EQ(at(9, 9), argb(255, 127, 0, 0)); // the window lies over the bars
    EXPECT_EQ(at(24, 24), BACKGROUND);
    EXPECT_EQ(at(7, 7), BACKGROUND);

    compose(REFRESH_PICTURES);
    EXPECT_EQ(at(14, 14), BACKGROUND);

    // A clip across the window shades only the part inside it.
    fill(target.get(), UNTOUCHED);
    const SDL_Rect clip{20, 20, 10, 10};
    compose(REFRESH_PICTURES | REFRESH_WINDOW, &clip);
    EXPECT_EQ(at(14, 14), UNTOUCHED);
    EXPECT_EQ(at(20, 20), argb(255, 100, 25, 50));
    EXPECT_EQ(at(24, 24), BACKGROUND);

    // The menu layout shades the whole screen.
    settings.story_layout = false;
    compose(REFRESH_PICTURES | REFRESH_WINDOW);
    EXPECT_EQ(at(40, 40), argb(255, 100, 25, 50));
    EXPECT_EQ(at(0, 0), argb(255, 100, 25, 50));
    EXPECT_EQ(at(9, 9), argb(255, 127, 0, 0));
}

TEST_F(ScreenCompose, TextLayerLiesOverTheShadedWindow) {
    std::vector<uint32_t> text(WIDTH * HEIGHT, 0);
    text[10 * WIDTH + 10] = WHITE;
    screen.text_layer_image.cell_count = 1;
    screen.text_layer_image.adoptSurface(makePicture(WIDTH, HEIGHT, text), ENGINE_FORMAT_CODE);
    screen.window_image.screen_rect = SDL_Rect{8, 8, 16, 16};
    settings.window_shade = {127, 127, 127};
    const uint32_t shaded = argb(255, 100, 50, 25);

    compose(REFRESH_TEXT_WINDOW);
    EXPECT_EQ(at(10, 10), WHITE);
    EXPECT_EQ(at(11, 10), shaded);
    compose(REFRESH_PICTURES | REFRESH_WINDOW);
    EXPECT_EQ(at(10, 10), shaded);
    compose(REFRESH_PICTURES | REFRESH_TEXT);
    EXPECT_EQ(at(10, 10), WHITE);
    EXPECT_EQ(at(11, 10), BACKGROUND);

    // With the window at the back the text still covers the window.
    settings.window_back = true;
    compose(REFRESH_TEXT_WINDOW);
    EXPECT_EQ(at(10, 10), WHITE);
    EXPECT_EQ(at(11, 10), shaded);
}

TEST_F(ScreenCompose, NoFlagsDrawsNothingAndTheClipLimitsTheRedraw) {
    solid(screen.sprites[0], 8, 8, 8, 8, RED);
    compose(0);
    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x) ASSERT_EQ(at(x, y), UNTOUCHED) << x << ", " << y;

    // The filters, too, stay inside the clip.
    const SDL_Rect clip{12, 12, 8, 8};
    screen.nega_mode = 1;
    compose(REFRESH_PICTURES, &clip);
    EXPECT_EQ(at(11, 11), UNTOUCHED);
    EXPECT_EQ(at(12, 12), CYAN);
    EXPECT_EQ(at(15, 15), CYAN);
    EXPECT_EQ(at(19, 19), argb(255, 55, 155, 205));
    EXPECT_EQ(at(20, 20), UNTOUCHED);
    EXPECT_EQ(at(20, 12), UNTOUCHED);
}

TEST_F(ScreenCompose, ClipIsCutToTheTarget) {
    const SDL_Rect corner{60, 44, 20, 20};
    compose(REFRESH_PICTURES, &corner);
    EXPECT_EQ(at(63, 47), BACKGROUND);
    EXPECT_EQ(at(60, 44), BACKGROUND);
    EXPECT_EQ(at(59, 47), UNTOUCHED);
    EXPECT_EQ(at(63, 43), UNTOUCHED);

    const SDL_Rect outside{100, 100, 5, 5};
    const SDL_Rect empty{10, 10, 0, 5};
    compose(REFRESH_PICTURES, &outside);
    compose(REFRESH_PICTURES, &empty);
    EXPECT_EQ(at(10, 10), UNTOUCHED);
    EXPECT_EQ(at(0, 0), UNTOUCHED);
}

TEST_F(ScreenCompose, SkipLowSpritesLeavesOutSpritesBelowTenBarsAndNumbers) {
    solid(screen.standing_images[0], 20, 20, 20, 20, GREEN);
    solid(screen.sprites[999], 10, 10, 12, 12, RED);
    solid(screen.sprites[10], 30, 30, 12, 12, BLUE);
    solid(screen.sprites[5], 0, 0, 8, 8, YELLOW);
    solid(screen.sprites[7], 20, 0, 8, 8, YELLOW);
    solid(screen.sprites[0], 50, 0, 8, 8, WHITE);
    solid(addBar(0), 0, 40, 8, 8, WHITE);
    solid(addNumber(99), 50, 40, 8, 8, WHITE);
    settings.sprite_z_order = 5;

    compose(REFRESH_PICTURES | REFRESH_SKIP_LOW_SPRITES);
    EXPECT_EQ(at(11, 11), RED);
    EXPECT_EQ(at(21, 21), GREEN);
    EXPECT_EQ(at(31, 31), GREEN); // sprite 10 moved under the standing picture
    EXPECT_EQ(at(41, 41), BLUE);
    EXPECT_EQ(at(2, 2), BACKGROUND);
    EXPECT_EQ(at(22, 2), BACKGROUND);
    EXPECT_EQ(at(52, 2), BACKGROUND);
    EXPECT_EQ(at(2, 42), BACKGROUND);
    EXPECT_EQ(at(52, 42), BACKGROUND);

    compose(REFRESH_PICTURES);
    EXPECT_EQ(at(31, 31), GREEN);
    EXPECT_EQ(at(2, 2), YELLOW);
    EXPECT_EQ(at(22, 2), YELLOW);
    EXPECT_EQ(at(52, 2), WHITE);
    EXPECT_EQ(at(2, 42), WHITE);
    EXPECT_EQ(at(52, 42), WHITE);

    // With the usual order the skipped sprites 10 and up stay above.
    settings.sprite_z_order = 499;
    compose(REFRESH_PICTURES | REFRESH_SKIP_LOW_SPRITES);
    EXPECT_EQ(at(31, 31), BLUE);
    EXPECT_EQ(at(2, 2), BACKGROUND);
}

TEST_F(ScreenCompose, CursorFollowsTheWaitState) {
    solid(screen.cursor_images[0], 4, 4, 4, 4, RED);
    solid(screen.cursor_images[1], 20, 4, 4, 4, BLUE);
    const uint32_t flags = REFRESH_PICTURES | REFRESH_CURSOR;

    settings.text_wait_state = 1;
    compose(flags);
    EXPECT_EQ(at(5, 5), RED);
    EXPECT_EQ(at(21, 5), BACKGROUND);
    compose(REFRESH_PICTURES);
    EXPECT_EQ(at(5, 5), BACKGROUND);

    settings.text_wait_state = 2;
    compose(flags);
    EXPECT_EQ(at(5, 5), BACKGROUND);
    EXPECT_EQ(at(21, 5), BLUE);

    settings.text_gosub_set = true;
    compose(flags);
    EXPECT_EQ(at(21, 5), BACKGROUND);

    settings.text_gosub_set = false;
    settings.text_wait_state = 0;
    compose(flags);
    EXPECT_EQ(at(5, 5), BACKGROUND);
    EXPECT_EQ(at(21, 5), BACKGROUND);
}

TEST_F(ScreenCompose, CursorThatFollowsTheTextIsMovedByThePen) {
    solid(screen.cursor_images[0], 4, 4, 4, 4, RED);
    screen.cursor_images[0].absolute_position = false;
    settings.text_wait_state = 1;
    settings.pen_x = 10;
    settings.pen_y = 20;
    compose(REFRESH_PICTURES | REFRESH_CURSOR);
    EXPECT_EQ(at(5, 5), BACKGROUND);
    EXPECT_EQ(at(14, 24), RED);
    EXPECT_EQ(at(17, 27), RED);
    EXPECT_EQ(at(18, 28), BACKGROUND);
}

TEST_F(ScreenCompose, DialogIsTopmostWhileShown) {
    solid(screen.cursor_images[0], 0, 0, 8, 8, RED);
    solid(addBar(0), 0, 0, 8, 8, GREEN);
    settings.shaded_window = false;
    solid(screen.window_image, 0, 0, 8, 8, YELLOW);
    solid(screen.dialog_image, 2, 2, 4, 4, BLUE);
    settings.text_wait_state = 1;
    const uint32_t flags = REFRESH_TEXT_WINDOW | REFRESH_CURSOR;

    compose(flags);
    EXPECT_EQ(at(3, 3), RED);
    screen.dialog_shown = true;
    compose(flags);
    EXPECT_EQ(at(3, 3), BLUE);
    EXPECT_EQ(at(1, 1), RED);
}

class ScreenShow : public ScreenCompose {
  protected:
    void SetUp() override {
        ScreenCompose::SetUp();
        screen.screen_surface = target.get();
    }
    void TearDown() override { screen.screen_surface = nullptr; }
};

TEST_F(ScreenShow, CopiesOnlyTheRectangleToTheWindow) {
    screen.show(SDL_Rect{4, 4, 8, 8}, REFRESH_PICTURES, settings);
    EXPECT_EQ(at(4, 4), BACKGROUND);
    EXPECT_EQ(at(11, 11), BACKGROUND);
    EXPECT_EQ(at(12, 11), UNTOUCHED);
    EXPECT_EQ(at(3, 4), UNTOUCHED);
    EXPECT_EQ(pixelAt(screen.compose_surface, 4, 4), BACKGROUND);

    screen.show(SDL_Rect{60, 44, 10, 10}, REFRESH_PICTURES, settings);
    EXPECT_EQ(at(63, 47), BACKGROUND);
    EXPECT_EQ(at(59, 47), UNTOUCHED);
}

TEST_F(ScreenShow, EmptyRectangleCopiesNothing) {
    fill(screen.compose_surface, GREEN);
    screen.show(SDL_Rect{4, 4, 0, 0}, REFRESH_PICTURES, settings);
    screen.show(SDL_Rect{4, 4, 8, 0}, REFRESH_PICTURES, settings);
    screen.show(SDL_Rect{100, 4, 8, 8}, REFRESH_PICTURES, settings);
    for (int y = 0; y < HEIGHT; ++y)
        for (int x = 0; x < WIDTH; ++x) ASSERT_EQ(at(x, y), UNTOUCHED) << x << ", " << y;
}

TEST_F(ScreenShow, DamageIsShownAsOneBoundingBox) {
    screen.damage.add(SDL_Rect{0, 0, 4, 4});
    const SDL_Rect rect{20, 20, 4, 4};
    screen.showDamage(REFRESH_PICTURES, &rect, false, false, settings);
    EXPECT_EQ(at(10, 10), BACKGROUND); // between the two rectangles
    EXPECT_EQ(at(23, 23), BACKGROUND);
    EXPECT_EQ(at(24, 24), UNTOUCHED);
    EXPECT_EQ(screen.damage.area.w, 24);
    EXPECT_EQ(screen.damage.area.h, 24);

    screen.showDamage(REFRESH_PICTURES, nullptr, true, false, settings);
    EXPECT_TRUE(screen.damage.empty());
}

TEST_F(ScreenShow, ImmediateShowSendsOnlyTheRectangle) {
    screen.damage.add(SDL_Rect{0, 0, 4, 4});
    const SDL_Rect rect{20, 20, 4, 4};
    screen.showDamage(REFRESH_PICTURES, &rect, false, true, settings);
    EXPECT_EQ(at(21, 21), BACKGROUND);
    EXPECT_EQ(at(1, 1), UNTOUCHED);
    EXPECT_EQ(at(10, 10), UNTOUCHED);
    EXPECT_EQ(screen.damage.area.w, 4);

    screen.showDamage(REFRESH_PICTURES, &rect, true, true, settings);
    EXPECT_TRUE(screen.damage.empty());
    EXPECT_EQ(at(1, 1), UNTOUCHED);
}

TEST_F(ScreenShow, NoDamageShowsNothing) {
    screen.showDamage(REFRESH_PICTURES, nullptr, false, false, settings);
    EXPECT_EQ(at(0, 0), UNTOUCHED);
    EXPECT_EQ(at(63, 47), UNTOUCHED);
}

TEST(Screen, DamagePictureUsesTheBoundingBoxOfRotatedSprites) {
    Screen screen;
    ASSERT_TRUE(screen.createSurfaces(WIDTH, HEIGHT));
    solid(screen.sprites[4], 5, 6, 8, 8, RED);
    screen.damagePicture(screen.sprites[4]);
    EXPECT_EQ(screen.damage.area.x, 5);
    EXPECT_EQ(screen.damage.area.y, 6);
    EXPECT_EQ(screen.damage.area.w, 8);
    EXPECT_EQ(screen.damage.area.h, 8);

    screen.damage.clear();
    solidRotated(screen.rotated_sprites[0], 30, 20, 8, 8, RED);
    screen.damagePicture(screen.rotated_sprites[0]);
    EXPECT_EQ(screen.damage.area.x, 26);
    EXPECT_EQ(screen.damage.area.y, 16);
    EXPECT_EQ(screen.damage.area.w, 9);
    EXPECT_EQ(screen.damage.area.h, 9);
}

TEST(Screen, RefreshFlagsAreThoseOfTheTextWindowWhileItIsShown) {
    Screen screen;
    screen.text_refresh_flags = REFRESH_PICTURES | REFRESH_WINDOW;
    EXPECT_EQ(screen.refreshFlags(), REFRESH_PICTURES);
    screen.window_shown = true;
    EXPECT_EQ(screen.refreshFlags(), REFRESH_PICTURES | REFRESH_WINDOW);
}

TEST(Screen, ResetEmptiesTheSlotsAndRestoresTheFilterSwitches) {
    Screen screen;
    ASSERT_TRUE(screen.createSurfaces(WIDTH, HEIGHT));
    solid(screen.sprites[12], 0, 0, 4, 4, RED);
    solid(screen.standing_images[1], 0, 0, 4, 4, RED);
    screen.bar_images[3] = std::make_unique<AnimImage>();
    screen.number_images[7] = std::make_unique<AnimImage>();
    screen.standing_order = {0, -1, 2};
    screen.background_name = "white";
    screen.nega_mode = 2;
    screen.monochrome = true;
    screen.dialog_shown = true;
    screen.text_refresh_flags = REFRESH_PICTURES | REFRESH_WINDOW;
    screen.all_sprites_hidden = true;

    screen.resetPictures();
    EXPECT_EQ(screen.sprites[12].surface, nullptr);
    EXPECT_FALSE(screen.sprites[12].visible);
    EXPECT_EQ(screen.standing_images[1].surface, nullptr);
    EXPECT_EQ(screen.bar_images[3], nullptr);
    EXPECT_EQ(screen.number_images[7], nullptr);
    EXPECT_EQ(screen.standing_order, (std::array<int32_t, 3>{2, 1, 0}));
    EXPECT_EQ(screen.background_name, "black");
    EXPECT_EQ(screen.nega_mode, 0);
    EXPECT_FALSE(screen.monochrome);
    EXPECT_FALSE(screen.dialog_shown);
    EXPECT_EQ(screen.text_refresh_flags, REFRESH_TEXT_WINDOW);
    EXPECT_TRUE(screen.all_sprites_hidden); // a layer switch the reset keeps
    EXPECT_EQ(screen.damage.area.w, WIDTH);
    EXPECT_EQ(screen.damage.area.h, HEIGHT);
}

} // namespace
} // namespace velmora
