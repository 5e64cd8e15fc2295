// The one piece of music: compressed music, MIDI through the hand-over file,
// and CD tracks from a drive or from their track files; stopping it, and the
// notices of its end.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "sound/SoundNotices.h"
#include "sound/SoundSystem.h"

namespace velmora {

namespace {

constexpr const char* MIDI_FILE_NAME = "tmp.mus";
// An external MIDI player that ends sooner than this after its start failed:
// restarting it would only fail again, as fast as it can.
constexpr uint32_t MIDI_PLAYER_MIN_RUN_MS = 500;
// A CD drive counts a track's length in frames of 1/75 second.
constexpr uint32_t CD_FRAMES_PER_SECOND = 75;

bool executable(const std::string& path) {
    return access(path.c_str(), X_OK) == 0;
}

// The program of a command line, found as the shell would find it.
bool programExists(const std::string& command) {
    const std::string program = command.substr(0, command.find(' '));
    if (program.empty()) return false;
    if (program.find('/') != std::string::npos) return executable(program);
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::string dir = end > start ? dirs.substr(start, end - start) : ".";
        if (executable(dir + "/" + program)) return true;
        start = end + 1;
    }
    return false;
}

} // namespace

std::string SoundSystem::midiFilePath() const {
    return (scratch_directory ? scratch_directory() : std::string()) + MIDI_FILE_NAME;
}

bool SoundSystem::writeMidiFile(const SoundBytes& data) {
    std::FILE* file = std::fopen(midiFilePath().c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "can't open temporaly MIDI file %s\n", MIDI_FILE_NAME);
        return false;
    }
    const bool written = std::fwrite(data.bytes.get(), 1, data.size, file) == data.size;
    if (std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "can't write temporaly MIDI file %s\n", MIDI_FILE_NAME);
        return false;
    }
    return true;
}

bool SoundSystem::midiPlayerRunnable() {
    if (programExists(music_cmd)) return true;
    if (!music_cmd_reported)
        std::fprintf(stderr, "MIDI player [%s] cannot be run\n", music_cmd.c_str());
    music_cmd_reported = true;
    return false;
}

int32_t SoundSystem::startMidi(bool loop) {
    const bool external = !music_cmd.empty();
    if (external && !midiPlayerRunnable()) return -1;
    Mix_SetMusicCMD(external ? music_cmd.c_str() : nullptr);
    midi = Mix_LoadMUS(midiFilePath().c_str());
    if (!midi) return -1;
    Mix_VolumeMusic(mixerVolume(volumes.music_volume));
    Mix_HookMusicFinished(postMusicFinished);
    // An external player loops by being started again when it ends, where one
    // that fails at once is caught; the mixer would restart it endlessly.
    if (Mix_PlayMusic(midi, loop && !external ? -1 : 0) < 0) {
        Mix_FreeMusic(midi);
        midi = nullptr;
        return -1;
    }
    midi_started = SDL_GetTicks();
    record.cd_track = SoundRecord::CD_MIDI;
    return 0;
}

bool SoundSystem::playMidi(const std::string& name, bool loop) {
    if (!audio_open) return false;
    stopMusic(false);
    record.midi_name = name;
    record.midi_loop = loop;
    if (playSoundFile(name, SOUND_AS_MIDI, loop, VOICE_CHANNEL) == SOUND_AS_MIDI) return true;
    std::fprintf(stderr, "can't play MIDI file %s\n", name.c_str());
    return false;
}

void SoundSystem::playCd(int32_t track, bool loop) {
    record.cd_loop = loop;
    if (track == record.cd_track) return;
    stopMusic(false);
    record.cd_track = track;
    playCdTrack();
}

void SoundSystem::playCdTrack() {
    if (cdaudio_on) {
        const int32_t index = record.cd_track - 1;
        if (!cdrom || index < 0 || index >= cdrom->numtracks) return;
        SDL_CDPlayTracks(cdrom, index, 0, 1, 0);
        const uint32_t seconds = cdrom->track[index].length / CD_FRAMES_PER_SECOND;
        if (cd_timer) SDL_RemoveTimer(cd_timer);
        cd_timer = SDL_AddTimer(seconds * 1000, postCdTrackEnded, nullptr);
        return;
    }
    // A track file stands in for the CD: compressed music, or a wave as a chunk.
    char name[32];
    std::snprintf(name, sizeof name, "cd\\track%2.2d.mp3", record.cd_track);
    if (playSoundFile(name, SOUND_AS_MUSIC, record.cd_loop, VOICE_CHANNEL) == SOUND_AS_MUSIC)
        return;
    std::snprintf(name, sizeof name, "cd\\track%2.2d.ogg", record.cd_track);
    if (playSoundFile(name, SOUND_AS_MUSIC, record.cd_loop, VOICE_CHANNEL) == SOUND_AS_MUSIC)
        return;
    std::snprintf(name, sizeof name, "cd\\track%2.2d.wav", record.cd_track);
    playSoundFile(name, SOUND_AS_MUSIC | SOUND_AS_CHUNK, record.cd_loop, MUSIC_CHUNK_CHANNEL);
}

void SoundSystem::freeMusic() {
    if (music) {
        Mix_HaltMusic();
        Mix_FreeMusic(music);
        music = nullptr;
    }
    // The mixer does not own the stream it read the music from.
    if (music_stream) SDL_RWclose(music_stream);
    music_stream = nullptr;
    if (midi) {
        Mix_HaltMusic();
        Mix_FreeMusic(midi);
        midi = nullptr;
    }
}

void SoundSystem::stopMusic(bool keep) {
    if (!audio_open) return;
    removeFadeTimer();
    fade_ms = fade_in_ms = 0;
    if (cdaudio_on && cdrom) {
        if (cd_timer) SDL_RemoveTimer(cd_timer);
        cd_timer = nullptr;
        if (SDL_CDStatus(cdrom) > CD_STOPPED) SDL_CDStop(cdrom);
    }
    stopChannel(MUSIC_CHUNK_CHANNEL);
    freeMusic();
    if (keep) return;
    record.music_name.clear();
    music_data = {};
    music_data_name.clear();
    record.music_loop = false;
    record.midi_name.clear();
    record.midi_loop = false;
    record.cd_track = SoundRecord::CD_NONE;
}

bool SoundSystem::musicPlaying() const {
    return audio_open && (Mix_PlayingMusic() || channelPlaying(MUSIC_CHUNK_CHANNEL));
}

void SoundSystem::onMusicFinished() {
    // The music that ended is not the one that plays now.
    if (!audio_open || Mix_PlayingMusic()) return;
    if (midi && record.midi_loop && !music_cmd.empty()) {
        if (SDL_GetTicks() - midi_started < MIDI_PLAYER_MIN_RUN_MS) {
            std::fprintf(stderr, "MIDI player [%s] ended at once; the music stops\n",
                         music_cmd.c_str());
            stopMusic(false);
            return;
        }
        midi_started = SDL_GetTicks();
        if (Mix_PlayMusic(midi, 0) == 0) return;
    }
    if (record.music_loop || (record.cd_loop && !cdaudio_on)) {
        stopMusic(true);
        if (!record.music_name.empty())
            playSoundFile(record.music_name, SOUND_AS_MUSIC, true, VOICE_CHANNEL);
        else
            playCdTrack();
        return;
    }
    stopMusic(false);
}

void SoundSystem::onCdTrackEnded() {
    cd_timer = nullptr;
    if (!record.cd_loop) {
        stopMusic(false);
        return;
    }
    stopMusic(true);
    playCdTrack();
}

} // namespace velmora
