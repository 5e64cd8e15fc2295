// The process-wide cache of opened font faces, one entry per glyph size.
// Faces live to the end of the process and are shared by every text layout
// of the same size; a layout never closes a face.
#pragma once

#include <cstdint>
#include <string>

#include "text/FontState.h"

namespace velmora {

// Fills `font`'s face, outline face and face height for the smaller side of
// its glyph size, opening the font file on the first use of that size. False
// when the size is not positive or the file cannot be opened as a font; the
// failure is remembered for that size.
bool openFace(FontState& font, const std::string& path, int32_t scale_num, int32_t scale_den);

} // namespace velmora
