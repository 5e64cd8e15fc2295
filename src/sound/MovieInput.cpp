#include "sound/MovieInput.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavformat/avformat.h>
}

namespace velmora {

namespace {

// The container and its streams are looked for in this much of the file and
// of the movie's time.
constexpr int64_t PROBE_BYTES = 2 << 20;
constexpr int64_t ANALYZE_MICROSECONDS = 2 * AV_TIME_BASE;
constexpr int IO_BUFFER_BYTES = 32 << 10;

} // namespace

MovieInput::MovieInput(std::unique_ptr<uint8_t[]> data, size_t length)
    : bytes(std::move(data)), size(static_cast<int64_t>(length)) {}

MovieInput::~MovieInput() {
    avformat_close_input(&context);
    if (io) av_freep(&io->buffer);
    avio_context_free(&io);
}

int MovieInput::readBytes(void* opaque, uint8_t* buffer, int wanted) {
    auto* self = static_cast<MovieInput*>(opaque);
    const int count = static_cast<int>(std::min<int64_t>(self->size - self->position, wanted));
    if (count <= 0) return AVERROR_EOF;
    std::memcpy(buffer, self->bytes.get() + self->position, static_cast<size_t>(count));
    self->position += count;
    return count;
}

int64_t MovieInput::seekBytes(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<MovieInput*>(opaque);
    int64_t target = offset;
    switch (whence & ~AVSEEK_FORCE) {
    case AVSEEK_SIZE: return self->size;
    case SEEK_SET: break;
    case SEEK_CUR: target = self->position + offset; break;
    case SEEK_END: target = self->size + offset; break;
    default: return AVERROR(EINVAL);
    }
    if (target < 0 || target > self->size) return AVERROR(EINVAL);
    self->position = target;
    return target;
}

int MovieInput::interrupted(void* opaque) {
    return MovieClock::now() > static_cast<MovieInput*>(opaque)->deadline ? 1 : 0;
}

bool MovieInput::open(std::string& error) {
    auto* buffer = static_cast<unsigned char*>(av_malloc(IO_BUFFER_BYTES));
    if (buffer)
        io = avio_alloc_context(buffer, IO_BUFFER_BYTES, 0, this, readBytes, nullptr, seekBytes);
    context = avformat_alloc_context();
    if (!io || !context) {
        if (!io) av_free(buffer);
        error = "out of memory";
        return false;
    }
    context->pb = io;
    context->interrupt_callback = AVIOInterruptCB{interrupted, this};
    context->probesize = PROBE_BYTES;
    context->format_probesize = PROBE_BYTES;
    context->max_analyze_duration = ANALYZE_MICROSECONDS;
    setDeadline(MOVIE_OPEN_TIME_LIMIT);
    // On failure the context is freed and set to null; the I/O context stays ours.
    if (avformat_open_input(&context, nullptr, nullptr, nullptr) < 0) {
        error = "not a movie";
        return false;
    }
    if (avformat_find_stream_info(context, nullptr) < 0) {
        error = "unreadable headers";
        return false;
    }
    return true;
}

} // namespace velmora
