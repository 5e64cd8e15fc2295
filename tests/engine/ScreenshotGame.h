// Whole-game picture tests: a game is written into a scratch directory, run
// headless, and what it showed is read back from the screenshots it saved.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "BitmapReader.h"
#include "PngWriter.h"
#include "TestSupport.h"
#include "persist/BitmapFile.h"

namespace velmora::test {

// The background most picture games start from, and the line that sets it.
constexpr uint32_t BG = rgb(0x20, 0x40, 0x80);
inline const std::string BG_LINE = "bg #204080,1\n";

// A bitmap file (no alpha channel) of `width` x `height` whose pixel colour
// `colour(x, y)` gives as 0xRRGGBB.
template <typename Colour> std::string bitmapOf(int width, int height, Colour colour) {
    std::vector<uint32_t> argb;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) argb.push_back(0xff000000u | colour(x, y));
    const std::vector<uint8_t> bytes = encodeBitmap24(argb.data(), width, height, width);
    return std::string(bytes.begin(), bytes.end());
}

// A game that runs `start` after an empty define section (plus `define`).
inline std::string gameScript(const std::string& start, const std::string& define = "") {
    return "*define\n" + define + "game\n*start\n" + start + "end\n";
}

// Statements that show the damage and save the window as `name`, resampled to w x h.
inline std::string shoot(const std::string& name, int w = 640, int h = 480) {
    return "print 1\ngetscreenshot " + std::to_string(w) + "," + std::to_string(h) +
           "\nsavescreenshot \"" + name + "\"\n";
}

// Writes `script` as the game's 0.txt and runs it with the game directory set.
inline RunResult playGame(const ScratchDir& game, const std::string& script) {
    game.write("0.txt", script);
    return runEngine({"-r", game.path().string()}, game.path());
}

inline std::optional<Bitmap> screenshotOf(const ScratchDir& game, const std::string& name) {
    return readBitmap24(game.read(name));
}

// Channel `s` over channel `d` with weight m = alpha x opacity / 256, the
// result rounded down.
constexpr uint32_t overChannel(uint32_t s, uint32_t d, uint32_t alpha, uint32_t opacity = 255) {
    const int32_t m = static_cast<int32_t>(alpha * opacity >> 8);
    const int32_t diff = (static_cast<int32_t>(s) - static_cast<int32_t>(d)) * m;
    // Arithmetic shift: a negative difference rounds down as well.
    return static_cast<uint32_t>(static_cast<int32_t>(d) + (diff >> 8));
}

constexpr uint32_t over(Rgba s, uint32_t d, uint32_t opacity = 255) {
    if (s.a == 255 && opacity == 255) return rgb(s.r, s.g, s.b);
    return rgb(overChannel(s.r, d >> 16 & 0xff, s.a, opacity),
               overChannel(s.g, d >> 8 & 0xff, s.a, opacity),
               overChannel(s.b, d & 0xff, s.a, opacity));
}

// "(r,g,b)" for failure messages.
inline std::string colourText(uint32_t c) {
    char text[16];
    std::snprintf(text, sizeof text, "(%u,%u,%u)", c >> 16 & 0xff, c >> 8 & 0xff, c & 0xff);
    return text;
}

// Every pixel of `shot` inside [x0, x1) x [y0, y1) compared with `expected`;
// stops after a few mismatches so a broken picture does not flood the log.
template <typename Expected>
void expectRegion(const Bitmap& shot, int x0, int y0, int x1, int y1, Expected expected) {
    int failures = 0;
    for (int y = y0; y < y1 && failures < 8; ++y)
        for (int x = x0; x < x1 && failures < 8; ++x) {
            const uint32_t want = expected(x, y);
            if (shot.at(x, y) != want) {
                ADD_FAILURE() << "pixel (" << x << "," << y << ") is " << colourText(shot.at(x, y))
                              << ", expected " << colourText(want);
                ++failures;
            }
        }
}

} // namespace velmora::test
