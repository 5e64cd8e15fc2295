// What a picture file's header declares, read before the file is decoded: a
// few bytes can claim a picture of gigabytes, which the image library would
// allocate and fill before the engine could refuse the result, and a GIF
// whose extension blocks run past the end of the file keeps its decoder
// reading forever (one whose first image is empty crashes it); so does a
// GIMP working file cut short.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace velmora {

struct DeclaredSize {
    int64_t width = 0;
    int64_t height = 0;
};

// The size in the header of a PNG, BMP, GIF (its first image), JPEG, PNM,
// PCX, ILBM or WebP file; nothing for other or unreadable headers.
std::optional<DeclaredSize> declaredPictureSize(const uint8_t* data, size_t size);

// True when the file must not reach the decoder: its header declares a picture
// larger than the engine accepts, it is a GIF without a readable, non-empty
// first image (its code size included), or it is a GIMP working file.
bool refusedBeforeDecoding(const uint8_t* data, size_t size);

} // namespace velmora
