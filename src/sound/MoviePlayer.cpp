#include "sound/MoviePlayer.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>

#include "sound/MovieInput.h"
#include "sound/MovieScaler.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
}

namespace velmora {

namespace {

using Clock = MovieClock;
// This many failed packets in a row end the movie; a single damaged one is skipped.
constexpr int32_t MAX_DECODE_ERRORS = 8;
// The sound is decoded this far ahead of the mixer, so that it never runs dry
// between two pictures (the mixer takes about 93 ms at a time).
constexpr int32_t AUDIO_LEAD_MS = 400;
// Multiplexers put the pictures' data well ahead of the sound that goes with
// it: reading far enough for the sound leaves compressed pictures waiting,
// up to this many bytes.
constexpr int64_t MAX_WAITING_PACKET_BYTES = 32 << 20;
constexpr int64_t DEFAULT_PICTURE_MS = 40;
constexpr int64_t MAX_PICTURE_MS = 1000;
constexpr int64_t MICROSECONDS_PER_MS = 1000;

struct Picture {
    AVFrame* frame;
    int64_t time_ms; // on the caller's clock
};

} // namespace

struct MoviePlayer::State {
    State(std::unique_ptr<uint8_t[]> bytes, size_t size) : input(std::move(bytes), size) {}
    ~State();
    bool openInput(std::string& error);
    bool openVideo(std::string& error);
    // Reads one packet: sound is decoded at once, pictures wait in
    // `picture_packets`. False once the input is used up.
    bool readPacket();
    // Decodes until a picture is ready; false when none is left, or none
    // came before `give_up`.
    bool decodePicture(Clock::duration limit);
    bool decodeVideo(const AVPacket* input);
    // Counts a packet that failed; too many in a row end the movie.
    void countResult(bool decoded_ok);
    // Decodes until a picture waits and, with sound, the sound is ahead enough.
    void fill();
    bool finished() const {
        return pictures.empty() && picture_packets.empty() && input_ended && video_drained;
    }
    // When everything decoded in this pass has been seen and heard.
    int64_t passEnd() const;
    bool restart(int64_t elapsed_ms);

    MovieInput input;
    AVFormatContext* format = nullptr; // the input's
    AVCodecContext* video = nullptr;
    int video_index = -1;
    int audio_index = -1;
    AVPacket* packet = nullptr;
    AVFrame* decoded = nullptr;

    std::deque<Picture> pictures;
    std::deque<AVPacket*> picture_packets;
    int64_t picture_packet_bytes = 0;
    MovieAudio audio;
    bool audio_on = false;
    MovieScaler scaler;
    bool loop = false;

