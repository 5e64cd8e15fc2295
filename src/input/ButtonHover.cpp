// Following the mouse and the keyboard over the buttons: the button under the
// pointer is entered (a sprite turns to its second cell or runs its control
// string, a picture or a line of text lights up) and the one it left goes
// back to its idle look; the look of every button at the start of a wait.
#include <algorithm>
#include <cstdio>

#include "engine/Velmora.h"

namespace velmora {

namespace {

// The centre of a rectangle, cut to the screen.
void centreOf(const SDL_Rect& rect, int32_t width, int32_t height, int32_t& x, int32_t& y) {
    x = std::clamp(rect.x + rect.w / 2, 0, std::max(width - 1, 0));
    y = std::clamp(rect.y + rect.h / 2, 0, std::max(height - 1, 0));
}

} // namespace

void Velmora::runButtonControl(const std::string& control, const ButtonEntry& button) {
    runExbtnControl(control.c_str(), &button.hit_rect, &button.image_rect);
}

void Velmora::leaveButton(ButtonEntry& button, bool show_sprite) {
    button.state = ButtonState::Hidden;
    switch (button.kind) {
    case ButtonKind::Sprite:
        if (!button.leave_control.empty()) {
            setSpriteState(button.sprite, true, -1, &button.hit_rect, &button.image_rect);
            runButtonControl(button.leave_control, button);
        } else if (const AnimImage* sprite = spriteAt(button.sprite, false)) {
            setSpriteState(button.sprite, show_sprite || sprite->visible, 0, &button.hit_rect,
                           &button.image_rect);
        }
        break;
    case ButtonKind::TextLine:
        button.state = ButtonState::On;
        if (button.on_image) {
            button.on_image->visible = true;
            button.on_image->selectCell(0);
        }
        break;
    case ButtonKind::Picture:
    case ButtonKind::LookbackArrow:
        if (button.off_image) button.state = ButtonState::Off;
        break;
    }
    screen.damage.add(button.image_rect);
}

void Velmora::enterButton(ButtonEntry& button) {
    sound.playSystemSound(menu_layout ? menu_select_voices[MENU_VOICE_OVER]
                                      : select_voices[SELECT_VOICE_OVER]);
    switch (button.kind) {
    case ButtonKind::Sprite:
        if (const AnimImage* sprite = spriteAt(button.sprite, false))
            setSpriteState(button.sprite, button.enter_control.empty() || sprite->visible, 1,
                           &button.hit_rect, &button.image_rect);
        if (!button.enter_control.empty()) runButtonControl(button.enter_control, button);
        break;
    case ButtonKind::TextLine:
        button.state = ButtonState::On;
        if (button.on_image) {
            button.on_image->visible = true;
            button.on_image->selectCell(1);
        }
        break;
    case ButtonKind::Picture:
    case ButtonKind::LookbackArrow: button.state = ButtonState::On; break;
    }
    screen.damage.add(button.image_rect);
}

void Velmora::hover(int32_t x, int32_t y) {
    input.mouse_x = x;
    input.mouse_y = y;
    ButtonEntry* taken = buttons.find(x, y, screen.sprites);
    const int32_t number = taken ? taken->number : 0;
    if (number == buttons.current_button) {
        buttons.keyboard_button = -1;
        return;
    }
    // What changes here is shown at once; the damage collected so far waits.
    const DamageRect saved = screen.damage;
    screen.damage.clear();
    if (buttons.current_button != 0 && buttons.current_link) leaveButton(*buttons.current_link);
    if (buttons.exbtn_used && !buttons.exbtn_default.empty())
        runExbtnControl(buttons.exbtn_default.c_str(), nullptr, nullptr);
    buttons.current_link = taken;
    if (taken) {
        enterButton(*taken);
        buttons.button_index = buttons.indexOf(taken);
    }
    if (!screen.damage.empty())
        screen.show(screen.damage.area, screen.refreshFlags(), layerSettings());
    screen.damage = saved;
    buttons.current_button = number;
    buttons.keyboard_button = -1;
}

void Velmora::refreshButtons() {
    buttons.current_button = 0;
    buttons.keyboard_button = -1;
    buttons.current_link = buttons.at(0);
    int x = 0, y = 0;
    SDL_GetMouseState(&x, &y);
    hover(x * scale_den / scale_num, y * scale_den / scale_num);
}

void Velmora::deleteButtons() {
    // A lit button is drawn over everything: the next refresh takes it away.
    buttons.forEach([this](const ButtonEntry& button) {
        if (button.state != ButtonState::Hidden) screen.damage.add(button.image_rect);
    });
    buttons.clear();
}

void Velmora::resetButtonLooks() {
    buttons.forEach([this](ButtonEntry& button) { leaveButton(button, true); });
    if (buttons.exbtn_used && !buttons.exbtn_default.empty())
        runExbtnControl(buttons.exbtn_default.c_str(), nullptr, nullptr);
}

bool Velmora::stepKeyboardButton(int32_t step) {
    if (buttons.empty()) return false;
    int32_t index = buttons.button_index + step;
    if (index < 0) index = buttons.size() - 1;
    if (index >= buttons.size()) index = 0;
    buttons.button_index = index;
    const ButtonEntry* button = buttons.at(index);
    buttons.keyboard_button = button->number;
    int32_t x = 0, y = 0;
    centreOf(button->hit_rect, screen.width, screen.height, x, y);
    // The pointer's own motion event hovers the button.
    SDL_WarpMouse(static_cast<Uint16>(x), static_cast<Uint16>(y));
    return true;
}

std::vector<std::string> Velmora::describeButtons() const {
    std::vector<std::string> lines;
    buttons.forEach([&lines](const ButtonEntry& button) {
        const SDL_Rect& r = button.hit_rect;
        char text[96];
        std::snprintf(
            text, sizeof text, "%d kind=%d state=%d rect=%d,%d,%d,%d text=", button.number,
            static_cast<int>(button.kind), static_cast<int>(button.state), r.x, r.y, r.w, r.h);
        lines.push_back(text + (button.kind == ButtonKind::TextLine && button.on_image
                                    ? button.on_image->image_name
                                    : std::string()));
    });
    return lines;
}

} // namespace velmora
