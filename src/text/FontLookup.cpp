// The story font's lookup order: command line, game directory, system font.
#include "text/FontLookup.h"

#include <filesystem>
#include <system_error>

#ifndef VELMORA_SYSTEM_FONT
#define VELMORA_SYSTEM_FONT "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf"
#endif

namespace velmora {

namespace {

constexpr const char* GAME_FONT_NAME = "default.ttf";

bool isFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

} // namespace

const char* systemFontPath() {
    return VELMORA_SYSTEM_FONT;
}

std::string chooseFontPath(const std::string& font_file, const std::string& archive_path,
                           const std::string& system_font) {
    if (!font_file.empty()) return font_file;
    const std::string game_font = archive_path + GAME_FONT_NAME;
    if (isFile(game_font) || system_font.empty() || !isFile(system_font)) return game_font;
    return system_font;
}

} // namespace velmora
