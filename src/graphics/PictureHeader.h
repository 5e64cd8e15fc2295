// The picture size a file's header declares, read before the file is decoded:
// a few bytes can claim a picture of gigabytes, and the image library would
// allocate and fill all of it before the engine could refuse the result.
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
// PCX, XCF, ILBM or WebP file; nothing for other or unreadable headers.
std::optional<DeclaredSize> declaredPictureSize(const uint8_t* data, size_t size);

// True when the header declares a picture larger than the engine accepts.
bool declaresOversizedPicture(const uint8_t* data, size_t size);

} // namespace velmora
