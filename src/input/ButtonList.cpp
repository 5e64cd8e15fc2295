#include "input/ButtonList.h"

#include <algorithm>

namespace velmora {

AnimImage& ButtonEntry::ownImage() {
    if (!owned_image) owned_image = std::make_unique<AnimImage>();
    on_image = owned_image.get();
    return *owned_image;
}

ButtonEntry& ButtonList::prepend(ButtonKind kind, int32_t number) {
    auto entry = std::make_unique<ButtonEntry>();
    entry->kind = kind;
    entry->number = number;
    entries.insert(entries.begin(), std::move(entry));
    return *entries.front();
}

void ButtonList::forget(const ButtonEntry* entry) {
    if (current_link != entry) return;
    current_link = nullptr;
    current_button = 0;
}

void ButtonList::clear() {
    entries.clear();
    current_link = nullptr;
    current_button = 0;
    exbtn_default.clear();
    exbtn_used = false;
}

void ButtonList::removeSpriteButtons(int32_t n) {
    const auto doomed = [n](const std::unique_ptr<ButtonEntry>& entry) {
        return entry->kind == ButtonKind::Sprite && (n == -1 || entry->sprite == n);
    };
    for (const std::unique_ptr<ButtonEntry>& entry : entries)
        if (doomed(entry)) forget(entry.get());
    entries.erase(std::remove_if(entries.begin(), entries.end(), doomed), entries.end());
}

ButtonEntry* ButtonList::at(int32_t index) const {
    if (index < 0 || index >= size()) return nullptr;
    return entries[static_cast<size_t>(index)].get();
}

int32_t ButtonList::indexOf(const ButtonEntry* entry) const {
    for (int32_t i = 0; i < size(); ++i)
        if (entries[static_cast<size_t>(i)].get() == entry) return i;
    return -1;
}

ButtonEntry* ButtonList::find(int32_t x, int32_t y, const std::vector<AnimImage>& sprites) const {
    ButtonEntry* best = nullptr;
    int32_t best_alpha = 0;
    for (const std::unique_ptr<ButtonEntry>& entry : entries) {
        if (!rectHolds(entry->hit_rect, x, y)) continue;
        if (!transparent_hits || entry->number == keyboard_button) return entry.get();
        const AnimImage* picture = nullptr;
        if (entry->kind == ButtonKind::Sprite && entry->sprite >= 0 &&
            entry->sprite < static_cast<int32_t>(sprites.size()))
            picture = &sprites[static_cast<size_t>(entry->sprite)];
        else if (entry->kind == ButtonKind::Picture)
            picture = entry->on_image;
        if (!picture || !rectHolds(picture->screen_rect, x, y)) continue;
        const int32_t alpha = picture->alphaAt(x, y);
        if (alpha > best_alpha) {
            best = entry.get();
            best_alpha = alpha;
        }
    }
    return best;
}

} // namespace velmora
