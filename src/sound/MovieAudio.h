// The sound of a movie: its audio decoder, a resampler to the mixer's own
// format, and the queue from which the mixer's music hook takes the samples.
// The main thread decodes into the queue; the hook runs on the audio thread,
// so the queue is guarded by a lock.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <vector>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct AVStream;
struct SwrContext;

namespace velmora {

// The format the mixer actually opened (Mix_QuerySpec).
struct MovieAudioFormat {
    int32_t frequency = 0;
    uint16_t format = 0; // SDL's sample format code
    int32_t channels = 0;
};

class MovieAudio {
  public:
    MovieAudio();
    ~MovieAudio();
    MovieAudio(const MovieAudio&) = delete;
    MovieAudio& operator=(const MovieAudio&) = delete;

    // Opens the decoder of `stream` for output in `output` at `volume`
    // (0-128, the mixer's scale). False when the stream or the mixer's format
    // cannot be handled: the movie then plays silent.
    bool open(const AVStream* stream, const MovieAudioFormat& output, int32_t volume);
    bool isOpen() const { return codec != nullptr; }
    // Decodes one packet (null drains the decoder) into the queue; false on a
    // decoding error.
    bool decode(const AVPacket* packet);
    // Forgets the decoder's state after a seek; the queued sound still plays.
    void flush();
    // Milliseconds of sound waiting in the queue.
    int32_t queuedMs() const;
    // Milliseconds of sound decoded since the last resetDecoded.
    int64_t decodedMs() const;
    void resetDecoded() { decoded_frames = 0; }

    // The mixer's music hook: `audio` is this object; fills all `length`
    // bytes, with silence where the queue runs dry.
    static void feedMixer(void* audio, Uint8* stream, int length);

  private:
    bool configureResampler(const AVFrame* source);
    bool convertFrame(const AVFrame* source);
    void push(uint8_t* bytes, size_t size);
    void release();

    AVCodecContext* codec = nullptr;
    SwrContext* resampler = nullptr;
    AVFrame* frame = nullptr;
    // What the resampler was set up for.
    int32_t source_format = -1;
    int32_t source_rate = 0;
    int32_t source_channels = 0;

    MovieAudioFormat output;
    int32_t output_sample_format = -1; // FFmpeg's code of output.format
    int32_t sample_bytes = 0;          // of one sample of one channel
    int32_t frame_bytes = 0;           // of one sample of every channel
    int32_t volume = 0;
    uint8_t silence = 0;
    int64_t decoded_frames = 0;
    std::vector<uint8_t> converted; // the resampler's output, before the queue

    SDL_mutex* lock = nullptr;
    std::vector<uint8_t> queue; // guarded by `lock`
    size_t read_at = 0;         // the next byte the hook takes; guarded by `lock`
};

} // namespace velmora
