// Writing Windows bitmap files: 24 bits per pixel, rows bottom-up and padded
// to four bytes, behind the 54-byte file and information headers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

// The file bytes of a picture of 32-bit ARGB pixels, rows `pitch` pixels apart.
std::vector<uint8_t> encodeBitmap24(const uint32_t* pixels, int32_t width, int32_t height,
                                    int32_t pitch);

// Writes the picture to `path` (replacing it whole); false when it cannot be written.
bool writeBitmap24(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height,
                   int32_t pitch);

} // namespace velmora
