#include "text/FontCache.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace velmora {

namespace {

struct CachedFace {
    int32_t size = 0;
    TTF_Font* face = nullptr;
    TTF_Font* outline_face = nullptr;
};

// Entries are appended and never removed; pointers into it stay valid. The
// list itself is never destroyed: the faces stay open to the process's end.
std::vector<std::unique_ptr<CachedFace>>& cache() {
    static auto* entries = new std::vector<std::unique_ptr<CachedFace>>;
    return *entries;
}

CachedFace* findOrOpen(int32_t size, const std::string& path, int32_t point_size) {
    for (const auto& entry : cache())
        if (entry->size == size) return entry.get();
    auto entry = std::make_unique<CachedFace>();
    entry->size = size;
    // Only a readable file is handed to the font library.
    if (std::FILE* probe = std::fopen(path.c_str(), "rb")) {
        std::fclose(probe);
        if (point_size > 0) {
            entry->face = TTF_OpenFont(path.c_str(), point_size);
            if (entry->face) entry->outline_face = TTF_OpenFont(path.c_str(), point_size);
            if (entry->outline_face) TTF_SetFontOutline(entry->outline_face, 1);
        }
    }
    cache().push_back(std::move(entry));
    return cache().back().get();
}

} // namespace

bool openFace(FontState& font, const std::string& path, int32_t scale_num, int32_t scale_den) {
    const int32_t size = std::min(font.glyph_size.x, font.glyph_size.y);
    if (size <= 0 || scale_den <= 0) return false;
    const int64_t point_size = int64_t{size} * scale_num / scale_den;
    const CachedFace* entry =
        findOrOpen(size, path, static_cast<int32_t>(std::clamp<int64_t>(point_size, 0, 4096)));
    font.face = entry->face;
    font.outline_face = entry->outline_face;
    if (!font.face) return false;
    font.face_height = TTF_FontHeight(font.face);
    return true;
}

} // namespace velmora
