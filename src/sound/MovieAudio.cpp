#include "sound/MovieAudio.h"

#include <SDL_mixer.h>

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

namespace velmora {

namespace {

// Sound decoded ahead of the mixer is capped; a file whose sound runs far
// ahead of its pictures loses the excess rather than growing without end.
constexpr int64_t QUEUE_LIMIT_MS = 4000;
// Frames with rates or channel counts outside these are damaged; they are skipped.
constexpr int32_t MAX_SAMPLE_RATE = 384000;
constexpr int32_t MAX_CHANNELS = 16;
constexpr uint8_t UNSIGNED_SILENCE = 0x80;
constexpr int32_t MS_PER_SECOND = 1000;

} // namespace

MovieAudio::MovieAudio() = default;

MovieAudio::~MovieAudio() {
    release();
}

void MovieAudio::release() {
    avcodec_free_context(&codec);
    swr_free(&resampler);
    av_frame_free(&frame);
    if (lock) SDL_DestroyMutex(lock);
    lock = nullptr;
    source_format = -1;
}

bool MovieAudio::open(const AVStream* stream, const MovieAudioFormat& format, int32_t level) {
    release();
    output = format;
    volume = std::clamp(level, 0, MIX_MAX_VOLUME);
    // The mixer of this engine opens 16-bit sound; 8-bit is handled as well.
    if (format.format == AUDIO_S16SYS) {
        output_sample_format = AV_SAMPLE_FMT_S16;
        silence = 0;
    } else if (format.format == AUDIO_U8) {
        output_sample_format = AV_SAMPLE_FMT_U8;
        silence = UNSIGNED_SILENCE;
    } else {
        return false;
    }
    if (format.frequency <= 0 || format.frequency > MAX_SAMPLE_RATE || format.channels <= 0 ||
        format.channels > MAX_CHANNELS)
        return false;
    sample_bytes = av_get_bytes_per_sample(static_cast<AVSampleFormat>(output_sample_format));
    frame_bytes = sample_bytes * format.channels;

    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder) return false;
    codec = avcodec_alloc_context3(decoder);
    if (!codec || avcodec_parameters_to_context(codec, stream->codecpar) < 0) {
        release();
        return false;
    }
    codec->pkt_timebase = stream->time_base;
    codec->thread_count = 1;
    frame = av_frame_alloc();
    lock = SDL_CreateMutex();
    if (!frame || !lock || avcodec_open2(codec, decoder, nullptr) < 0) {
        release();
        return false;
    }
    return true;
}

bool MovieAudio::decode(const AVPacket* packet) {
    if (!codec) return true;
    int result = avcodec_send_packet(codec, packet);
    if (result < 0 && result != AVERROR(EAGAIN) && result != AVERROR_EOF) return false;
    for (;;) {
        result = avcodec_receive_frame(codec, frame);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
        if (result < 0) return false;
        const bool converted_ok = convertFrame(frame);
        av_frame_unref(frame);
        if (!converted_ok) return false;
    }
}

void MovieAudio::flush() {
    if (codec) avcodec_flush_buffers(codec);
    // Samples held inside the resampler belong to the old position.
    swr_free(&resampler);
    source_format = -1;
}

bool MovieAudio::configureResampler(const AVFrame* source) {
    const int32_t channels = source->ch_layout.nb_channels;
    if (source->format == source_format && source->sample_rate == source_rate &&
        channels == source_channels)
        return true;
    if (source->sample_rate <= 0 || source->sample_rate > MAX_SAMPLE_RATE || channels <= 0 ||
        channels > MAX_CHANNELS ||
        av_get_bytes_per_sample(static_cast<AVSampleFormat>(source->format)) <= 0)
        return false;
    swr_free(&resampler);
    source_format = -1;
    AVChannelLayout in_layout{};
    AVChannelLayout out_layout{};
    if (source->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&in_layout, channels);
    else if (av_channel_layout_copy(&in_layout, &source->ch_layout) < 0)
        return false;
    av_channel_layout_default(&out_layout, output.channels);
    const int result = swr_alloc_set_opts2(
        &resampler, &out_layout, static_cast<AVSampleFormat>(output_sample_format),
        output.frequency, &in_layout, static_cast<AVSampleFormat>(source->format),
        source->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&in_layout);
    av_channel_layout_uninit(&out_layout);
    if (result < 0 || swr_init(resampler) < 0) {
        swr_free(&resampler);
        return false;
    }
    source_format = source->format;
    source_rate = source->sample_rate;
    source_channels = channels;
    return true;
}

