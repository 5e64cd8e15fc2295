// Sound files cut short and sound files with garbled headers, played through
// the sound object as music or else as a chunk, and as a chunk alone: each
// ends in one of the legal results, and a chunk that played is held until its
// channel stops. The sanitizer build runs this for reads and writes out of
// bounds. A play that aborts or never returns names its case on standard
// error before the process ends.
#include "sound/SoundSystem.h"

#include "TestSupport.h"
#include "WavWriter.h"
#include "archive/DirectReader.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace velmora {
namespace {

constexpr int32_t CHANNEL = 1;
// Music is tried first, so the chunk loader sees a file only when it is tried alone.
constexpr std::array<int32_t, 2> FORMATS = {SOUND_AS_CHUNK | SOUND_AS_MUSIC, SOUND_AS_CHUNK};
constexpr const char* FILE_NAME = "chime.wav";
// Cut every byte through the header and a little beyond, then in coarser steps.
constexpr size_t FINE_CUT_END = test::WAV_HEADER_SIZE + 8;
constexpr size_t COARSE_CUT_STEP = 24;
constexpr std::array<uint8_t, 3> FLIP_MASKS = {0x01, 0x80, 0xff};

// 20 ms of a mono tone at 22,050 Hz: every header field, few samples.
const std::string INTACT = test::sineWav(440, 441, 8000, {22050, 1});

// Far beyond the time any of these small files takes to load.
constexpr unsigned PLAY_TIME_LIMIT_S = 5;

// The case being played, for the signal handler.
const char* playing_case = "";

void reportCaseAndEnd(int signal_number) {
    constexpr char PREFIX[] = "SoundFileStressTest: ended while playing ";
    [[maybe_unused]] ssize_t written = write(STDERR_FILENO, PREFIX, sizeof PREFIX - 1);
    written = write(STDERR_FILENO, playing_case, std::strlen(playing_case));
    written = write(STDERR_FILENO, "\n", 1);
    std::signal(signal_number, SIG_DFL);
    std::raise(signal_number);
}

// The bytes of a literal, zeros included, without its terminator.
template <size_t N> std::string bytesOf(const char (&literal)[N]) {
    return {literal, N - 1};
}

struct Case {
    std::string label;
    std::string bytes;
};

std::vector<Case> garbledFiles() {
    std::vector<Case> cases;
    for (size_t size = 0; size < INTACT.size(); size += size < FINE_CUT_END ? 1 : COARSE_CUT_STEP)
        cases.push_back({"cut to " + std::to_string(size), INTACT.substr(0, size)});
    for (size_t at = 0; at < test::WAV_HEADER_SIZE; ++at) {
        for (uint8_t mask : FLIP_MASKS) {
            std::string bytes = INTACT;
            bytes[at] = static_cast<char>(bytes[at] ^ mask);
            cases.push_back({"byte " + std::to_string(at) + " ^ " + std::to_string(mask), bytes});
        }
    }
    return cases;
}

class SoundFileStressTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
        ASSERT_EQ(Mix_OpenAudio(44100, AUDIO_S16LSB, 2, 4096), 0) << Mix_GetError();
        Mix_AllocateChannels(SOUND_CHANNELS);
        sound.reader = [this] { return &reader; };
        sound.open("");
        std::signal(SIGALRM, reportCaseAndEnd);
        std::signal(SIGABRT, reportCaseAndEnd);
    }
    void TearDown() override {
        std::signal(SIGALRM, SIG_DFL);
        std::signal(SIGABRT, SIG_DFL);
        sound.close();
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    // Plays `bytes` as the file in the ways `format` allows, checks the
    // result and what the channel holds, and stops everything again.
    int32_t play(const std::string& bytes, int32_t format) {
        dir.write(FILE_NAME, bytes);
        alarm(PLAY_TIME_LIMIT_S);
        const int32_t result = sound.playSoundFile(FILE_NAME, format, false, CHANNEL);
        alarm(0);
        EXPECT_TRUE(result == SOUND_NOT_READ || result == SOUND_AS_CHUNK ||
                    result == SOUND_AS_MUSIC || result == SOUND_UNPLAYABLE)
            << result;
        EXPECT_EQ(sound.channelHasChunk(CHANNEL), result == SOUND_AS_CHUNK);
        sound.stopChannel(CHANNEL);
        sound.stopMusic(false);
        EXPECT_FALSE(sound.channelHasChunk(CHANNEL));
        return result;
    }

    test::ScratchDir dir;
    DirectReader reader{dir.path().string() + "/"};
    SoundVolumes volumes;
    SoundSystem sound{volumes};
};

TEST_F(SoundFileStressTest, GarbledFilesEndInALegalResult) {
    EXPECT_EQ(play(INTACT, FORMATS[0]), SOUND_AS_MUSIC);
    EXPECT_EQ(play(INTACT, FORMATS[1]), SOUND_AS_CHUNK);
    for (const Case& garbled : garbledFiles()) {
        SCOPED_TRACE(garbled.label);
        playing_case = garbled.label.c_str();
        for (int32_t format : FORMATS) play(garbled.bytes, format);
    }
    EXPECT_EQ(play(INTACT, FORMATS[0]), SOUND_AS_MUSIC);
    EXPECT_EQ(play(INTACT, FORMATS[1]), SOUND_AS_CHUNK);
}

// Headers that do not hold together: the mixer's loaders would allocate what
// a length claims, read past the end, or step over chunks for ever, so the
// files are refused before they reach it.
TEST_F(SoundFileStressTest, HeadersThatDoNotHoldTogetherAreRefused) {
    std::string wav = INTACT;
    wav.replace(16, 4, "\xff\xff\xff\xff", 4); // the "fmt " chunk's length
    // A sound block claiming 8 MB.
    const std::string voc = bytesOf("Creative Voice File\x1a\x1a\x00\x0a\x01\x29\x11"
                                    "\x01\x22\x00\x80\x83\x00\x00\x00\x00\x41");
    const std::string aiff = bytesOf("FORM\0\0\0\x40"
                                     "AIFFCOMM\x7f\0\0\0");
    // An odd length, which the loaders step over without the padding byte.
    const std::string odd = bytesOf("FORM\0\0\0\x40"
                                    "AIFFNAME\0\0\0\x01x\0COMM\0\0\0\0SSND\0\0\0\0");
    const Case cases[] = {{"fmt length", wav},
                          {"VOC block", voc},
                          {"COMM length", aiff},
                          {"odd length", odd},
                          {"bare FORM", "FORMAIFF"}};
    for (const Case& refused : cases) {
        SCOPED_TRACE(refused.label);
        playing_case = refused.label.c_str();
        for (int32_t format : FORMATS) EXPECT_EQ(play(refused.bytes, format), SOUND_UNPLAYABLE);
    }
}

} // namespace
} // namespace velmora
