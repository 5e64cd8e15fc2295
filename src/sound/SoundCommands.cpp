// The sound commands: each reads its arguments and calls the sound object.
// The fade waits run here, since a wait belongs to the event loop.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "engine/Velmora.h"

namespace velmora {

namespace {

// How long a fade wait may outlast its fade when the fade's end is late.
constexpr int32_t FADE_WAIT_MARGIN_MS = 500;

int32_t effectChannel(int32_t channel) {
    return std::clamp(channel, 0, LAST_EFFECT_CHANNEL);
}

// How each music command keeps its music: restored by a loaded game, looping.
struct MusicMode {
    const char* name;
    bool save;
    bool loop;
};
constexpr MusicMode MUSIC_MODES[] = {
    {"mp3", false, false}, {"mp3save", true, false},  {"mp3loop", true, true},
    {"bgm", true, true},   {"bgmonce", false, false},
};

} // namespace

bool Velmora::waitForFade(FadeWait wait) {
    switch (wait) {
    case FadeWait::None: return false;
    case FadeWait::AtOnce: input.event_mode = 0; return runWait(0);
    case FadeWait::UntilDone:
        // The end of the fade ends the wait; its length bounds it, so the
        // wait is a timed one and can never outlast the fade by much.
        input.event_mode = WAIT_ANIMATION;
        return runWait(sound.fadeLength() + FADE_WAIT_MARGIN_MS);
    }
    return false;
}

void Velmora::fadeOutMusic() {
    const FadeWait wait = sound.stopMusicWithFade();
    waitForFade(wait);
    if (wait == FadeWait::UntilDone) sound.stopMusic(false);
}

int32_t Velmora::waveCommand() {
    const bool loop = script.tokenIs("waveloop");
    sound.playWave(script.readStr(), loop);
    return RESULT_PROCEED;
}

int32_t Velmora::wavestopCommand() {
    sound.stopWave();
    return RESULT_PROCEED;
}

int32_t Velmora::dwaveCommand() {
    const bool play_loaded = script.tokenIs("dwaveplay") || script.tokenIs("dwaveplayloop");
    const bool loop = script.tokenIs("dwaveloop") || script.tokenIs("dwaveplayloop");
    const bool load_only = script.tokenIs("dwaveload");
    const int32_t channel = effectChannel(script.readInteger());
    if (play_loaded) {
        sound.replayChannel(channel, loop);
        return RESULT_PROCEED;
    }
    const int32_t format = load_only ? SOUND_AS_CHUNK | SOUND_LOAD_ONLY : SOUND_AS_CHUNK;
    sound.playSoundFile(script.readStr(), format, loop, channel);
    return RESULT_PROCEED;
}

int32_t Velmora::dwavestopCommand() {
    sound.stopChannel(effectChannel(script.readInteger()));
    return RESULT_PROCEED;
}

int32_t Velmora::voicevolCommand() {
    sound.setVoiceVolume(script.readInteger());
    return RESULT_PROCEED;
}

int32_t Velmora::sevolCommand() {
    sound.setSeVolume(script.readInteger());
    return RESULT_PROCEED;
}

int32_t Velmora::chvolCommand() {
    const int32_t channel = effectChannel(script.readInteger());
    sound.setChannelVolume(channel, script.readInteger());
    return RESULT_PROCEED;
}

int32_t Velmora::mp3volCommand() {
    sound.setMusicVolume(script.readInteger());
    return RESULT_PROCEED;
}

int32_t Velmora::getvolumeCommand() {
    const int32_t volume = script.tokenIs("getvoicevol") ? volumes.voice_volume
                           : script.tokenIs("getsevol")  ? volumes.se_volume
                                                         : volumes.music_volume;
    script.readInteger();
    script.setInt(script.last_ref, volume);
    return RESULT_PROCEED;
}

int32_t Velmora::mp3Command() {
    const MusicMode* mode =
        std::find_if(std::begin(MUSIC_MODES), std::end(MUSIC_MODES),
                     [this](const MusicMode& m) { return script.tokenIs(m.name); });
    sound.record.music_save = mode->save;
    fadeOutMusic();
    sound.stopMusic(false);
    sound.record.music_loop = mode->loop;
    const std::string name = script.readStr();
    if (!name.empty()) waitForFade(sound.startMusic(name));
    return RESULT_PROCEED;
}

int32_t Velmora::mp3stopCommand() {
    fadeOutMusic();
    return RESULT_PROCEED;
}

int32_t Velmora::mp3fadeCommand() {
    const bool fade_out = script.tokenIs("mp3fadeout") || script.tokenIs("bgmfadeout");
    // A negative length is no fade, not a wait of some 49 days.
    (fade_out ? sound.fadeout_ms : sound.fadein_ms) = std::max(script.readInteger(), 0);
    return RESULT_PROCEED;
}

int32_t Velmora::playCommand() {
    const bool loop = script.tokenIs("play");
    const std::string name = script.readStr();
    if (name[0] == '*')
        sound.playCd(std::atoi(name.c_str() + 1), loop);
    else
        sound.playMidi(name, loop);
    return RESULT_PROCEED;
}

int32_t Velmora::playstopCommand() {
    sound.stopMusic(false);
    return RESULT_PROCEED;
}

int32_t Velmora::loopbgmCommand() {
    const std::string first = script.readStr();
    sound.startLoopBgm(first, script.readStr());
    return RESULT_PROCEED;
}

int32_t Velmora::loopbgmstopCommand() {
    sound.stopLoopBgm();
    return RESULT_PROCEED;
}

int32_t Velmora::stopCommand() {
    fadeOutMusic();
    sound.stopWave();
    return RESULT_PROCEED;
}

void Velmora::handleSoundEvent(const SDL_Event& event) {
    switch (event.type) {
    case EVENT_CHANNEL_FINISHED:
        sound.onChannelFinished(
            event.user.code, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(event.user.data1)));
        break;
    case EVENT_MUSIC_FINISHED: sound.onMusicFinished(); break;
    case EVENT_CD_TIMER: sound.onCdTrackEnded(); break;
    case EVENT_FADE_TIMER:
        // Skipping or holding Ctrl ends a fade at its next step.
        sound.onFadeTick(event.user.code,
                         (skip_mode & (SKIP_TEXT | SKIP_TO_PAGE_END)) || input.ctrl_held != 0);
        break;
    default: break;
    }
}

bool Velmora::playVoiceToken(const char* token) {
    const bool wave = token[0] == 'v' && std::isdigit(static_cast<unsigned char>(token[1]));
    const bool voice =
        std::strncmp(token, "dv", 2) == 0 && std::isdigit(static_cast<unsigned char>(token[2]));
    if (!wave && !voice) return false;
    const std::string name = wave ? std::string("wav\\") + (token + 1) + ".wav"
                                  : std::string("voice\\") + (token + 2) + ".wav";
    sound.playSoundFile(name, SOUND_AS_CHUNK, false, wave ? WAVE_CHANNEL : VOICE_CHANNEL);
    return true;
}

void Velmora::playClickSound() {
    if (input.text_wait_state == 1 || input.text_wait_state == 2)
        sound.playSystemSound(click_voices[input.text_wait_state - 1]);
}

} // namespace velmora
