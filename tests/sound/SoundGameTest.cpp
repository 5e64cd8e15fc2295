// Sound in whole games. The engine runs with the disk audio driver, which
// writes the mixed output to a file in about real time; the tests measure
// the loudness of that output in 50 ms windows and compare the stretches of
// sound with what the script played. Every game starts in a fresh directory,
// since the volumes a game leaves in envdata are read back by the next one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace velmora {
namespace {

using test::RunResult;
using test::ScratchDir;

constexpr uint32_t RATE = 44100;
constexpr size_t WINDOW_FRAMES = RATE / 20;         // 50 ms
constexpr size_t WINDOW_BYTES = WINDOW_FRAMES * 4;  // 16-bit stereo
constexpr double FULL = 8000 / std::numbers::sqrt2; // RMS of a sine of amplitude 8000
constexpr double SILENT = 300;                      // windows quieter than this are silence

void appendLittleEndian(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xff);
}

// A mono 16-bit 44100 Hz WAV file of a 440 Hz sine.
std::string toneWav(double seconds, double amplitude) {
    const auto frames = static_cast<uint32_t>(seconds * RATE);
    std::string out = "RIFF";
    appendLittleEndian(out, 36 + frames * 2, 4);
    out += "WAVEfmt ";
    appendLittleEndian(out, 16, 4);
    appendLittleEndian(out, 1, 2); // PCM
    appendLittleEndian(out, 1, 2); // one channel
    appendLittleEndian(out, RATE, 4);
    appendLittleEndian(out, RATE * 2, 4); // bytes per second
    appendLittleEndian(out, 2, 2);        // bytes per frame
    appendLittleEndian(out, 16, 2);
    out += "data";
    appendLittleEndian(out, frames * 2, 4);
    for (uint32_t i = 0; i < frames; ++i) {
        const double phase = 2 * std::numbers::pi * 440 * i / RATE;
        const auto sample = static_cast<int16_t>(std::lround(amplitude * std::sin(phase)));
        appendLittleEndian(out, static_cast<uint16_t>(sample), 2);
    }
    return out;
}

// Windows [begin, end) of sound between silences.
struct Span {
    size_t begin, end;
};

struct Listening {
    RunResult run;
    std::vector<double> rms; // of the left channel, one per window

    std::vector<Span> spans() const {
        std::vector<Span> found;
        for (size_t at = 0; at < rms.size(); ++at) {
            if (rms[at] < SILENT) continue;
            if (found.empty() || found.back().end != at) found.push_back({at, at});
            found.back().end = at + 1;
        }
        return found;
    }
    // The median loudness of windows [begin, end).
    double level(size_t begin, size_t end) const {
        std::vector<double> part(rms.begin() + begin, rms.begin() + end);
        std::nth_element(part.begin(), part.begin() + part.size() / 2, part.end());
        return part[part.size() / 2];
    }
};

// Plays `start` in a game with globalon and 10 variables, so that
// test::globalValues reads what it left.
RunResult playGame(const ScratchDir& game, const std::string& start,
                   std::vector<std::string> env = {}, const std::string& define = "",
                   const std::string& input = "", const std::vector<std::string>& options = {}) {
    game.write("0.txt",
               ";$V10G0\n*define\nglobalon\n" + define + "game\n*start\n" + start + "end\n");
    if (!input.empty()) {
        game.write("input.txt", input);
        env.push_back("VELMORA_INPUT=" + (game.path() / "input.txt").string());
    }
    std::vector<std::string> args = options;
    args.insert(args.end(), {"-r", game.path().string()});
    return test::runEngine(args, game.path(), 30, env);
}

// Plays `start` through the disk audio driver and measures what it sounded like.
Listening listen(const ScratchDir& game, const std::string& start, const std::string& define = "",
                 const std::string& input = "", const std::vector<std::string>& options = {}) {
    const std::string raw = "out.raw";
    Listening heard{
        playGame(game, start,
                 {"SDL_AUDIODRIVER=disk", "SDL_DISKAUDIOFILE=" + (game.path() / raw).string(),
                  "SDL_DISKAUDIODELAY=93"},
                 define, input, options),
        {}};
    const std::string bytes = game.read(raw);
    for (size_t at = 0; at + WINDOW_BYTES <= bytes.size(); at += WINDOW_BYTES) {
        double sum = 0;
        for (size_t frame = at; frame < at + WINDOW_BYTES; frame += 4) {
            const auto sample = static_cast<int16_t>(static_cast<uint8_t>(bytes[frame]) |
                                                     static_cast<uint8_t>(bytes[frame + 1]) << 8);
            sum += static_cast<double>(sample) * sample;
        }
        heard.rms.push_back(std::sqrt(sum / WINDOW_FRAMES));
    }
    return heard;
}

