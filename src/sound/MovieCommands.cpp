// The movie commands. A movie blocks the script: it plays from the bytes the
// current reader gives, its pictures over the whole window and its sound
// through the mixer's music hook, while only clicks and a quit request are
// taken from the event queue; every other event is dropped. Scripted input
// acts while it plays, so that games with movies can be played headless.
#include <SDL_mixer.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "archive/BaseReader.h"
#include "common/Exit.h"
#include "engine/Velmora.h"
#include "sound/MoviePlayer.h"

namespace velmora {

namespace {

// The longest sleep between two looks at the event queue.
constexpr int64_t MOVIE_POLL_MS = 10;

// A released key of these ends a movie that may be cut short, as a click does.
bool isMovieKey(SDLKey key) {
    return key == SDLK_RETURN || key == SDLK_ESCAPE || key == SDLK_SPACE;
}

} // namespace

int32_t Velmora::playMovie(const std::string& name, bool click_ends, bool loop) {
    const int32_t length = script.reader->fileLength(name);
    if (length <= 0) {
        std::fprintf(stderr, " *** can't find file [%s] ***\n", name.c_str());
        return MOVIE_ENDED;
    }
    auto bytes = tryAllocate<uint8_t>(static_cast<size_t>(length));
    const int32_t read =
        bytes ? script.reader->readFile(name, bytes.get(), static_cast<size_t>(length)) : 0;

    MovieOptions options;
    options.with_audio = audio_open;
    options.audio = MovieAudioFormat{audio_spec.frequency, audio_spec.format, audio_spec.channels};
    options.volume = SoundSystem::mixerVolume(volumes.music_volume);
    options.loop = loop;
    MoviePlayer player;
    std::string error;
    if (!bytes)
        error = "file too large";
    else if (read <= 0)
        error = "file unreadable";
    else if (player.open(std::move(bytes), static_cast<size_t>(read), options, error) &&
             !player.setDisplay(screen.screen_surface))
        error = "the screen's pixel format";
    if (!error.empty()) {
        std::fprintf(stderr, " *** can't play movie [%s]: %s ***\n", name.c_str(), error.c_str());
        return MOVIE_ENDED;
    }

    if (player.playsAudio()) Mix_HookMusic(MoviePlayer::feedMixer, &player);
    int32_t result = MOVIE_ENDED;
    bool clicked = false;
    const uint32_t start = SDL_GetTicks();
    for (;;) {
        const int64_t elapsed = SDL_GetTicks() - start;
        if (!player.advance(elapsed)) break;
        SDL_Event event;
        while (SDL_PollEvent(&event)) {
            if ((event.type == SDL_KEYUP && isMovieKey(event.key.keysym.sym)) ||
                event.type == SDL_MOUSEBUTTONUP)
                clicked = true;
            else if (event.type == SDL_QUIT)
                result = MOVIE_QUIT;
        }
        // The window's close ends any movie, even one that loops and that
        // clicks do not end.
        if (result == MOVIE_QUIT || (click_ends && clicked)) break;
        // A looping movie that only a click ends waits for input like an idle wait.
        if (scripted_input) feedScriptedInput(loop && click_ends);
        SDL_Delay(static_cast<Uint32>(std::clamp<int64_t>(
            player.msUntilNextPicture(SDL_GetTicks() - start), 1, MOVIE_POLL_MS)));
    }
    // The hook is taken back under the mixer's lock: the player can go after it.
    if (player.playsAudio()) Mix_HookMusic(nullptr, nullptr);
    return result;
}

int32_t Velmora::mpegplayCommand() {
    const std::string name = script.readStr();
    const bool click_ends = script.readInteger() == 1;
    sound.stopMusic(false);
    if (playMovie(name, click_ends, false) == MOVIE_QUIT) endCommand();
    screen.damageAll();
    screen.showDamage(screen.refreshFlags(), nullptr, true, false, layerSettings());
    return RESULT_PROCEED;
}

int32_t Velmora::movieCommand() {
    if (script.takeKeyword("stop")) {
        std::fprintf(stderr, " [movie stop] is not supported yet!!\n");
        return RESULT_PROCEED;
    }
    const std::string name = script.readStr();
    sound.stopMusic(false);
    bool click_ends = false;
    bool loop = false;
    while (script.end_flags & END_COMMA) {
        const std::string word = script.readLabelToken();
        if (word == "pos") {
            for (int32_t n = 0; n < 4; ++n) script.readInteger();
            std::fprintf(stderr, " [movie pos] is not supported yet!!\n");
        } else if (word == "click") {
            click_ends = true;
        } else if (word == "loop") {
            loop = true;
        } else if (word == "async") {
            std::fprintf(stderr, " [movie async] is not supported yet!!\n");
        }
    }
    // The screen is left as the movie left it.
    if (playMovie(name, click_ends, loop) == MOVIE_QUIT) endCommand();
    return RESULT_PROCEED;
}

int32_t Velmora::aviCommand() {
    const std::string name = script.readStr();
    script.readInteger(); // whether a click may end it: nothing plays
    sound.stopMusic(false);
    if (script.reader->fileLength(name) > 0)
        std::fprintf(stderr, "avi command is disabled.\n");
    else
        std::fprintf(stderr, " *** can't find file [%s] ***\n", name.c_str());
    return RESULT_PROCEED;
}

} // namespace velmora
