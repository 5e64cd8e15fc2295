// libFuzzer target for sound files: the input is written as a file, read
// through the sound object's reader and loaded as music or, failing that, as
// a sound chunk; then once more as a chunk alone, since music is tried first.
// Each plays on the dummy audio device and is stopped again. The result must
// be one of playSoundFile's results, and channel 1 holds a chunk exactly
// while one plays there.
//
// Inputs that start as a MIDI file are passed over: the mixer's music loader
// hands them to a synthesiser that loads its soundfont for every file, and
// MIDI is not among the ways this target tries.
#include <SDL.h>
#include <SDL_mixer.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "archive/DirectReader.h"
#include "persist/FileBuffer.h"
#include "sound/SoundSystem.h"

namespace {

constexpr int AUDIO_FREQUENCY = 44100;
constexpr int AUDIO_CHANNELS = 2;
constexpr int BUFFER_FRAMES = 4096;
constexpr int32_t CHANNEL = 1;
constexpr int32_t FORMATS[] = {velmora::SOUND_AS_CHUNK | velmora::SOUND_AS_MUSIC,
                               velmora::SOUND_AS_CHUNK};
constexpr size_t MAX_INPUT_SIZE = 1u << 20;
constexpr const char* FILE_NAME = "input.wav";
constexpr char MIDI_SIGNATURE[] = "MThd";
constexpr size_t MIDI_SIGNATURE_SIZE = sizeof MIDI_SIGNATURE - 1;

void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "sound_fuzzer: invariant broken: %s\n", what);
    std::abort();
}

// The sound object over a scratch directory, with the audio device open;
// made once and closed at exit, before static objects are torn down.
struct Harness {
    explicit Harness(const std::string& dir) : dir(dir), reader(dir) {
        sound.reader = [this] { return &reader; };
    }
    std::string dir;
    velmora::DirectReader reader;
    velmora::SoundVolumes volumes;
    velmora::SoundSystem sound{volumes};
};

Harness* harness = nullptr;

void closeAudio() {
    harness->sound.close();
    Mix_CloseAudio();
    SDL_Quit();
    std::error_code ignored;
    std::filesystem::remove_all(harness->dir, ignored);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    char pattern[] = "/tmp/velmora-sound-fuzz-XXXXXX";
    require(mkdtemp(pattern) != nullptr, "a scratch directory is made");
    require(SDL_Init(SDL_INIT_AUDIO) == 0, "the audio subsystem starts");
    require(Mix_OpenAudio(AUDIO_FREQUENCY, AUDIO_S16LSB, AUDIO_CHANNELS, BUFFER_FRAMES) == 0,
            "the dummy audio device opens");
    Mix_AllocateChannels(velmora::SOUND_CHANNELS);
    harness = new Harness(std::string(pattern) + "/");
    harness->sound.open("");
    std::atexit(closeAudio);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > MAX_INPUT_SIZE) return 0;
    if (size >= MIDI_SIGNATURE_SIZE && std::memcmp(data, MIDI_SIGNATURE, MIDI_SIGNATURE_SIZE) == 0)
        return 0;
    require(velmora::replaceFile(harness->dir + FILE_NAME, data, size), "the input is written");
    velmora::SoundSystem& sound = harness->sound;
    for (int32_t format : FORMATS) {
        const int32_t result = sound.playSoundFile(FILE_NAME, format, false, CHANNEL);
        require(result == velmora::SOUND_NOT_READ || result == velmora::SOUND_AS_CHUNK ||
                    result == velmora::SOUND_AS_MUSIC || result == velmora::SOUND_UNPLAYABLE,
                "the result is one of playSoundFile's results");
        require(sound.channelHasChunk(CHANNEL) == (result == velmora::SOUND_AS_CHUNK),
                "channel 1 holds a chunk exactly when the file played as one");
        sound.stopChannel(CHANNEL);
        sound.stopMusic(false);
        require(!sound.channelHasChunk(CHANNEL), "a stopped channel holds no chunk");
    }
    return 0;
}
