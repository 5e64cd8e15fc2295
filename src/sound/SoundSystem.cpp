// Loading and starting sounds, the channel and music volumes, stopping, and
// the notices of the mixer callbacks. Fades and the CD are in SoundFades.cpp
// and SoundMusic.cpp.
#include "sound/SoundSystem.h"

#include <algorithm>
#include <cstdio>

#include "archive/BaseReader.h"
#include "common/Exit.h"
#include "sound/SoundFileCheck.h"
#include "sound/SoundNotices.h"

namespace velmora {

namespace {

bool validChannel(int32_t channel) {
    return channel >= 0 && channel < SOUND_CHANNELS;
}

// The first bytes of an ASF header object: such a file is never handed over as MIDI.
bool isAsf(const uint8_t* data, size_t size) {
    return size >= 4 && data[0] == 0x30 && data[1] == 0x26 && data[2] == 0xB2 && data[3] == 0x75;
}

} // namespace

SoundSystem::SoundSystem(SoundVolumes& volumes) : volumes(volumes) {}

SoundSystem::~SoundSystem() {
    close();
}

void SoundSystem::open(const std::string& command) {
    music_cmd = command;
    audio_open = true;
    Mix_ChannelFinished(postChannelFinished);
    Mix_HookMusicFinished(postMusicFinished);
}

void SoundSystem::close() {
    if (!audio_open) return;
    Mix_ChannelFinished(nullptr);
    Mix_HookMusicFinished(nullptr);
    stopMusic(false);
    for (int32_t channel = 0; channel < SOUND_CHANNELS; ++channel) stopChannel(channel);
    if (cd_timer) SDL_RemoveTimer(cd_timer);
    cd_timer = nullptr;
    audio_open = false;
}

void SoundSystem::setCdrom(bool on, SDL_CD* drive) {
    cdaudio_on = on;
    cdrom = drive;
}

int32_t SoundSystem::mixerVolume(int32_t volume) {
    return std::clamp(volume, 0, MAX_VOLUME) * MIX_MAX_VOLUME / MAX_VOLUME;
}

int32_t SoundSystem::channelVolume(int32_t channel) const {
    if (channel == VOICE_CHANNEL) return volumes.voice_volume;
    if (channel == MUSIC_CHUNK_CHANNEL) return volumes.music_volume;
    return volumes.se_volume;
}

bool SoundSystem::readSoundFile(const std::string& name, int32_t format, SoundBytes& data) {
    BaseReader* files = reader ? reader() : nullptr;
    if (!files) return false;
    const int32_t length = files->fileLength(name);
    if (length <= 0) return false;
    // A looping restart plays the bytes it kept instead of reading them again.
    if ((format & SOUND_AS_MUSIC) && music_data.bytes && music_data_name == name) {
        data = std::move(music_data);
        return true;
    }
    data.bytes = tryAllocate<uint8_t>(static_cast<size_t>(length));
    if (!data.bytes) {
        std::fprintf(stderr, "failed to load [%s] because file size [%lu] is too large.\n",
                     name.c_str(), static_cast<unsigned long>(length));
        return false;
    }
    const int32_t read = files->readFile(name, data.bytes.get(), static_cast<size_t>(length));
    data.size = static_cast<size_t>(std::max(read, 0));
    return data.size > 0;
}

int32_t SoundSystem::playSoundFile(const std::string& name, int32_t format, bool loop,
                                   int32_t channel) {
    if (!audio_open) return SOUND_NOT_READ;
    SoundBytes data;
    if (!readSoundFile(name, format, data)) return SOUND_NOT_READ;
    if (!soundContainerIsSafe(data.bytes.get(), data.size)) return SOUND_UNPLAYABLE;

    if ((format & SOUND_AS_MUSIC) && playAsMusic(data)) {
        music_data = std::move(data);
        music_data_name = name;
        return SOUND_AS_MUSIC;
    }
    if (format & SOUND_AS_CHUNK) {
        // The chunk decodes the bytes into its own buffer; the stream is closed by the mixer.
        Mix_Chunk* chunk = Mix_LoadWAV_RW(SDL_RWFromMem(data.bytes.get(), data.size), 1);
        if (playChunk(chunk, format, loop, channel) == 0) return SOUND_AS_CHUNK;
    }
    if ((format & SOUND_AS_MIDI) && !isAsf(data.bytes.get(), data.size) && writeMidiFile(data) &&
        startMidi(loop) == 0)
        return SOUND_AS_MIDI;
    return SOUND_UNPLAYABLE;
}

bool SoundSystem::playAsMusic(SoundBytes& data) {
    freeMusic(); // one piece of music at a time
    SDL_RWops* stream = SDL_RWFromMem(data.bytes.get(), static_cast<int>(data.size));
    if (!stream) return false;
    Mix_Music* loaded = Mix_LoadMUS_RW(stream);
    if (!loaded) {
        SDL_RWclose(stream);
        return false;
    }
    // One loudness for one setting: music starts at the scaled volume, as mp3vol sets it.
    Mix_VolumeMusic(mixerVolume(volumes.music_volume));
    Mix_HookMusicFinished(postMusicFinished);
    if (Mix_PlayMusic(loaded, record.music_loop ? -1 : 0) < 0) {
        Mix_FreeMusic(loaded);
        SDL_RWclose(stream);
        return false;
    }
    music = loaded;
    music_stream = stream;
    return true;
}

int32_t SoundSystem::playChunk(Mix_Chunk* chunk, int32_t format, bool loop, int32_t channel) {
    if (!chunk) return -1;
    if (!validChannel(channel)) {
        Mix_FreeChunk(chunk);
        return -1;
    }
    Mix_Pause(channel);
    if (channel_chunks[channel]) Mix_FreeChunk(channel_chunks[channel]);
    channel_chunks[channel] = chunk;
    nextChannelGeneration(channel);
    Mix_Volume(channel, mixerVolume(channelVolume(channel)));
    if (!(format & SOUND_LOAD_ONLY)) Mix_PlayChannelTimed(channel, chunk, loop ? -1 : 0, -1);
    return 0;
}

void SoundSystem::replayChannel(int32_t channel, bool loop) {
    if (!audio_open || !validChannel(channel) || !channel_chunks[channel]) return;
    nextChannelGeneration(channel);
    Mix_PlayChannelTimed(channel, channel_chunks[channel], loop ? -1 : 0, -1);
}

void SoundSystem::stopChannel(int32_t channel) {
    if (!audio_open || !validChannel(channel)) return;
    Mix_Pause(channel);
    if (channel_chunks[channel]) Mix_FreeChunk(channel_chunks[channel]);
    channel_chunks[channel] = nullptr;
    nextChannelGeneration(channel);
}

bool SoundSystem::channelHasChunk(int32_t channel) const {
    return validChannel(channel) && channel_chunks[channel] != nullptr;
}

bool SoundSystem::channelPlaying(int32_t channel) const {
    return audio_open && channelHasChunk(channel) && Mix_Playing(channel) && !Mix_Paused(channel);
}

void SoundSystem::playSystemSound(const std::string& name) {
    if (!name.empty()) playSoundFile(name, SOUND_AS_CHUNK, false, WAVE_CHANNEL);
}

void SoundSystem::playWave(const std::string& name, bool loop) {
    if (!audio_open) return;
    stopChannel(WAVE_CHANNEL);
    record.wave_loop = loop;
    record.wave_name = name;
    playSoundFile(name, SOUND_AS_CHUNK, loop, WAVE_CHANNEL);
}

void SoundSystem::stopWave() {
    if (!audio_open) return;
    stopChannel(WAVE_CHANNEL);
    record.wave_name.clear();
}

void SoundSystem::setVoiceVolume(int32_t volume) {
    volumes.voice_volume = std::clamp(volume, 0, MAX_VOLUME);
    if (audio_open && channel_chunks[VOICE_CHANNEL])
        Mix_Volume(VOICE_CHANNEL, mixerVolume(volumes.voice_volume));
}

void SoundSystem::setSeVolume(int32_t volume) {
    volumes.se_volume = std::clamp(volume, 0, MAX_VOLUME);
    if (!audio_open) return;
    // A wave on channel 50 keeps the volume it started with.
    for (int32_t channel : {LOOPBGM_FIRST_CHANNEL, LOOPBGM_LOOP_CHANNEL})
        if (channel_chunks[channel]) Mix_Volume(channel, mixerVolume(volumes.se_volume));
    for (int32_t channel = VOICE_CHANNEL + 1; channel <= LAST_EFFECT_CHANNEL; ++channel)
        if (channel_chunks[channel]) Mix_Volume(channel, mixerVolume(volumes.se_volume));
}

void SoundSystem::setChannelVolume(int32_t channel, int32_t volume) {
    if (audio_open && channelHasChunk(channel)) Mix_Volume(channel, mixerVolume(volume));
}

void SoundSystem::setMusicVolume(int32_t volume) {
    volumes.music_volume = std::clamp(volume, 0, MAX_VOLUME);
    if (audio_open) applyMusicVolume(mixerVolume(volumes.music_volume));
}

void SoundSystem::applyMusicVolume(int32_t mixer_volume) {
    Mix_VolumeMusic(mixer_volume);
    // Music that only loaded as a chunk follows the music volume and its fades too.
    if (channel_chunks[MUSIC_CHUNK_CHANNEL]) Mix_Volume(MUSIC_CHUNK_CHANNEL, mixer_volume);
}

void SoundSystem::startLoopBgm(const std::string& first, const std::string& loop) {
    if (!audio_open) return;
    record.loopbgm_names = {first, loop};
    playSoundFile(loop, SOUND_AS_CHUNK | SOUND_LOAD_ONLY, false, LOOPBGM_LOOP_CHANNEL);
    playSoundFile(first, SOUND_AS_CHUNK, false, LOOPBGM_FIRST_CHANNEL);
}

void SoundSystem::stopLoopBgm() {
    if (!audio_open) return;
    stopChannel(LOOPBGM_FIRST_CHANNEL);
    stopChannel(LOOPBGM_LOOP_CHANNEL);
    record.loopbgm_names[0].clear();
}

void SoundSystem::stopEffects() {
    if (!audio_open) return;
    for (int32_t channel = VOICE_CHANNEL; channel <= LAST_EFFECT_CHANNEL; ++channel)
        stopChannel(channel);
    stopWave();
    stopLoopBgm();
    record.wave_loop = false;
    record.loopbgm_names = {};
}

void SoundSystem::onChannelFinished(int32_t channel, uint32_t generation) {
    if (!audio_open || !validChannel(channel)) return;
    // A notice for a sound that a newer one replaced, or while the newer one
    // still plays, must not free it.
    if (generation != channelGeneration(channel) || Mix_Playing(channel)) return;
    if (channel_chunks[channel]) Mix_FreeChunk(channel_chunks[channel]);
    channel_chunks[channel] = nullptr;
    // The looping part of loopbgm starts when the first part ends.
    if (channel == LOOPBGM_FIRST_CHANNEL && !record.loopbgm_names[1].empty() &&
        channel_chunks[LOOPBGM_LOOP_CHANNEL])
        replayChannel(LOOPBGM_LOOP_CHANNEL, true);
}

} // namespace velmora
