// Which font file the story text is drawn with: the one named on the command
// line, else the game's own default.ttf, else the system's Japanese gothic
// font, so an installed program plays games that ship no font.
#pragma once

#include <string>

namespace velmora {

// The Japanese TrueType font that the program falls back to; set at build time.
const char* systemFontPath();

// The font file to open: `font_file` when not empty; else `archive_path` +
// "default.ttf" when that file exists; else `system_font` when that exists;
// else the game's default.ttf path again, so the failure names the file that a
// game would ship.
std::string chooseFontPath(const std::string& font_file, const std::string& archive_path,
                           const std::string& system_font);

} // namespace velmora