bool MovieAudio::convertFrame(const AVFrame* source) {
    if (source->nb_samples <= 0) return true;
    if (!configureResampler(source)) return false;
    const int capacity = swr_get_out_samples(resampler, source->nb_samples);
    if (capacity < 0) return false;
    converted.resize(static_cast<size_t>(capacity) * static_cast<size_t>(frame_bytes));
    uint8_t* out = converted.data();
    const int produced =
        swr_convert(resampler, &out, capacity, const_cast<const uint8_t**>(source->extended_data),
                    source->nb_samples);
    if (produced < 0) return false;
    decoded_frames += produced;
    push(converted.data(), static_cast<size_t>(produced) * static_cast<size_t>(frame_bytes));
    return true;
}

void MovieAudio::push(uint8_t* bytes, size_t size) {
    // The movie plays at the music volume; it is fixed while the movie plays,
    // so it is applied here rather than on the audio thread.
    if (volume < MIX_MAX_VOLUME) {
        if (output_sample_format == AV_SAMPLE_FMT_S16) {
            for (size_t at = 0; at + 1 < size; at += 2) {
                int16_t sample;
                std::memcpy(&sample, bytes + at, sizeof sample);
                sample = static_cast<int16_t>(sample * volume / MIX_MAX_VOLUME);
                std::memcpy(bytes + at, &sample, sizeof sample);
            }
        } else {
            for (size_t at = 0; at < size; ++at)
                bytes[at] = static_cast<uint8_t>(
                    (bytes[at] - UNSIGNED_SILENCE) * volume / MIX_MAX_VOLUME + UNSIGNED_SILENCE);
        }
    }
    const size_t limit = static_cast<size_t>(QUEUE_LIMIT_MS * output.frequency / MS_PER_SECOND) *
                         static_cast<size_t>(frame_bytes);
    SDL_mutexP(lock);
    if (read_at > 0 && read_at >= queue.size() / 2) {
        queue.erase(queue.begin(), queue.begin() + static_cast<std::ptrdiff_t>(read_at));
        read_at = 0;
    }
    const size_t waiting = queue.size() - read_at;
    const size_t room = waiting < limit ? limit - waiting : 0;
    const size_t taken =
        std::min(size, room) / static_cast<size_t>(frame_bytes) * static_cast<size_t>(frame_bytes);
    queue.insert(queue.end(), bytes, bytes + taken);
    SDL_mutexV(lock);
}

int32_t MovieAudio::queuedMs() const {
    if (!codec) return 0;
    SDL_mutexP(lock);
    const size_t waiting = queue.size() - read_at;
    SDL_mutexV(lock);
    return static_cast<int32_t>(static_cast<int64_t>(waiting / static_cast<size_t>(frame_bytes)) *
                                MS_PER_SECOND / output.frequency);
}

int64_t MovieAudio::decodedMs() const {
    if (!codec) return 0;
    return decoded_frames * MS_PER_SECOND / output.frequency;
}

void MovieAudio::feedMixer(void* audio, Uint8* stream, int length) {
    auto* self = static_cast<MovieAudio*>(audio);
    const auto wanted = static_cast<size_t>(std::max(length, 0));
    SDL_mutexP(self->lock);
    const size_t taken = std::min(wanted, self->queue.size() - self->read_at);
    if (taken > 0) std::memcpy(stream, self->queue.data() + self->read_at, taken);
    self->read_at += taken;
    SDL_mutexV(self->lock);
    std::memset(stream + taken, self->silence, wanted - taken);
}

} // namespace velmora
