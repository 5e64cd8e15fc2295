#include "graphics/DamageRect.h"

#include <gtest/gtest.h>

#include <ostream>

namespace velmora {
namespace {

struct Box {
    int x, y, w, h;
    bool operator==(const Box&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Box& box) {
    return out << "(" << box.x << ", " << box.y << ", " << box.w << ", " << box.h << ")";
}

Box areaOf(const DamageRect& damage) {
    return Box{damage.area.x, damage.area.y, damage.area.w, damage.area.h};
}

DamageRect screenDamage() {
    DamageRect damage;
    damage.setBounds(640, 480);
    return damage;
}

TEST(DamageRect, RectanglesOffTheScreenAreIgnored) {
    DamageRect damage = screenDamage();
    damage.add(SDL_Rect{-10, -10, 5, 5});
    damage.add(SDL_Rect{-10, 20, 9, 5}); // ends one pixel before the left edge
    damage.add(SDL_Rect{640, 0, 20, 10});
    damage.add(SDL_Rect{0, 480, 20, 10});
    EXPECT_TRUE(damage.empty());

    // Nor do they move an existing area.
    damage.add(SDL_Rect{100, 100, 10, 10});
    damage.add(SDL_Rect{-10, -10, 5, 5});
    damage.add(SDL_Rect{700, 500, 5, 5});
    EXPECT_EQ(areaOf(damage), (Box{100, 100, 10, 10}));
}

TEST(DamageRect, EmptyRectanglesAreIgnored) {
    DamageRect damage = screenDamage();
    damage.add(SDL_Rect{10, 10, 0, 50});
    damage.add(SDL_Rect{10, 10, 50, 0});
    EXPECT_TRUE(damage.empty());
    damage.add(SDL_Rect{100, 100, 10, 10});
    damage.add(SDL_Rect{0, 0, 0, 400});
    EXPECT_EQ(areaOf(damage), (Box{100, 100, 10, 10}));
}

TEST(DamageRect, RectanglesAreCutToTheScreen) {
    DamageRect damage = screenDamage();
    damage.add(SDL_Rect{630, 0, 20, 10});
    EXPECT_EQ(areaOf(damage), (Box{630, 0, 10, 10}));

    damage.clear();
    damage.add(SDL_Rect{0, 470, 10, 30});
    EXPECT_EQ(areaOf(damage), (Box{0, 470, 10, 10}));

    damage.clear();
    damage.add(SDL_Rect{-3, -2, 10, 10});
    EXPECT_EQ(areaOf(damage), (Box{0, 0, 7, 8}));

    damage.clear();
    damage.add(SDL_Rect{-100, -100, 1000, 1000});
    EXPECT_EQ(areaOf(damage), (Box{0, 0, 640, 480}));
}

TEST(DamageRect, AreaGrowsToTheBoundingBox) {
    DamageRect damage = screenDamage();
    damage.add(SDL_Rect{100, 50, 10, 20});
    damage.add(SDL_Rect{20, 200, 5, 5});
    EXPECT_EQ(areaOf(damage), (Box{20, 50, 90, 155}));

    // A rectangle inside the area changes nothing; one reaching out moves
    // only the edges it passes.
    damage.add(SDL_Rect{50, 60, 10, 10});
    EXPECT_EQ(areaOf(damage), (Box{20, 50, 90, 155}));
    damage.add(SDL_Rect{60, 40, 100, 5});
    EXPECT_EQ(areaOf(damage), (Box{20, 40, 140, 165}));
}

TEST(DamageRect, ClearStartsAFreshArea) {
    DamageRect damage = screenDamage();
    damage.add(SDL_Rect{0, 0, 10, 10});
    damage.clear();
    EXPECT_TRUE(damage.empty());
    damage.add(SDL_Rect{300, 300, 4, 4});
    EXPECT_EQ(areaOf(damage), (Box{300, 300, 4, 4}));
}

TEST(DamageRect, DamageAllCoversTheGivenSize) {
    DamageRect damage = screenDamage();
    damage.add(SDL_Rect{300, 300, 4, 4});
    damage.damageAll(640, 480);
    EXPECT_EQ(areaOf(damage), (Box{0, 0, 640, 480}));
    damage.add(SDL_Rect{300, 300, 4, 4});
    EXPECT_EQ(areaOf(damage), (Box{0, 0, 640, 480}));
}

} // namespace
} // namespace velmora
