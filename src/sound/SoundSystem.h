// The sound object: the 54 mixer channels with their fixed roles, the one
// piece of music (compressed, MIDI or a CD track) with its fades, and the
// handling of the notices that the mixer and timer callbacks post. Every
// mixer call of the engine is made here; command handlers read their
// arguments and call this object, and tests drive it without a script.
#pragma once

#include <SDL.h>
#include <SDL_mixer.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "sound/SoundVolumes.h"

namespace velmora {

class BaseReader;

// Channel roles.
constexpr int32_t SOUND_CHANNELS = 54;
constexpr int32_t VOICE_CHANNEL = 0;        // voices: dwave 0 and the dv text tokens
constexpr int32_t LAST_EFFECT_CHANNEL = 49; // 1-49: the dwave family
constexpr int32_t WAVE_CHANNEL = 50;        // wave, waveloop, click and selection sounds, v tokens
constexpr int32_t MUSIC_CHUNK_CHANNEL = 51; // music that only loads as a sound chunk
constexpr int32_t LOOPBGM_FIRST_CHANNEL = 52;
constexpr int32_t LOOPBGM_LOOP_CHANNEL = 53;

// The ways playSoundFile may try a file (bits of its format).
constexpr int32_t SOUND_LOAD_ONLY = 1; // load the chunk but do not start the channel
constexpr int32_t SOUND_AS_CHUNK = 2;
constexpr int32_t SOUND_AS_MUSIC = 4;
constexpr int32_t SOUND_AS_MIDI = 8;
// Its results besides the way that worked.
constexpr int32_t SOUND_NOT_READ = 0; // audio closed, file missing or too large
constexpr int32_t SOUND_UNPLAYABLE = 16;

// What a save file keeps of the sound, and what a loaded game restarts from.
struct SoundRecord {
    std::string wave_name; // the wave/waveloop sound on channel 50
    bool wave_loop = false;
    std::string music_name; // the mp3-family music
    bool music_loop = false;
    bool music_save = false; // the music is restored when a game is loaded
    std::string midi_name;
    bool midi_loop = false;
    int32_t cd_track = CD_NONE; // 1-based; CD_NONE or CD_MIDI otherwise
    bool cd_loop = false;
    std::array<std::string, 2> loopbgm_names; // first part, looping part

    bool operator==(const SoundRecord&) const = default;

    static constexpr int32_t CD_NONE = -1;
    static constexpr int32_t CD_MIDI = -2; // MIDI music holds the music slot
};

// File bytes that a sound is decoded from.
struct SoundBytes {
    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
};

// How the script waits after a fade began.
enum class FadeWait {
    None,      // no fade: nothing to wait for
    AtOnce,    // the fade goes on while the script runs (OGG music)
    UntilDone, // the script waits for the end of the fade
};

// The codes of a fade-step notice.
constexpr int32_t FADE_OUT = 0;
constexpr int32_t FADE_IN = 1;

class SoundSystem {
  public:
    explicit SoundSystem(SoundVolumes& volumes);
    ~SoundSystem();
    SoundSystem(const SoundSystem&) = delete;
    SoundSystem& operator=(const SoundSystem&) = delete;

    // The audio device is open: installs the callbacks and allows every call.
    // `music_cmd` is the external MIDI player (empty: the mixer's own).
    void open(const std::string& music_cmd);
    // Stops and frees everything; calls after it do nothing. Safe to repeat.
    void close();
    bool isOpen() const { return audio_open; }
    // The CD drive, when the game plays real CD audio (--cdaudio).
    void setCdrom(bool cdaudio_on, SDL_CD* cdrom);

    // Where sound files are read; set by the engine.
    std::function<BaseReader*()> reader;
    // The directory, with its separator, where the MIDI hand-over file goes.
    std::function<std::string()> scratch_directory;

    // Loads `name` in the ways `format` allows; the result is the way that
    // worked, SOUND_NOT_READ or SOUND_UNPLAYABLE.
    int32_t playSoundFile(const std::string& name, int32_t format, bool loop, int32_t channel);
    // Puts `chunk` on `channel` (freeing the one there) and starts it unless
    // the format has SOUND_LOAD_ONLY. 0, or -1 without a chunk.
    int32_t playChunk(Mix_Chunk* chunk, int32_t format, bool loop, int32_t channel);
    // Plays the MIDI hand-over file; 0 or -1.
    int32_t startMidi(bool loop);
    // Plays record.cd_track from the drive or from its track file.
    void playCdTrack();
    // Stops music, MIDI, CD and channel 51; without `keep` also forgets them.
    void stopMusic(bool keep);
    // mp3stop: begins the fade-out when one is set, else stops at once.
    // After UntilDone the caller waits, then calls stopMusic(false).
    FadeWait stopMusicWithFade();

