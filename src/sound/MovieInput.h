// A movie's bytes as FFmpeg's demultiplexer reads them: an I/O context over
// memory, and a deadline for each read that the interrupt callback holds it
// to, so that no input, however damaged, can keep the engine waiting.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct AVFormatContext;
struct AVIOContext;

namespace velmora {

using MovieClock = std::chrono::steady_clock;

// How long opening a movie (headers and first picture) and one read may take.
constexpr auto MOVIE_OPEN_TIME_LIMIT = std::chrono::seconds(3);
constexpr auto MOVIE_READ_TIME_LIMIT = std::chrono::milliseconds(500);

class MovieInput {
  public:
    MovieInput(std::unique_ptr<uint8_t[]> bytes, size_t size);
    ~MovieInput();
    MovieInput(const MovieInput&) = delete;
    MovieInput& operator=(const MovieInput&) = delete;

    // Finds the container and reads its headers and stream information from
    // a bounded prefix; false with `error` saying why.
    bool open(std::string& error);
    // The demultiplexer, once open.
    AVFormatContext* format() const { return context; }
    // Reads that start from now on are cut off after `limit`.
    void setDeadline(MovieClock::duration limit) { deadline = MovieClock::now() + limit; }

  private:
    static int readBytes(void* opaque, uint8_t* buffer, int size);
    static int64_t seekBytes(void* opaque, int64_t offset, int whence);
    static int interrupted(void* opaque);

    std::unique_ptr<uint8_t[]> bytes;
    int64_t size = 0;
    int64_t position = 0;
    AVIOContext* io = nullptr;
    AVFormatContext* context = nullptr;
    MovieClock::time_point deadline;
};

} // namespace velmora