    int64_t base_us = 0;                     // the movie's start on its own clock
    int64_t picture_ms = DEFAULT_PICTURE_MS; // how long one picture shows
    int64_t pass_start_ms = 0;               // the caller's time the current pass began
    int64_t last_picture_ms = -1;            // the latest picture of this pass, pass time
    bool input_ended = false;                // no more packets to read in this pass
    bool video_drained = false;              // the picture decoder gave what it held
    bool audio_drained = false;
    int32_t errors = 0; // failed packets in a row
    int32_t shown = 0;
    bool started = false; // the first picture has been taken
    int32_t pictures_decoded = 0;
    int32_t shown_in_pass = 0;
};

MoviePlayer::State::~State() {
    for (Picture& picture : pictures) av_frame_free(&picture.frame);
    for (AVPacket*& waiting : picture_packets) av_packet_free(&waiting);
    avcodec_free_context(&video);
    av_packet_free(&packet);
    av_frame_free(&decoded);
}

bool MoviePlayer::State::openInput(std::string& error) {
    packet = av_packet_alloc();
    decoded = av_frame_alloc();
    if (!packet || !decoded) {
        error = "out of memory";
        return false;
    }
    if (!input.open(error)) return false;
    format = input.format();
    if (format->start_time != AV_NOPTS_VALUE) base_us = format->start_time;
    return true;
}

bool MoviePlayer::State::openVideo(std::string& error) {
    const AVCodec* decoder = nullptr;
    video_index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (video_index < 0 || !decoder) {
        error = "no pictures";
        return false;
    }
    AVStream* stream = format->streams[video_index];
    const AVCodecParameters* parameters = stream->codecpar;
    if (parameters->width > MAX_MOVIE_SIDE || parameters->height > MAX_MOVIE_SIDE) {
        error = "pictures too large";
        return false;
    }
    video = avcodec_alloc_context3(decoder);
    if (!video || avcodec_parameters_to_context(video, parameters) < 0) {
        error = "out of memory";
        return false;
    }
    video->pkt_timebase = stream->time_base;
    video->thread_count = 1;
    video->max_pixels = int64_t{MAX_MOVIE_SIDE} * MAX_MOVIE_SIDE;
    if (avcodec_open2(video, decoder, nullptr) < 0) {
        error = "no decoder for its pictures";
        return false;
    }
    const AVRational rate = av_guess_frame_rate(format, stream, nullptr);
    if (rate.num > 0 && rate.den > 0)
        picture_ms = std::clamp<int64_t>(int64_t{1000} * rate.den / rate.num, 1, MAX_PICTURE_MS);
    return true;
}

bool MoviePlayer::State::decodeVideo(const AVPacket* input) {
    int result = avcodec_send_packet(video, input);
    if (result < 0 && result != AVERROR(EAGAIN) && result != AVERROR_EOF) return false;
    const AVRational time_base = format->streams[video_index]->time_base;
    for (;;) {
        result = avcodec_receive_frame(video, decoded);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
        if (result < 0) return false;
        if (decoded->width <= 0 || decoded->height <= 0 || decoded->width > MAX_MOVIE_SIDE ||
            decoded->height > MAX_MOVIE_SIDE) {
            av_frame_unref(decoded);
            return false;
        }
        // A movie begins with a whole picture: a file cut short inside its
        // first one, which the decoder would patch up, is not played.
        if (pictures_decoded == 0 &&
            (decoded->decode_error_flags != 0 || (decoded->flags & AV_FRAME_FLAG_CORRUPT))) {
            av_frame_unref(decoded);
            continue;
        }
        ++pictures_decoded;
        const int64_t pts = decoded->best_effort_timestamp;
        int64_t time = last_picture_ms + picture_ms;
        if (pts != AV_NOPTS_VALUE)
            time = (av_rescale_q(pts, time_base, AV_TIME_BASE_Q) - base_us) / MICROSECONDS_PER_MS;
        time = std::max<int64_t>(time, 0);
        last_picture_ms = std::max(last_picture_ms, time);
        AVFrame* kept = av_frame_alloc();
        if (!kept) {
            av_frame_unref(decoded);
            return false;
        }
        av_frame_move_ref(kept, decoded);
        pictures.push_back(Picture{kept, pass_start_ms + time});
    }
}

bool MoviePlayer::State::readPacket() {
    if (input_ended) return false;
    input.setDeadline(MOVIE_READ_TIME_LIMIT);
    // The end of the data, or data the demultiplexer cannot go on with.
    if (av_read_frame(format, packet) < 0) {
        input_ended = true;
        return false;
    }
    if (packet->stream_index == video_index) {
        AVPacket* waiting = av_packet_alloc();
        if (waiting) {
            av_packet_move_ref(waiting, packet);
            picture_packet_bytes += waiting->size;
            picture_packets.push_back(waiting);
        }
    } else if (audio_on && packet->stream_index == audio_index) {
        countResult(audio.decode(packet));
    }
    av_packet_unref(packet);
    return !input_ended;
}

void MoviePlayer::State::countResult(bool decoded_ok) {
    errors = decoded_ok ? 0 : errors + 1;
    if (errors < MAX_DECODE_ERRORS) return;
    input_ended = video_drained = audio_drained = true;
    for (AVPacket*& waiting : picture_packets) av_packet_free(&waiting);
    picture_packets.clear();
    picture_packet_bytes = 0;
}

bool MoviePlayer::State::decodePicture(Clock::duration limit) {
    const Clock::time_point give_up = Clock::now() + limit;
    while (pictures.empty()) {
        if (Clock::now() > give_up) return false;
        if (!picture_packets.empty()) {
            AVPacket* next = picture_packets.front();
            picture_packets.pop_front();
            picture_packet_bytes -= next->size;
            const bool decoded_ok = decodeVideo(next);
            av_packet_free(&next);
            countResult(decoded_ok);
        } else if (!input_ended) {
            readPacket();
        } else if (!video_drained) {
            video_drained = true;
            decodeVideo(nullptr);
        } else {
            return false;
        }
    }
    return true;
}

void MoviePlayer::State::fill() {
    decodePicture(MOVIE_READ_TIME_LIMIT);
    while (audio_on && audio.queuedMs() < AUDIO_LEAD_MS &&
           picture_packet_bytes < MAX_WAITING_PACKET_BYTES && readPacket()) {
    }
    if (audio_on && input_ended && !audio_drained) {
        audio_drained = true;
        audio.decode(nullptr);
    }
}

int64_t MoviePlayer::State::passEnd() const {
    const int64_t pictures_end = last_picture_ms + picture_ms;
    const int64_t sound_end = audio_on ? audio.decodedMs() : 0;
    return pass_start_ms + std::max(pictures_end, sound_end);
}

bool MoviePlayer::State::restart(int64_t elapsed_ms) {
    // A pass that showed nothing would only start another like it.
    if (shown_in_pass == 0) return false;
    const int64_t end = passEnd();
    // A late start does not try to catch up with the time it lost.
    pass_start_ms = elapsed_ms - end > picture_ms ? elapsed_ms : end;
    const int64_t start = format->start_time != AV_NOPTS_VALUE ? format->start_time : 0;
    input.setDeadline(MOVIE_READ_TIME_LIMIT);
    if (av_seek_frame(format, -1, start, AVSEEK_FLAG_BACKWARD) < 0 &&
        av_seek_frame(format, -1, 0, AVSEEK_FLAG_BYTE) < 0)
        return false;
    avcodec_flush_buffers(video);
    audio.flush();
    audio.resetDecoded();
    input_ended = video_drained = audio_drained = false;
    errors = 0;
    last_picture_ms = -1;
    shown_in_pass = 0;
    return true;
}

MoviePlayer::MoviePlayer() = default;
MoviePlayer::~MoviePlayer() = default;

bool MoviePlayer::open(std::unique_ptr<uint8_t[]> bytes, size_t size, const MovieOptions& options,
                       std::string& error) {
    // Damaged data makes the decoders talk; the engine reports what matters itself.
    av_log_set_level(AV_LOG_QUIET);
    state = std::make_unique<State>(std::move(bytes), size);
    state->loop = options.loop;
    if (!state->openInput(error) || !state->openVideo(error)) {
        state.reset();
        return false;
    }
    state->audio_index =
        av_find_best_stream(state->format, AVMEDIA_TYPE_AUDIO, -1, state->video_index, nullptr, 0);
    if (state->audio_index >= 0 && options.with_audio)
        state->audio_on = state->audio.open(state->format->streams[state->audio_index],
                                            options.audio, options.volume);
    if (!state->decodePicture(MOVIE_OPEN_TIME_LIMIT)) {
        error = "no picture could be decoded";
        state.reset();
        return false;
    }
    return true;
}

bool MoviePlayer::playsAudio() const {
    return state && state->audio_on;
}

void MoviePlayer::feedMixer(void* player, Uint8* stream, int length) {
    MovieAudio::feedMixer(&static_cast<MoviePlayer*>(player)->state->audio, stream, length);
}

bool MoviePlayer::setDisplay(SDL_Surface* surface) {
    return state && state->scaler.setSurface(surface);
}

bool MoviePlayer::advance(int64_t elapsed_ms) {
    if (!state) return false;
    State& s = *state;
    // At most two passes: the end of one and the start of the next.
    for (int pass = 0; pass < 2; ++pass) {
        AVFrame* due = nullptr;
        for (;;) {
            s.fill();
            // The first picture shows at once, however late its stream begins.
            const bool first = !s.started && !due;
            if (s.pictures.empty() || (s.pictures.front().time_ms > elapsed_ms && !first)) break;
            // Only the latest due picture is drawn; a late player skips the rest.
            av_frame_free(&due);
            s.started = true;
            due = s.pictures.front().frame;
            s.pictures.pop_front();
        }
        if (due) {
            if (s.scaler.draw(due)) {
                ++s.shown;
                ++s.shown_in_pass;
            }
            av_frame_free(&due);
        }
        if (!s.finished() || elapsed_ms < s.passEnd()) return true;
        if (!s.loop || !s.restart(elapsed_ms)) return false;
    }
    return true;
}

int64_t MoviePlayer::msUntilNextPicture(int64_t elapsed_ms) const {
    if (!state || state->pictures.empty()) return state ? state->picture_ms : 0;
    return std::max<int64_t>(state->pictures.front().time_ms - elapsed_ms, 0);
}

int32_t MoviePlayer::picturesShown() const {
    return state ? state->shown : 0;
}

} // namespace velmora