    // The length of the fade in progress, 0 when none.
    int32_t fadeLength() const { return fade_ms != 0 ? fade_ms : fade_in_ms; }

    // Pauses a channel and frees its chunk.
    void stopChannel(int32_t channel);
    // A one-shot sound on channel 50 (click and selection sounds); an empty name plays nothing.
    void playSystemSound(const std::string& name);

    // ---- Command bodies ----
    void playWave(const std::string& name, bool loop); // wave, waveloop
    void stopWave();                                   // wavestop
    // dwaveplay, dwaveplayloop: the chunk loaded on the channel, if any.
    void replayChannel(int32_t channel, bool loop);
    void setVoiceVolume(int32_t volume);
    void setSeVolume(int32_t volume);
    void setChannelVolume(int32_t channel, int32_t volume); // chvol: not stored
    void setMusicVolume(int32_t volume);
    // mp3, mp3save, mp3loop, bgm, bgmonce after the fade-out and stop.
    FadeWait startMusic(const std::string& name);
    // play/playonce of a MIDI file; false (and a message) when it cannot play.
    bool playMidi(const std::string& name, bool loop);
    // play/playonce of "*N": a CD track; the current track does nothing.
    void playCd(int32_t track, bool loop);
    void startLoopBgm(const std::string& first, const std::string& loop);
    void stopLoopBgm();
    // The reset of a game: sound effects, voices, the wave and loopbgm stop.
    void stopEffects();

    // ---- Notices from the callbacks, handled on the main thread ----
    void onMusicFinished();
    void onCdTrackEnded();
    // `generation` is the channel's counter when the callback ran: a notice
    // for a sound that a newer one replaced frees nothing.
    void onChannelFinished(int32_t channel, uint32_t generation);
    // One 20 ms step of a fade; `skipping` ends it at once. The end of a
    // fade that the script waits for posts the end of the wait.
    void onFadeTick(int32_t direction, bool skipping);

    // The channel is playing (or paused with a chunk) and holds a sound.
    bool channelPlaying(int32_t channel) const;
    bool channelHasChunk(int32_t channel) const;
    // The mixer volume of a volume 0-100.
    static int32_t mixerVolume(int32_t volume);
    // The fade wait ends when the fade does, except for OGG music.
    static bool isOgg(const std::string& name);

    SoundRecord record;
    int32_t fadeout_ms = 0; // mp3fadeout; 0: no fade
    int32_t fadein_ms = 0;  // mp3fadein; 0: no fade

  private:
    // The mixer volume field of a channel's role.
    int32_t channelVolume(int32_t channel) const;
    // The music volume: the mixer's music and a music chunk on channel 51.
    void applyMusicVolume(int32_t mixer_volume);
    bool readSoundFile(const std::string& name, int32_t format, SoundBytes& data);
    bool playAsMusic(SoundBytes& data);
    bool writeMidiFile(const SoundBytes& data);
    std::string midiFilePath() const;
    // The external MIDI player can be started; one that cannot is reported once.
    bool midiPlayerRunnable();
    // Music plays: the mixer's music or a music chunk on channel 51.
    bool musicPlaying() const;
    void startFadeTimer(int32_t code);
    void removeFadeTimer();
    void freeMusic();

    SoundVolumes& volumes;
    bool audio_open = false;
    std::string music_cmd;
    bool music_cmd_reported = false; // a MIDI player that cannot run is reported once
    bool cdaudio_on = false;
    SDL_CD* cdrom = nullptr;

    std::array<Mix_Chunk*, SOUND_CHANNELS> channel_chunks{};
    Mix_Music* music = nullptr;
    SDL_RWops* music_stream = nullptr; // the mixer reads `music` from it while it plays
    SoundBytes music_data;             // kept for a looping restart without reading again
    std::string music_data_name;       // the file music_data holds
    Mix_Music* midi = nullptr;
    uint32_t midi_started = 0; // when the external MIDI player last started

    int32_t fade_ms = 0;    // the fade-out in progress; 0 none
    int32_t fade_in_ms = 0; // the fade-in in progress
    uint32_t fade_start = 0;
    SDL_TimerID fade_timer = nullptr;
    SDL_TimerID cd_timer = nullptr;
};

} // namespace velmora