std::string loudnessText(const Listening& heard) {
    std::string text;
    for (double r : heard.rms) text += std::to_string(std::lround(r)) + " ";
    return text;
}

TEST(SoundGameTest, EachChannelPlaysAtTheVolumeOfItsRoleAndTheVolumesAreKept) {
    ScratchDir game;
    game.write("tone.wav", toneWav(0.5, 8000));
    game.write("long.wav", toneWav(1.5, 8000));
    game.write("voice/12.wav", toneWav(0.5, 4000));
    game.write("wav/12.wav", toneWav(0.5, 2000));
    const Listening heard =
        listen(game, "dwave 1,\"tone.wav\" : wait 800\ndv12\nwait 800\nv12\nwait 800\n"
                     // The channel is clamped: 60 plays on the last effect channel...
                     "sevol 50 : dwave 60,\"tone.wav\" : wait 800\n"
                     // ...and -3 on the voice channel, silent like dv12 here.
                     "voicevol 0 : dwave -3,\"tone.wav\" : wait 300\ndv12\nwait 300\n"
                     "wave \"long.wav\" : wait 500 : sevol 0 : wait 1300\n"
                     "sevol 50 : dwave 1,\"long.wav\" : wait 500 : sevol 0 : wait 300\n"
                     "voicevol 30 : sevol 40 : mp3vol 70\n");
    ASSERT_EQ(heard.run.status, 0) << heard.run.err;
    struct Sound {
        double level;
        size_t windows; // how long it plays
        const char* what;
    };
    const Sound expected[] = {
        {FULL, 10, "an effect at full volume"},
        {FULL / 2, 10, "dv12 plays voice/12.wav"},
        {FULL / 4, 10, "v12 plays wav/12.wav"},
        {FULL / 2, 10, "channel 60 at sevol 50"},
        {FULL / 2, 30, "a wave keeps the volume it started with"},
        {FULL / 2, 10, "an effect goes silent at sevol 0"},
    };
    const std::vector<Span> spans = heard.spans();
    ASSERT_EQ(spans.size(), std::size(expected)) << loudnessText(heard);
    for (size_t n = 0; n < spans.size(); ++n) {
        const Span& span = spans[n];
        SCOPED_TRACE(expected[n].what);
        // One more window: the start falls inside the first.
        EXPECT_NEAR(static_cast<double>(span.end - span.begin), expected[n].windows + 1, 2);
        EXPECT_NEAR(heard.level(span.begin, span.end), expected[n].level, expected[n].level * 0.05);
    }

    // The next game in the directory starts with the volumes the last one left.
    const RunResult next = playGame(game, "getvoicevol %1 : getsevol %2 : getmp3vol %3\n");
    ASSERT_EQ(next.status, 0) << next.err;
    const std::vector<int32_t> v = test::globalValues(game);
    EXPECT_EQ(v[1], 30);
    EXPECT_EQ(v[2], 40);
    EXPECT_EQ(v[3], 70);
}

TEST(SoundGameTest, ARestartedEffectPlaysToItsEndAndLoopBgmLoopsItsSecondPart) {
    ScratchDir game;
    game.write("tone.wav", toneWav(1, 8000));
    game.write("a.wav", toneWav(1, 8000));
    game.write("b.wav", toneWav(0.5, 4000));
    const Listening heard =
        listen(game, "dwaveload 3,\"tone.wav\" : dwaveplay 3 : wait 200 : dwaveplay 3\n"
                     "wait 1400\nloopbgm \"a.wav\",\"b.wav\" : wait 2500 : loopbgmstop\n"
                     "wait 300\n");
    ASSERT_EQ(heard.run.status, 0) << heard.run.err;
    const std::vector<Span> spans = heard.spans();
    ASSERT_EQ(spans.size(), 2u) << loudnessText(heard);
    // The end of the first play does not cut the second short: 1.2 s in all.
    EXPECT_NEAR(static_cast<double>(spans[0].end - spans[0].begin), 25, 2) << loudnessText(heard);
    EXPECT_NEAR(heard.level(spans[0].begin, spans[0].end), FULL, FULL * 0.05);
    // The first part for 1 s, then the second over and over until loopbgmstop.
    const size_t begin = spans[1].begin;
    EXPECT_NEAR(static_cast<double>(spans[1].end - begin), 51, 2) << loudnessText(heard);
    EXPECT_NEAR(heard.level(begin + 1, begin + 19), FULL, FULL * 0.05);
    for (size_t at = begin + 22; at + 1 < spans[1].end; ++at)
        EXPECT_NEAR(heard.rms[at], FULL / 2, FULL * 0.05 / 2) << "window " << at - begin;
}

