// Saving and loading: the save image taken at each save point, writing it to
// a slot, reading a slot back, and the commands that do so.
#include <cstdio>

#include "engine/Velmora.h"
#include "persist/FileBuffer.h"
#include "persist/SaveSlots.h"

namespace velmora {

void Velmora::takeSaveImage() {
    save_image = serialiseSave(captureSaveState());
}

int32_t Velmora::writeSaveSlot(int32_t slot, const std::string* save_text) {
    if (slot < 0 || (text.save_allowed && text.save_point_pending)) takeSaveImage();
    if (slot < 0) return 0;
    // A slot is never written empty: without a save point yet, now is one.
    if (save_image.empty()) takeSaveImage();
    writeQuitFiles();
    if (!writeSlotFile(slotPath(slot), save_image, 0, save_text)) {
        std::fprintf(stderr, "can't open save file %s for writing\n", slotFileName(slot).c_str());
        return -1;
    }
    const std::string copy = slotCopyName(slot);
    if (!writeSlotFile(script.sideFilePath(copy.c_str()), save_image, SAVE_HEADER_SIZE, save_text))
        std::fprintf(stderr, "can't open save file %s for writing (not an error)\n", copy.c_str());
    return 0;
}

int32_t Velmora::readSaveSlot(int32_t slot) {
    std::vector<uint8_t> bytes;
    if (!readWholeFile(slotPath(slot), FILE_BUFFER_LIMIT, bytes)) {
        std::fprintf(stderr, "can't open save file %s\n", slotFileName(slot).c_str());
        return -1;
    }
    if (const std::optional<int32_t> version = saveFileVersion(bytes.data(), bytes.size()))
        std::printf("Save file version is %d.%d\n", *version / 100, *version % 100);
    else
        std::printf("Save file version is unknown\n");
    SaveState state;
    std::string error;
    if (parseSave(bytes.data(), bytes.size(), saveLayout(), state, error) != SaveParse::Parsed) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return -1;
    }
    return applySaveState(state) ? 0 : -1;
}

void Velmora::finishLoad() {
    screen.damageAll();
    screen.showDamage(screen.refreshFlags(), nullptr, true, false, layerSettings());
    skip_mode &= ~SKIP_TEXT;
    text.save_allowed = text.save_point_pending = true;
    input.automode = false;
    deleteButtons();
    select_list.clear();
    text.indent_count = 0;
    line_enter_state = 0;
    pagetag_started = false;
    token_offset = 0;
    skipping_to_next = false;
    // Notices queued before the load belong to the sound it replaced or restarted.
    SDL_Event event;
    const Uint32 sound_events =
        SDL_EVENTMASK(EVENT_MUSIC_FINISHED) | SDL_EVENTMASK(EVENT_CD_TIMER) |
        SDL_EVENTMASK(EVENT_CHANNEL_FINISHED) | SDL_EVENTMASK(EVENT_FADE_TIMER);
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, sound_events) > 0) handleSoundEvent(event);
    if (!loadgosub_label.empty())
        callSubroutine(loadgosub_label, script.read_position, CallKind::Plain);
}

int32_t Velmora::saveonCommand() {
    text.save_allowed = true;
    return RESULT_PROCEED;
}

int32_t Velmora::saveoffCommand() {
    if (text.save_allowed && text.save_point_pending) takeSaveImage();
    text.save_allowed = false;
    return RESULT_PROCEED;
}

int32_t Velmora::savegameCommand() {
    const bool with_text = script.tokenIs("savegame2");
    const int32_t slot = script.readInteger();
    if (slot < 0) parseError("savegame: save number is less than 0.");
    const std::string save_text = with_text ? script.readStr() : "";
    writeSaveSlot(slot, with_text ? &save_text : nullptr);
    return RESULT_PROCEED;
}

int32_t Velmora::loadgameCommand() {
    const int32_t slot = script.readInteger();
    if (slot < 0) parseError("loadgame: save number is less than 0.");
    loadGameSlot(slot);
    return RESULT_PROCEED;
}

bool Velmora::loadGameSlot(int32_t slot) {
    // Stopping the music inside the load does not fade.
    const int32_t fadeout = sound.fadeout_ms;
    sound.fadeout_ms = 0;
    const bool loaded = readSaveSlot(slot) == 0;
    sound.fadeout_ms = fadeout;
    if (loaded) finishLoad();
    return loaded;
}

} // namespace velmora
