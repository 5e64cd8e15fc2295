// Reading picture files through the resource reader: the bytes are decoded by
// the image library from memory and turned into the engine's 32-bit ARGB
// surfaces. Nothing decoded is kept: a file the game or the player changed is
// read as it is now, and each picture object skips reloads itself.
#pragma once

#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "archive/BaseReader.h"

namespace velmora {

// A decoded picture: the surface belongs to the caller.
struct LoadedPicture {
    SDL_Surface* surface = nullptr; // 32-bit ARGB; null when nothing could be loaded
    bool has_own_alpha = false;     // the file brought an alpha channel, or was a PNG
    ArchiveLocation location = ArchiveLocation::Direct;
};

// Turns a decoded surface into a 32-bit ARGB one (alpha in bits 24-31); pixels
// of formats without alpha become opaque. Takes ownership of `decoded` and
// returns it unchanged when it already has that layout with packed rows. Null
// (with `decoded` freed) when the conversion fails or the picture is larger
// than MAX_SURFACE_SIDE or MAX_SURFACE_PIXELS allow.
SDL_Surface* toEngineFormat(SDL_Surface* decoded);

class PictureLoader {
  public:
    explicit PictureLoader(BaseReader& reader);
    // Reads through another reader from now on.
    void setReader(BaseReader& other) { reader = &other; }
    PictureLoader(const PictureLoader&) = delete;
    PictureLoader& operator=(const PictureLoader&) = delete;

    // The named picture as a new surface: a stripe picture for a name
    // beginning with '>', otherwise the decoded file.
    LoadedPicture loadImageSurface(const std::string& name);
    // Reads and decodes the named file.
    LoadedPicture readImageFile(const std::string& name);

    // Called with the name of every file read; empty turns the log off.
    void setFileLog(std::function<void(const std::string&)> hook) { file_log = std::move(hook); }

  private:
    // The buffer for a file of `size` bytes: the shared one when it is large
    // enough, else a one-off buffer held by `one_off`. Null when memory runs out.
    uint8_t* bufferFor(size_t size, std::unique_ptr<uint8_t[]>& one_off);

    BaseReader* reader;                               // where every file is read from
    std::function<void(const std::string&)> file_log; // told each name read; may be empty

    // The shared read buffer follows 1.2 times the running average file size;
    // the count starts at 10 so that early files weigh as much as ten empty ones.
    std::unique_ptr<uint8_t[]> file_buffer;
    size_t file_buffer_size = 0;
    int64_t load_count = 10;
    int64_t load_size_sum = 0;
};

} // namespace velmora