// The music holds its full loudness for a while, then falls steadily to
// silence over about the second of mp3fadeout.
void expectFadeOut(const Listening& heard, const Span& span) {
    size_t at = span.begin + 1; // the first window may hold the start
    while (at < span.end && heard.rms[at] > FULL * 0.97) ++at;
    EXPECT_GE(at - span.begin, 4u) << loudnessText(heard);
    EXPECT_NEAR(static_cast<double>(span.end - at), 18, 4) << loudnessText(heard);
    for (++at; at < span.end; ++at) EXPECT_LE(heard.rms[at], heard.rms[at - 1] + 50) << at;
}

TEST(SoundGameTest, MusicFadesOutOverItsTimeAndOnlyOggLetsTheScriptGoOnMeanwhile) {
    ScratchDir game;
    const std::string tone = toneWav(2, 8000);
    game.write("tone2s.wav", tone);
    // The mixer knows the format from the bytes; the engine goes by the name.
    game.write("x.ogg", tone);
    const Listening heard =
        listen(game, "mp3fadeout 1000\n"
                     "bgm \"tone2s.wav\" : wait 300 : resettimer : mp3stop : gettimer %1\n"
                     "wait 300\nbgm \"x.ogg\" : wait 300 : resettimer : mp3stop : gettimer %2\n"
                     "wait 1200\n");
    ASSERT_EQ(heard.run.status, 0) << heard.run.err;
    const std::vector<int32_t> v = test::globalValues(game);
    EXPECT_GE(v[1], 900);
    EXPECT_LE(v[1], 1500);
    EXPECT_LT(v[2], 100);
    const std::vector<Span> spans = heard.spans();
    ASSERT_EQ(spans.size(), 2u) << loudnessText(heard);
    expectFadeOut(heard, spans[0]);
    expectFadeOut(heard, spans[1]);
}

// The sounds a player's actions make: a sprite control string's sound letter,
// the click-wait and page-wait sounds, and the sound of taking a choice.
TEST(SoundGameTest, ClicksChoicesAndControlStringsPlayTheirSounds) {
    ScratchDir game;
    const struct {
        const char* file;
        double amplitude;
    } sounds[] = {
        {"letter.wav", 8000}, {"click.wav", 4000}, {"page.wav", 2000}, {"pick.wav", 6000}};
    for (const auto& sound : sounds) game.write(sound.file, toneWav(0.3, sound.amplitude));
    const Listening heard =
        listen(game,
               "spstr \"S60,(letter.wav)\" : wait 500\n\x82\xa0@\nwait 500\n\x82\xa2\\\nwait 500\n"
               "selnum %1,\"A\",\"B\"\nwait 500\n",
               "setwindow 10,20,5,4,20,20,2,4,0,0,0,\"#808080\",0,0,319,239\n"
               "clickvoice \"click.wav\",\"page.wav\"\nselectvoice \"\",\"\",\"pick.wav\"\n",
               "idle click\nidle click\nidle click 15 50\n");
    ASSERT_EQ(heard.run.status, 0) << heard.run.err;
    EXPECT_EQ(test::globalValues(game)[1], 1); // B was taken
    const std::vector<Span> spans = heard.spans();
    ASSERT_EQ(spans.size(), std::size(sounds)) << loudnessText(heard);
    for (size_t n = 0; n < spans.size(); ++n) {
        SCOPED_TRACE(sounds[n].file);
        const double level = sounds[n].amplitude / std::numbers::sqrt2;
        EXPECT_NEAR(heard.level(spans[n].begin, spans[n].end), level, level * 0.05);
    }
}

// A VOC file of a 440 Hz sine: the mixer loads it only as a sound chunk, so
// music in it plays on the music chunk channel.
std::string toneVoc(double seconds, int amplitude) {
    constexpr int VOC_RATE = 22222; // the rate that rate code 211 stands for
    const auto samples = static_cast<uint32_t>(seconds * VOC_RATE);
    std::string out = std::string("Creative Voice File\x1a", 20);
    appendLittleEndian(out, 26, 2);     // header size
    appendLittleEndian(out, 0x010A, 2); // version
    appendLittleEndian(out, 0x1129, 2); // its check value
    out += '\x01';                      // a block of sound data
    appendLittleEndian(out, samples + 2, 3);
    out += static_cast<char>(211); // 256 - 1000000 / rate
    out += '\x00';                 // 8-bit unsigned samples
    for (uint32_t i = 0; i < samples; ++i)
        out += static_cast<char>(
            128 + std::lround(amplitude * std::sin(2 * std::numbers::pi * 440 * i / VOC_RATE)));
    return out + '\x00';
}

