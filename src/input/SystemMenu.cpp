// The system calls: skip, automode, reset, save, load, lookback, hiding the
// text window, the right-click menu and quitting. They run inside the wait
// that noticed them, on screens of text buttons in the menu font, with the
// game's buttons, choices and wait mode put aside until they return.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/Velmora.h"
#include "interp/SystemCallNumber.h"
#include "text/TextRenderer.h"

namespace velmora {

namespace {

constexpr Rgb MENU_TITLE_COLOR{255, 255, 255};

// The confirmation's two buttons.
constexpr int32_t ANSWER_YES = 1;
constexpr int32_t ANSWER_NO = 2;
// Cells from the start of Yes to the start of No at the least, and the cells No takes.
constexpr int32_t CONFIRM_BUTTON_GAP = 4;
constexpr int32_t CONFIRM_NO_CELLS = 2;

} // namespace

Velmora::SystemCallEnd Velmora::runSystemCall() {
    menu_aside.buttons = std::move(buttons);
    buttons = ButtonList{};
    menu_aside.select_list = std::move(select_list);
    select_list.clear();
    menu_aside.event_mode = input.event_mode;
    menu_aside.mouse_x = input.mouse_x;
    menu_aside.mouse_y = input.mouse_y;
    menu_aside.text_wait_state = input.text_wait_state;
    menu_aside.window_shown = screen.window_shown;
    menu_aside.in_text_wait = text.in_text_wait;
    input.event_mode = 0;
    input.text_wait_state = 0;
    screen.window_shown = true;
    text.in_text_wait = false;
    // Clicks on the system screens are not clicks on the story's text: the
    // text after them shows at its speed.
    const auto finish = [this](SystemCallEnd end) {
        skip_mode &= ~SKIP_SHOW_REST;
        return end;
    };

    while (input.system_menu_request != SYSTEM_CALL_NONE) {
        screen.damageAll();
        switch (input.system_menu_request) {
        case SYSTEM_CALL_SKIP:
            skip_mode |= SKIP_TEXT;
            leaveSystemMenu(true);
            return finish(SystemCallEnd::WaitEnds);
        case SYSTEM_CALL_AUTOMODE:
            skip_mode &= ~SKIP_TEXT;
            input.automode = true;
            std::printf("systemcall_automode: change to automode\n");
            leaveSystemMenu(true);
            return finish(SystemCallEnd::WaitEnds);
        case SYSTEM_CALL_RESET:
            if (!confirm(ConfirmKind::Reset, 0)) {
                leaveSystemMenu(true);
                break;
            }
            restartGame();
            screen.window_shown = menu_aside.window_shown;
            menu_layout = false;
            menu_aside = InteractionState{};
            screen.damageAll();
            flushText();
            refreshButtons();
            input.system_menu_request = SYSTEM_CALL_NONE;
            return finish(SystemCallEnd::GameReplaced);
        case SYSTEM_CALL_SAVE: saveMenu(); break;
        case SYSTEM_CALL_LOAD:
            if (loadMenu()) return finish(SystemCallEnd::GameReplaced);
            break;
        case SYSTEM_CALL_LOOKBACK:
            runLookback();
            leaveSystemMenu(true);
            break;
        case SYSTEM_CALL_WINDOWERASE: windowErase(); break;
        case SYSTEM_CALL_RMENU: rightClickMenu(); break;
        case SYSTEM_CALL_END:
            if (confirm(ConfirmKind::End, 0)) endCommand();
            leaveSystemMenu(true);
            break;
        default: leaveSystemMenu(true); break;
        }
    }
    return finish(SystemCallEnd::WaitGoesOn);
}

void Velmora::leaveSystemMenu(bool restore) {
    menu_layout = false;
    screen.window_shown = menu_aside.window_shown;
    if (restore) {
        redrawPage(screen.compose_surface, text.page_text);
        buttons = std::move(menu_aside.buttons);
        select_list = std::move(menu_aside.select_list);
        input.event_mode = menu_aside.event_mode;
        input.text_wait_state = menu_aside.text_wait_state;
        text.in_text_wait = menu_aside.in_text_wait;
        if (input.buttonWait())
            SDL_WarpMouse(static_cast<Uint16>(toScreen(menu_aside.mouse_x)),
                          static_cast<Uint16>(toScreen(menu_aside.mouse_y)));
    }
    menu_aside = InteractionState{};
    screen.damageAll();
    flushText();
    // The click cursor goes back to the wait it belongs to.
    if (text.in_text_wait) showClickCursor();
    refreshButtons();
    input.system_menu_request = SYSTEM_CALL_NONE;
}

void Velmora::startMenuScreen(int32_t columns, int32_t rows) {
    menu_layout = true;
    screen.clearTextLayer();
    FontState& font = menu_font;
    font.area_cells = {columns, rows};
    font.area_origin.x = (screen.width * scale_den / scale_num - font.cell_pitch.x * columns) / 2;
    font.area_origin.y = (screen.height * scale_den / scale_num - font.cell_pitch.y * rows) / 2;
    font.clearPosition();
    screen.damageAll();
}

void Velmora::drawMenuText(const char* text) {
    renderString(textContext(), text, MENU_TITLE_COLOR, menu_font, false, screen.compose_surface,
                 nullptr, &screen.text_layer_image);
}

void Velmora::addMenuEntry(const std::string& label, int32_t number, int32_t column, int32_t row,
                           bool absent) {
    menu_font.setPosition(column, row);
    buildChoiceButton(label, menu_font, absent).number = number;
    flushText();
}

int32_t Velmora::waitForMenuChoice(const std::function<bool(int32_t)>& accept) {
    flushText();
    refreshButtons();
    input.event_mode = WAIT_BUTTONS;
    for (;;) {
        runWaitPlain(-1);
        const int32_t result = input.button_result;
        if (result == 0) continue;
        if (result > 0 && accept && !accept(result)) continue;
        input.event_mode = 0;
        deleteButtons();
        return result;
    }
}

bool Velmora::confirm(ConfirmKind kind, int32_t slot) {
    char message[256];
    switch (kind) {
    case ConfirmKind::Save:
        std::snprintf(message, sizeof message, "`Save in slot %s%d?", save_item_name.c_str(), slot);
        break;
    case ConfirmKind::Load:
        std::snprintf(message, sizeof message, "`Load from slot %s%d?", save_item_name.c_str(),
                      slot);
        break;
    case ConfirmKind::Reset:
        std::snprintf(message, sizeof message, "`Return to Title Menu?");
        break;
    case ConfirmKind::End: std::snprintf(message, sizeof message, "`Quit?"); break;
    }
    // The buttons go under the message at a fifth of its length from either
    // side; a message too short for that (the quit question) still gets two
    // buttons side by side, inside the box.
    const int32_t length = static_cast<int32_t>(std::strlen(message));
    const int32_t yes_column = std::max(length / 5 - 2, 0);
    const int32_t no_column = std::max(length / 2 - length / 5, yes_column + CONFIRM_BUTTON_GAP);
    startMenuScreen(std::max(length / 2, no_column + CONFIRM_NO_CELLS), 3);
    drawMenuText(message);
    addMenuEntry("Yes", ANSWER_YES, yes_column, 2, false);
    addMenuEntry("No", ANSWER_NO, no_column, 2, false);
    const bool yes = waitForMenuChoice() == ANSWER_YES;
    sound.playSystemSound(menu_select_voices[yes ? MENU_VOICE_YES : MENU_VOICE_NO]);
    return yes;
}

void Velmora::rightClickMenu() {
    // systemcall rmenu in a game that defines no menu.
    if (rmenu_items.empty()) {
        leaveSystemMenu(true);
        return;
    }
    sound.playSystemSound(menu_select_voices[MENU_VOICE_OPEN]);
    startMenuScreen(rmenu_width, static_cast<int32_t>(rmenu_items.size()));
    for (size_t k = 0; k < rmenu_items.size(); ++k)
        addMenuEntry(rmenu_items[k].label, static_cast<int32_t>(k + 1), 0, static_cast<int32_t>(k),
                     false);
    const int32_t chosen = waitForMenuChoice();
    if (chosen < 1 || chosen > static_cast<int32_t>(rmenu_items.size())) {
        sound.playSystemSound(menu_select_voices[MENU_VOICE_CANCEL]);
        leaveSystemMenu(true);
        return;
    }
    sound.playSystemSound(menu_select_voices[MENU_VOICE_CLICK]);
    input.system_menu_request = rmenu_items[static_cast<size_t>(chosen - 1)].system_call;
}

void Velmora::windowErase() {
    showWindowChip(false);
    screen.window_shown = false;
    screen.damageAll();
    screen.showDamage(mode_saya ? REFRESH_SKIP_LOW_SPRITES : REFRESH_PICTURES, nullptr, true, false,
                      layerSettings());
    input.event_mode = WAIT_BUTTONS | WAIT_ANIMATION;
    runWaitPlain(-1);
    input.event_mode = 0;
    showWindowChip(true);
    leaveSystemMenu(true);
}

int32_t Velmora::systemcallCommand() {
    input.system_menu_request = systemCallNumber(script.readLabelToken());
    runSystemCall();
    return RESULT_PROCEED;
}

int32_t Velmora::rmodeCommand() {
    rmenu_enabled = script.readInteger() == 1;
    return RESULT_PROCEED;
}

int32_t Velmora::menuClickCommand() {
    if (script.tokenIs("menu_click_page"))
        skip_mode |= SKIP_TO_PAGE_END;
    else
        skip_mode &= ~SKIP_TO_PAGE_END;
    return RESULT_PROCEED;
}

} // namespace velmora
