// One movie played from bytes in memory: FFmpeg's libraries demultiplex and
// decode it, its pictures are drawn on a surface at their presentation
// times, and its sound is handed to the mixer through the music hook. The
// caller owns the clock and the event loop and drives the player with the
// time since the movie began; the FFmpeg types stay inside the player.
#pragma once

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdint>
#include <memory>
#include <string>

#include "sound/MovieAudio.h"

namespace velmora {

struct MovieOptions {
    bool with_audio = false; // the mixer is open and `audio` is its format
    MovieAudioFormat audio;
    int32_t volume = MIX_MAX_VOLUME; // the mixer's scale
    bool loop = false;               // start again at the end
};

class MoviePlayer {
  public:
    MoviePlayer();
    ~MoviePlayer();
    MoviePlayer(const MoviePlayer&) = delete;
    MoviePlayer& operator=(const MoviePlayer&) = delete;

    // Reads the headers of the movie in the `size` bytes at `bytes` (kept by
    // the player), opens its decoders and decodes its first picture. False,
    // with `error` saying why, when it cannot be played; nothing has been
    // drawn then.
    bool open(std::unique_ptr<uint8_t[]> bytes, size_t size, const MovieOptions& options,
              std::string& error);
    // The movie's sound plays: hook feedMixer into the mixer while it runs.
    // False for a movie without sound, without the mixer, or whose sound
    // cannot be decoded (it plays silent).
    bool playsAudio() const;
    // The mixer's music hook; `player` is this object.
    static void feedMixer(void* player, Uint8* stream, int length);

    // The surface the pictures go to; false when its format cannot be drawn.
    bool setDisplay(SDL_Surface* surface);
    // Shows the picture due `elapsed_ms` after the start, decoding as far
    // ahead as needed. False once the movie has ended; a looping movie starts
    // again instead. A damaged stream ends the movie where it breaks.
    bool advance(int64_t elapsed_ms);
    // Milliseconds from `elapsed_ms` until the next picture is due.
    int64_t msUntilNextPicture(int64_t elapsed_ms) const;
    // Pictures drawn so far.
    int32_t picturesShown() const;

  private:
    struct State;
    std::unique_ptr<State> state;
};

} // namespace velmora
