// Turning one mouse, key or modifier event into the result of the wait, or
// into a change of mode (skip, automode, text speed, full screen).
#include <SDL.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "engine/Velmora.h"
#include "interp/SystemCallNumber.h"

namespace velmora {

namespace {

bool isReturnKey(SDLKey key) {
    return key == SDLK_RETURN || key == SDLK_KP_ENTER;
}

// A click in the black bars of a letterboxed full-screen window comes from the
// media layer as a negative position wrapped into 16 bits, or as the size
// itself past the far edge: either counts as the nearest edge of the screen.
int32_t onScreen(Uint16 position, int32_t size) {
    return std::clamp<int32_t>(static_cast<int16_t>(position), 0, std::max(size - 1, 0));
}

} // namespace

int32_t Velmora::buttonUnderMouse() const {
    return buttons.current_button;
}

void Velmora::setResult(int32_t result, const char* text) {
    input.button_result = result;
    input.button_string = text;
}

bool Velmora::acceptClick() {
    if (!input.acceptsInput()) return false;
    if (!input.textWait()) skip_mode |= SKIP_SHOW_REST;
    playClickSound();
    return finishWait();
}

void Velmora::requestRightClickMenu() {
    if (input.textWait())
        input.system_menu_request =
            rmenu_items.empty() ? SYSTEM_CALL_WINDOWERASE : SYSTEM_CALL_RMENU;
}

bool Velmora::chooseButtonUnderMouse(const char* no_button_text) {
    const int32_t button = buttonUnderMouse();
    if (button > 0) {
        char text[16];
        std::snprintf(text, sizeof text, "S%d", button);
        setResult(button, text);
    } else {
        setResult(0, no_button_text);
    }
    return true;
}

bool Velmora::onMouseButton(const SDL_MouseButtonEvent& event) {
    if (input.edit.active()) return false;
    const bool pressed = event.type == SDL_MOUSEBUTTONDOWN;
    if (input.automode) {
        input.automode = false;
        if (!(input.getskipoff && input.buttonWait())) return false;
        setResult(-61, "");
        return acceptClick();
    }
    if ((event.button == SDL_BUTTON_RIGHT && (input.trap_mode & TRAP_RIGHT)) ||
        (event.button == SDL_BUTTON_LEFT && (input.trap_mode & TRAP_LEFT))) {
        if (fireTrap()) return true;
    }
    input.mouse_x = onScreen(event.x, screen_width) * scale_den / scale_num;
    input.mouse_y = onScreen(event.y, screen_height) * scale_den / scale_num;
    input.is_down = false;
    if (input.getskipoff && (skip_mode & SKIP_TEXT) && input.buttonWait()) {
        skip_mode &= ~SKIP_TEXT;
        setResult(-60, "");
        return acceptClick();
    }
    skip_mode &= ~SKIP_TEXT;

    const bool text = input.textWait();
    if (event.button == SDL_BUTTON_RIGHT && !pressed &&
        ((rmenu_enabled && text) || (input.event_mode & (WAIT_RIGHT_CLICK | WAIT_BUTTONS)))) {
        setResult(RESULT_RIGHT_CLICK, "RCLICK");
        requestRightClickMenu();
    } else if (event.button == SDL_BUTTON_LEFT) {
        chooseButtonUnderMouse("LCLICK");
        input.is_down = pressed;
    } else if (event.button == SDL_BUTTON_WHEELUP &&
               (input.bexec_mode || text || (use_wheel && input.buttonWait()) ||
                input.system_menu_request == SYSTEM_CALL_LOOKBACK)) {
        setResult(RESULT_WHEEL_UP, "WHEELUP");
        if (text) input.system_menu_request = SYSTEM_CALL_LOOKBACK;
    } else if (event.button == SDL_BUTTON_WHEELDOWN &&
               (input.bexec_mode || (wheeldown_advance && text) ||
                (use_wheel && input.buttonWait()) ||
                input.system_menu_request == SYSTEM_CALL_LOOKBACK)) {
        setResult(text ? 0 : RESULT_WHEEL_DOWN, "WHEELDOWN");
    } else {
        return false;
    }
    return acceptClick();
}

bool Velmora::onMouseMotion(const SDL_MouseMotionEvent& event) {
    input.mouse_x = onScreen(event.x, screen_width) * scale_den / scale_num;
    input.mouse_y = onScreen(event.y, screen_height) * scale_den / scale_num;
    if (!input.buttonWait()) return false;
    hover(input.mouse_x, input.mouse_y);
    const int32_t button = buttonUnderMouse();
    if (button <= 0 || button < input.mouseover_min || button > input.mouseover_max) return false;
    return chooseButtonUnderMouse("");
}

bool Velmora::onModifierDown(const SDL_KeyboardEvent& event) {
    switch (event.keysym.sym) {
    case SDLK_RSHIFT: input.shift_held |= 1; return false;
    case SDLK_LSHIFT: input.shift_held |= 2; return false;
    case SDLK_RCTRL:
    case SDLK_LCTRL:
        input.ctrl_held |= event.keysym.sym == SDLK_RCTRL ? 1 : 2;
        setResult(0, "CTRL");
        playClickSound();
        return finishWait();
    default: return false;
    }
}

void Velmora::onModifierUp(const SDL_KeyboardEvent& event) {
    switch (event.keysym.sym) {
    case SDLK_RSHIFT: input.shift_held &= ~1; break;
    case SDLK_LSHIFT: input.shift_held &= ~2; break;
    case SDLK_RCTRL: input.ctrl_held &= ~1; break;
    case SDLK_LCTRL: input.ctrl_held &= ~2; break;
    default: break;
    }
}

int32_t Velmora::keyResult(SDLKey key, const char*& text) {
    const bool text_wait = input.textWait();
    const bool button_wait = input.buttonWait();
    text = "";
    if (key == SDLK_ESCAPE) {
        if (use_esc_spc) return -10;
        text = "RCLICK";
        requestRightClickMenu();
        return RESULT_RIGHT_CLICK;
    }
    if (key == SDLK_SPACE) return use_esc_spc && !input.spclclk ? -11 : 0;
    if ((key == SDLK_LEFT && !input.getcursor) || key == SDLK_h) {
        if (text_wait || (button_wait && use_wheel && !input.getcursor) ||
            input.system_menu_request == SYSTEM_CALL_LOOKBACK) {
            if (text_wait) input.system_menu_request = SYSTEM_CALL_LOOKBACK;
            return RESULT_WHEEL_UP;
        }
        return 0;
    }
    if ((key == SDLK_RIGHT && !input.getcursor) || key == SDLK_l) {
        if (input.bexec_mode || (wheeldown_advance && text_wait) || (use_wheel && button_wait) ||
            input.system_menu_request == SYSTEM_CALL_LOOKBACK)
            return text_wait ? 0 : RESULT_WHEEL_DOWN;
        return 0;
    }
    // Up and Down step through the buttons, moving the pointer; they end nothing.
    if (button_wait) {
        if ((key == SDLK_UP && !input.getcursor) || key == SDLK_k || key == SDLK_p)
            return stepKeyboardButton(1), 0;
        if ((key == SDLK_DOWN && !input.getcursor) || key == SDLK_j || key == SDLK_n)
            return stepKeyboardButton(-1), 0;
    }
    if (key == SDLK_PAGEUP && input.getpageup) return text = "PAGEUP", -12;
    if (key == SDLK_PAGEDOWN && input.getpagedown) return text = "PAGEDOWN", -13;
    if (isReturnKey(key) && input.getenter) return -19;
    if (key == SDLK_TAB && input.gettab) return -20;
    if (input.getcursor) {
        if (key == SDLK_UP) return text = "UP", -40;
        if (key == SDLK_RIGHT) return text = "RIGHT", -41;
        if (key == SDLK_DOWN) return text = "DOWN", -42;
        if (key == SDLK_LEFT) return text = "LEFT", -43;
    }
    if (key == SDLK_INSERT && input.getinsert) return -50;
    if (key >= SDLK_F1 && key <= SDLK_F12 && input.getfunction) {
        static char function_name[8];
        std::snprintf(function_name, sizeof function_name, "F%d", key - SDLK_F1 + 1);
        text = function_name;
        return -21 - (key - SDLK_F1);
    }
    if (input.getzxc) {
        if (key == SDLK_z) return -51;
        if (key == SDLK_x) return -52;
        if (key == SDLK_c) return -53;
    }
    if (input.bexec_mode) {
        static char key_name[2];
        if ((key >= SDLK_0 && key <= SDLK_9) || (key >= SDLK_a && key <= SDLK_z)) {
            key_name[0] = static_cast<char>(std::toupper(key));
            key_name[1] = '\0';
            text = key_name;
            return RESULT_RIGHT_CLICK;
        }
        if (key == SDLK_LSHIFT || key == SDLK_RSHIFT) return text = "SHIFT", RESULT_RIGHT_CLICK;
    }
    return 0;
}

bool Velmora::onKey(const SDL_KeyboardEvent& event) {
    const SDLKey key = event.keysym.sym;
    const bool pressed = event.type == SDL_KEYDOWN;
    input.button_result = 0;
    input.is_down = false;
    if (input.automode) {
        input.automode = false;
        if (!(input.getskipoff && input.buttonWait())) return false;
        setResult(-61, "");
        return finishWait();
    }
    // While the edit mode is open a key belongs to it alone, so the wait goes on.
    if (input.edit.active()) {
        if (!pressed) onEditKey(key);
        return false;
    }
    if (!pressed) {
        if (edit_enabled && key == SDLK_z) onEditKey(key);
        if (input.getskipoff && (skip_mode & SKIP_TEXT) && input.buttonWait()) {
            skip_mode &= ~SKIP_TEXT;
            setResult(-60, "");
            return finishWait();
        }
        skip_mode &= ~SKIP_TEXT;
    }
    if (input.shift_held && key == SDLK_q && !in_define_section) endCommand();
    if (((input.trap_mode & TRAP_LEFT) && (isReturnKey(key) || key == SDLK_SPACE)) ||
        ((input.trap_mode & TRAP_RIGHT) && key == SDLK_ESCAPE)) {
        if (fireTrap()) return true;
    }
    if (input.buttonWait() && (!pressed || input.btndown_mode)) {
        if ((isReturnKey(key) && !input.getenter) || (key == SDLK_SPACE && input.spclclk)) {
            chooseButtonUnderMouse(key == SDLK_SPACE ? "SPACE" : "RETURN");
            input.is_down = pressed;
            playClickSound();
            return finishWait();
        }
        if (key == SDLK_SPACE && !use_esc_spc) {
            setResult(0, "SPACE");
            playClickSound();
            return finishWait();
        }
    }
    if (pressed) return false;

    const bool input_allowed = input.autoclick_time == 0 || input.buttonWait();
    if (input.acceptsInput() && input_allowed) {
        const char* text = "";
        const int32_t result = keyResult(key, text);
        if (result != 0) {
            char number[16];
            if (input.bexec_mode && key >= SDLK_0 && key <= SDLK_9) {
                std::snprintf(number, sizeof number, "%d", key - SDLK_0);
                text = number;
            }
            setResult(result, text);
            return finishWait();
        }
    }
    if ((input.event_mode & WAIT_CLICK) && input_allowed &&
        (isReturnKey(key) || key == SDLK_SPACE)) {
        setResult(0, isReturnKey(key) ? "RETURN" : "SPACE");
        return acceptClick();
    }
    if (input.event_mode & WAIT_CLICK) {
        if (key == SDLK_s && !input.automode) {
            skip_mode |= SKIP_TEXT;
            std::printf("toggle skip to true\n");
            return finishWait();
        }
        if (key == SDLK_o) {
            skip_mode ^= SKIP_TO_PAGE_END;
            const bool on = skip_mode & SKIP_TO_PAGE_END;
            std::printf("toggle draw one page flag to %s\n", on ? "true" : "false");
            return on && finishWait();
        }
        if (key == SDLK_a && automode_enabled && !input.automode) {
            skip_mode &= ~SKIP_TEXT;
            input.automode = true;
            std::printf("change to automode\n");
            return finishWait();
        }
        if (key >= SDLK_0 && key <= SDLK_3) {
            text_speed_index = key == SDLK_0 ? (text_speed_index + 1) % 3 : key - SDLK_1;
            story_font.char_wait = -1;
        }
    }
    if (input.acceptsInput() && key == SDLK_f) switchVideoMode(!fullscreen);
    return false;
}

} // namespace velmora
