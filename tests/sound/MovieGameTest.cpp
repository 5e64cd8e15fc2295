// Movies in whole games, driven by scripted input: the input file acts while
// a movie plays, so a shot taken then shows the movie, and a click or a quit
// request reaches it. Times come from the game's own timer and are checked
// loosely.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "BitmapReader.h"
#include "MovieClips.h"
#include "TestSupport.h"

namespace velmora {
namespace {

using test::rgb;
using test::ScratchDir;

constexpr uint32_t BLUE = rgb(0, 0, 255);
constexpr uint32_t BLACK = 0;

// The colour is red give or take the decoder's rounding.
bool isRed(uint32_t pixel) {
    return (pixel >> 16) > 240 && ((pixel >> 8) & 0xff) < 16 && (pixel & 0xff) < 16;
}

test::Bitmap shot(const ScratchDir& game, const std::string& name) {
    return test::readBitmap24(game.read(name)).value_or(test::Bitmap{});
}

TEST(MovieGameTest, MoviesPlayTheirLengthAndOnlyAllowedClicksEndThem) {
    ScratchDir game;
    ASSERT_TRUE(test::makeClip(game.path() / "red1s.mpg", {.sound = true}));
    ASSERT_TRUE(test::makeClip(game.path() / "red10s.mpg", {.seconds = 10}));
    const test::RunResult run = test::playScripted(
        game,
        "bg #0000ff,1\nresettimer\nmpegplay \"red1s.mpg\",0\ngettimer %1\nclick\n"
        "resettimer\nmpegplay \"red10s.mpg\",1\ngettimer %2\nclick\n"
        "avi \"red1s.mpg\",1\navi \"none.avi\",1\nmovie stop\nmov %3,1\n",
        // The first click comes while the first movie plays and is dropped:
        // the click wait after it needs one of its own. The second click
        // ends the second movie.
        "any shot during.bmp\nany click\nidle click\nany click\nidle shot after.bmp\nidle click\n");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<int32_t> v = test::globalValues(game);
    EXPECT_GE(v[1], 900) << run.err;
    EXPECT_LT(v[1], 3000);
    EXPECT_LT(v[2], 4000) << "a click ends the ten-second movie";
    EXPECT_EQ(v[3], 1) << "the game goes on after avi and movie stop";

    // The 16:9 picture fills the width, centred between black bars.
    const test::Bitmap during = shot(game, "during.bmp");
    ASSERT_EQ(during.width, 640);
    EXPECT_TRUE(isRed(during.at(320, 240)));
    EXPECT_TRUE(isRed(during.at(0, 62)));
    EXPECT_TRUE(isRed(during.at(639, 417)));
    EXPECT_EQ(during.at(320, 57), BLACK);
    EXPECT_EQ(during.at(320, 422), BLACK);
    // mpegplay shows the game's screen again afterwards.
    EXPECT_EQ(shot(game, "after.bmp").at(320, 240), BLUE);

    EXPECT_NE(run.err.find("avi command is disabled.\n"), std::string::npos);
    EXPECT_NE(run.err.find(" *** can't find file [none.avi] ***\n"), std::string::npos);
    EXPECT_NE(run.err.find(" [movie stop] is not supported yet!!\n"), std::string::npos);
}

TEST(MovieGameTest, BadFilesAreRefusedAndAQuitEndsEvenALoopingMovie) {
    ScratchDir game;
    ASSERT_TRUE(test::makeClip(game.path() / "quiet.mpg", {}));
    ASSERT_TRUE(test::makeClip(game.path() / "red10s.mpg", {.seconds = 10}));
    game.write("x.mpg", "This is a letter, not a movie.\n");
    game.write("cut.mpg", game.read("quiet.mpg").substr(0, 200));
    const auto started = std::chrono::steady_clock::now();
    const test::RunResult run = test::playScripted(
        game,
        "bg #0000ff,1\nmpegplay \"x.mpg\",0\nmpegplay \"cut.mpg\",0\nclick\n"
        "resettimer\nmovie \"quiet.mpg\",click,pos,0,0,320,240\ngettimer %1\nclick\n"
        "movie \"red10s.mpg\",loop\nmov %2,1\n",
        "idle shot refused.bmp\nidle click\nidle shot after.bmp\nidle click\nany quit\n");
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_LT(seconds, 10) << "the quit request ends the looping movie";
    EXPECT_FALSE(game.read("envdata").empty()) << "the quit sequence ran";
    const std::vector<int32_t> v = test::globalValues(game);
    EXPECT_GE(v[1], 900) << "a movie without sound plays to its end";
    EXPECT_EQ(v[2], 0) << "the game ended in the looping movie";
    EXPECT_NE(run.err.find(" *** can't play movie [x.mpg]"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(" *** can't play movie [cut.mpg]"), std::string::npos);
    EXPECT_NE(run.err.find(" [movie pos] is not supported yet!!\n"), std::string::npos);
    // Nothing was drawn for the refused files; movie leaves its last picture.
    EXPECT_EQ(shot(game, "refused.bmp").at(320, 240), BLUE);
    EXPECT_TRUE(isRed(shot(game, "after.bmp").at(320, 240)));
}

// The loudness of the left channel in 50 ms windows of 16-bit stereo output.
std::vector<double> loudness(const std::string& raw) {
    constexpr size_t WINDOW_BYTES = 44100 / 20 * 4;
    std::vector<double> windows;
    for (size_t at = 0; at + WINDOW_BYTES <= raw.size(); at += WINDOW_BYTES) {
        double sum = 0;
        for (size_t frame = at; frame < at + WINDOW_BYTES; frame += 4) {
            const auto sample = static_cast<int16_t>(static_cast<uint8_t>(raw[frame]) |
                                                     static_cast<uint8_t>(raw[frame + 1]) << 8);
            sum += static_cast<double>(sample) * sample;
        }
        windows.push_back(std::sqrt(sum / (WINDOW_BYTES / 4)));
    }
    return windows;
}

TEST(MovieGameTest, TheMoviesSoundPlaysAtTheMusicVolume) {
    ScratchDir game;
    ASSERT_TRUE(test::makeClip(game.path() / "tone.mpg", {.seconds = 2, .sound = true}));
    game.write("0.txt", ";$V10G0\n*define\ngame\n*start\nmpegplay \"tone.mpg\",0\nwait 500\n"
                        "mp3vol 50\nmpegplay \"tone.mpg\",0\nwait 500\nend\n");
    const test::RunResult run = test::runEngine(
        {"-r", game.path().string()}, game.path(), 30,
        {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + (game.path() / "out.raw").string(),
         "SDL_DISKAUDIODELAY=93"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<double> rms = loudness(game.read("out.raw"));
    // Two stretches of tone (about 40 windows each) between silences.
    constexpr double SILENT = 100;
    std::vector<std::vector<double>> spans;
    for (size_t at = 0; at < rms.size(); ++at) {
        if (rms[at] < SILENT) continue;
        if (at == 0 || rms[at - 1] < SILENT) spans.emplace_back();
        spans.back().push_back(rms[at]);
    }
    std::string heard;
    for (double r : rms) heard += std::to_string(std::lround(r)) + " ";
    ASSERT_EQ(spans.size(), 2u) << heard;
    for (const auto& span : spans) EXPECT_NEAR(static_cast<double>(span.size()), 40, 6) << heard;
    const double full = spans[0][spans[0].size() / 2];
    const double half = spans[1][spans[1].size() / 2];
    EXPECT_GT(full, 1000) << heard;
    EXPECT_NEAR(half / full, 0.5, 0.05) << heard;
}

} // namespace
} // namespace velmora
