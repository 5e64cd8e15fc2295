// A look at a sound file's container before the mixer's loaders see it. Some
// of them loop for ever, free twice or allocate what a length field claims
// when a WAV, AIFF or VOC header lies; such files are refused here. Files in
// other formats pass unexamined.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velmora {

// False when the bytes begin like a WAV, AIFF or VOC file whose chunks or
// blocks do not hold together: the header is cut short, the first chunk of a
// WAV is not "fmt ", a length runs past the end, or the chunk with the
// samples is never reached.
bool soundContainerIsSafe(const uint8_t* data, size_t size);

} // namespace velmora
