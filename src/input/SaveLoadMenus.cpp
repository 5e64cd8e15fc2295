// The save and load menus: one line per slot with the time its file was
// last written, a Yes/No question before a slot is written or loaded.
#include <cstdio>

#include "engine/Velmora.h"
#include "interp/SystemCallNumber.h"
#include "persist/SaveSlots.h"

namespace velmora {

namespace {

// Full-width cells a slot line takes after the slot word.
constexpr int32_t SLOT_LINE_CELLS = 15;

} // namespace

std::string Velmora::slotLine(int32_t slot) const {
    char line[512];
    const int32_t width = save_slot_count < 10 ? 1 : 2;
    const SaveSlotInfo info = slotInfo(slotPath(slot));
    if (info.exists)
        std::snprintf(line, sizeof line, "`%s%*d    Date %2d/%2d    Time %2d:%02d",
                      save_item_name.c_str(), width, slot, info.month, info.day, info.hour,
                      info.minute);
    else
        std::snprintf(line, sizeof line, "`%s%*d    ------------------------",
                      save_item_name.c_str(), width, slot);
    return line;
}

namespace {

// Lays out the title and one line per slot; the number of a chosen slot, or
// what else ended the choice. `accept` may refuse a slot.
int32_t showSlotMenu(Velmora& engine, const std::string& title,
                     const std::function<bool(int32_t)>& accept) {
    const int32_t word = static_cast<int32_t>(engine.save_item_name.size());
    const int32_t columns = (word + 1) / 2 + SLOT_LINE_CELLS;
    engine.startMenuScreen(columns, engine.save_slot_count + 2);
    FontState& font = engine.menu_font;
    font.setPosition((columns - static_cast<int32_t>(title.size()) / 2) / 2, 0);
    engine.drawMenuText(title.c_str());
    font.breakLine();
    font.breakLine();
    const int32_t column = (columns - word / 2 - SLOT_LINE_CELLS) / 2;
    for (int32_t slot = 1; slot <= engine.save_slot_count; ++slot)
        engine.addMenuEntry(engine.slotLine(slot), slot, column, -1,
                            !slotInfo(engine.slotPath(slot)).exists);
    return engine.waitForMenuChoice(accept);
}

} // namespace

void Velmora::saveMenu() {
    for (;;) {
        const int32_t slot = showSlotMenu(*this, save_menu_name, nullptr);
        if (slot <= 0) break;
        if (confirm(ConfirmKind::Save, slot)) {
            writeSaveSlot(slot, nullptr);
            break;
        }
    }
    leaveSystemMenu(true);
}

bool Velmora::loadMenu() {
    // Empty slots cannot be chosen: the wait goes on.
    const auto filled = [this](int32_t slot) { return slotInfo(slotPath(slot)).exists; };
    for (;;) {
        const int32_t slot = showSlotMenu(*this, load_menu_name, filled);
        if (slot <= 0) break;
        if (!confirm(ConfirmKind::Load, slot)) continue;
        menu_layout = false;
        input.system_menu_request = SYSTEM_CALL_NONE;
        if (!loadGameSlot(slot)) break;
        menu_aside = InteractionState{};
        refreshButtons();
        return true;
    }
    // A failed load leaves the game as it was, and its wait goes on.
    leaveSystemMenu(true);
    return false;
}

} // namespace velmora
