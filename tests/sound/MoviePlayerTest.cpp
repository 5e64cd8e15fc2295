// The movie player on its own, driven by a made-up clock: how long a movie
// lasts and how it loops, whose sound plays, and where pictures are placed.
#include <gtest/gtest.h>

#include <SDL.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>

#include "MovieClips.h"
#include "TestSupport.h"
#include "sound/MoviePlayer.h"
#include "sound/MovieScaler.h"

namespace velmora {
namespace {

constexpr int64_t STEP_MS = 20;
constexpr MovieAudioFormat MIXER_FORMAT{44100, AUDIO_S16SYS, 2};
// Samples in the other byte order are not written: such a mixer hears nothing.
constexpr MovieAudioFormat FOREIGN_FORMAT{
    44100, SDL_BYTEORDER == SDL_LIL_ENDIAN ? AUDIO_S16MSB : AUDIO_S16LSB, 2};

struct Opened {
    bool ok;
    std::string error;
};

Opened openMovie(MoviePlayer& player, const std::string& bytes, const MovieOptions& options) {
    auto copy = std::make_unique<uint8_t[]>(bytes.size());
    std::memcpy(copy.get(), bytes.data(), bytes.size());
    std::string error;
    const bool ok = player.open(std::move(copy), bytes.size(), options, error);
    return {ok, error};
}

// Plays until the movie ends or `limit_ms` passes; the time it ended, or -1.
int64_t playFor(MoviePlayer& player, int64_t limit_ms) {
    for (int64_t now = 0; now <= limit_ms; now += STEP_MS)
        if (!player.advance(now)) return now;
    return -1;
}

TEST(MoviePlayerTest, AMovieLastsItsLengthAndALoopingOneGoesOn) {
    test::ScratchDir dir;
    ASSERT_TRUE(test::makeClip(dir.path() / "red.mpg", {}));
    const std::string clip = dir.read("red.mpg");
    SDL_Surface* surface =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 160, 120, 32, 0xff0000, 0xff00, 0xff, 0);
    ASSERT_NE(surface, nullptr);

    MoviePlayer once;
    ASSERT_TRUE(openMovie(once, clip, {}).ok);
    ASSERT_TRUE(once.setDisplay(surface));
    const int64_t ended = playFor(once, 5000);
    EXPECT_GE(ended, 950);
    EXPECT_LE(ended, 1100);
    EXPECT_EQ(once.picturesShown(), 25);
    // Fitted: 160 × 90 between bars of 15 rows.
    const auto* pixels = static_cast<const uint32_t*>(surface->pixels);
    EXPECT_EQ(pixels[7 * 160 + 80], 0u);
    EXPECT_GT(pixels[60 * 160 + 80] >> 16, 240u);

    // An MPEG-2 program stream plays the same way.
    ASSERT_TRUE(test::makeClip(dir.path() / "red2.mpg", {.mpeg2 = true}));
    MoviePlayer mpeg2;
    ASSERT_TRUE(openMovie(mpeg2, dir.read("red2.mpg"), {}).ok);
    ASSERT_TRUE(mpeg2.setDisplay(surface));
    EXPECT_NEAR(static_cast<double>(playFor(mpeg2, 5000)), 1000, 60);
    EXPECT_EQ(mpeg2.picturesShown(), 25);

    MoviePlayer looping;
    MovieOptions options;
    options.loop = true;
    ASSERT_TRUE(openMovie(looping, clip, options).ok);
    ASSERT_TRUE(looping.setDisplay(surface));
    EXPECT_EQ(playFor(looping, 3500), -1);
    EXPECT_GE(looping.picturesShown(), 85);
    SDL_FreeSurface(surface);
}

TEST(MoviePlayerTest, OnlyAMovieWithSoundForAMixerItCanFeedPlaysAudio) {
    test::ScratchDir dir;
    ASSERT_TRUE(test::makeClip(dir.path() / "tone.mpg", {.sound = true}));
    ASSERT_TRUE(test::makeClip(dir.path() / "quiet.mpg", {}));
    struct Case {
        const char* file;
        bool with_audio;
        MovieAudioFormat format;
        bool plays;
    };
    const Case cases[] = {
        {"tone.mpg", true, MIXER_FORMAT, true},
        {"tone.mpg", false, MIXER_FORMAT, false}, // no mixer
        {"quiet.mpg", true, MIXER_FORMAT, false}, // no sound stream
        {"tone.mpg", true, FOREIGN_FORMAT, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        MoviePlayer player;
        const Opened opened =
            openMovie(player, dir.read(c.file), {.with_audio = c.with_audio, .audio = c.format});
        ASSERT_TRUE(opened.ok) << opened.error;
        EXPECT_EQ(player.playsAudio(), c.plays);
    }

    // The hook hands over the decoded tone, and silence once it runs dry.
    MoviePlayer player;
    ASSERT_TRUE(
        openMovie(player, dir.read("tone.mpg"), {.with_audio = true, .audio = MIXER_FORMAT}).ok);
    player.advance(0);
    std::string heard(1 << 20, '\x55');
    MoviePlayer::feedMixer(&player, reinterpret_cast<Uint8*>(heard.data()),
                           static_cast<int>(heard.size()));
    EXPECT_NE(heard.find_first_not_of('\0'), std::string::npos);
    EXPECT_EQ(heard.back(), '\0');
}

TEST(MoviePlayerTest, WhatIsNotAWholeMovieIsRefused) {
    test::ScratchDir dir;
    ASSERT_TRUE(test::makeClip(dir.path() / "red.mpg", {}));
    const std::string clip = dir.read("red.mpg");
    const std::string inputs[] = {"", "plain text\n", clip.substr(0, 600), std::string(4096, '\0'),
                                  clip.substr(0, 40) + clip.substr(900)};
    for (const std::string& input : inputs) {
        MoviePlayer player;
        const Opened opened = openMovie(player, input, {});
        EXPECT_FALSE(opened.ok) << input.size();
        EXPECT_FALSE(opened.error.empty());
        EXPECT_FALSE(player.advance(0));
    }
}

TEST(MoviePlayerTest, PicturesAreFittedAndCentred) {
    struct Case {
        int32_t width, height, aspect_num, aspect_den;
        SDL_Rect placed;
    };
    const Case cases[] = {
        {640, 480, 1, 1, {0, 0, 640, 480}},   {320, 180, 0, 1, {0, 60, 640, 360}},
        {480, 640, 1, 1, {140, 0, 360, 480}}, {352, 240, 10, 11, {0, 0, 640, 480}},
        {720, 480, 8, 9, {0, 0, 640, 480}},   {1, 4096, 1, 1, {319, 0, 1, 480}},
    };
    for (const Case& c : cases) {
        const SDL_Rect r =
            MovieScaler::fit(c.width, c.height, c.aspect_num, c.aspect_den, 640, 480);
        EXPECT_EQ((std::array{r.x, r.y}), (std::array{c.placed.x, c.placed.y})) << c.width;
        EXPECT_EQ((std::array{r.w, r.h}), (std::array{c.placed.w, c.placed.h})) << c.width;
    }
}

} // namespace
} // namespace velmora
