// The up and down arrows of the lookback screen: their four pictures, named
// by lookbackbutton or taken from the default files.
#include "engine/Velmora.h"

namespace velmora {

void Velmora::loadLookbackPicture(size_t slot, const char* tag) {
    AnimImage& picture = screen.lookback_images[slot];
    const bool use_default = tag == nullptr;
    picture.setTagString(use_default ? LOOKBACK_CURSOR_FILES[slot] : tag);
    parseTaggedImage(picture);
    // A game without arrow pictures of its own has no arrows to show.
    if (use_default && script.reader->fileLength(picture.image_name) <= 0) {
        picture.discard();
        return;
    }
    loadPicture(picture);
    // Only pictures the game named keep their tag string: `game` fills the others.
    if (use_default) picture.freeTagString();
}

int32_t Velmora::lookbackbuttonCommand() {
    for (size_t slot = 0; slot < LOOKBACK_PICTURE_COUNT; ++slot) {
        const std::string tag = script.readStr();
        loadLookbackPicture(slot, tag.c_str());
    }
    return RESULT_PROCEED;
}

void Velmora::loadDefaultLookbackPictures() {
    for (size_t slot = 0; slot < LOOKBACK_PICTURE_COUNT; ++slot)
        if (screen.lookback_images[slot].tag_string.empty()) loadLookbackPicture(slot, nullptr);
}

} // namespace velmora