TEST(SoundGameTest, MusicVolumeAndFadeInReachMusicOnEveryPath) {
    ScratchDir game;
    game.write("tone.wav", toneWav(1, 8000));
    game.write("tone.voc", toneVoc(1, 31));
    const Listening heard = listen(game, "mp3fadein 400 : mp3 \"tone.voc\" : wait 800\n"
                                         "mp3fadein 0 : mp3vol 50 : mp3 \"tone.wav\" : wait 1100\n"
                                         // A negative fade is no fade: the stop does not wait.
                                         "mp3fadeout -5 : resettimer : mp3stop : gettimer %2\n");
    ASSERT_EQ(heard.run.status, 0) << heard.run.err;
    EXPECT_LT(test::globalValues(game)[2], 100);
    const std::vector<Span> spans = heard.spans();
    ASSERT_EQ(spans.size(), 2u) << loudnessText(heard);
    // The chunk rises over the fade to its full loudness (31/128 of full scale).
    const double voc_full = 31 * 256 / std::numbers::sqrt2;
    EXPECT_LT(heard.rms[spans[0].begin + 2], voc_full * 0.6) << loudnessText(heard);
    EXPECT_NEAR(heard.level(spans[0].begin + 10, spans[0].end), voc_full, voc_full * 0.05);
    // Music starts at the volume mp3vol gives it, scaled like every other volume.
    EXPECT_NEAR(heard.level(spans[1].begin, spans[1].end), FULL / 2, FULL * 0.05 / 2);
}

TEST(SoundGameTest, MidiGoesToTheExternalPlayerThroughTheHandOverFile) {
    ScratchDir game;
    // One track: two notes, then the end of the track.
    const std::string track("\x00\x90\x3c\x40\x60\x80\x3c\x40\x00\x90\x40\x40\x60\x80\x40\x40"
                            "\x00\xff\x2f\x00",
                            20);
    const std::string song = std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60", 14) + "MTrk" +
                             std::string("\0\0\0", 3) + static_cast<char>(track.size()) + track;
    game.write("song.mid", song);
    const std::string dir = game.path().string();
    const auto player = game.write("player.sh", "#!/bin/sh\necho \"$@\" >> " + dir +
                                                    "/args.txt\nfor last; do :; done\n"
                                                    "cp \"$last\" " +
                                                    dir + "/heard.mid\nsleep 1\n");
    std::filesystem::permissions(player, std::filesystem::perms::owner_all);

    RunResult run = playGame(game, "play \"nosuch.mid\"\nplay \"song.mid\"\nwait 600\n",
                             {"MUSIC_CMD=" + player.string()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(test::countOf(run.err, "can't play MIDI file nosuch.mid\n"), 1u) << run.err;
    EXPECT_EQ(test::countOf(run.err, "song.mid"), 0u) << run.err;
    EXPECT_EQ(game.read("args.txt"), dir + "/tmp.mus\n");
    EXPECT_EQ(game.read("heard.mid"), song);

    // A player that cannot run is reported once; each play still says it failed.
    run = playGame(game, "play \"song.mid\"\nplay \"song.mid\"\nmov %1,1\n",
                   {"MUSIC_CMD=" + dir + "/no-such-player"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(test::globalValues(game)[1], 1);
    EXPECT_EQ(test::countOf(run.err, "MIDI player [" + dir + "/no-such-player] cannot be run\n"),
              1u)
        << run.err;
    EXPECT_EQ(test::countOf(run.err, "can't play MIDI file song.mid\n"), 2u) << run.err;
}

// Without a CD drive in use, a track plays from its file in cd/; asked to use
// the drive when there is none, the game runs on in silence.
TEST(SoundGameTest, CdTracksPlayFromTheirFilesUnlessTheDriveIsAsked) {
    ScratchDir game;
    std::filesystem::create_directory(game.path() / "cd");
    game.write("cd/tone.wav", toneWav(1, 8000));
    const std::string encode = "oggenc -Q -o '" + (game.path() / "cd/track03.ogg").string() +
                               "' '" + (game.path() / "cd/tone.wav").string() + "'";
    ASSERT_EQ(std::system(encode.c_str()), 0);
    std::filesystem::remove(game.path() / "cd/tone.wav");
    const std::string start = "playonce \"*3\"\nwait 1300\nmov %1,1\n";

    Listening heard = listen(game, start);
    ASSERT_EQ(heard.run.status, 0) << heard.run.err;
    std::vector<Span> spans = heard.spans();
    ASSERT_EQ(spans.size(), 1u) << loudnessText(heard);
    EXPECT_NEAR(heard.level(spans[0].begin, spans[0].end), FULL, FULL * 0.1);

    heard = listen(game, start, "", "", {"--cdaudio"});
    ASSERT_EQ(heard.run.status, 0) << heard.run.err;
    EXPECT_TRUE(heard.spans().empty()) << loudnessText(heard);
    EXPECT_EQ(test::globalValues(game)[1], 1);
}

} // namespace
} // namespace velmora
