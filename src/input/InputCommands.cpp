// The script commands of waiting and input: timed and click waits, the
// timer, the click trap, skip and automode switches, the mouse, the key
// switches and the window mode.
#include <SDL.h>

#include <algorithm>
#include <cstdio>

#include "engine/Velmora.h"

namespace velmora {

int32_t Velmora::waitCommand() {
    const int32_t ms = script.readInteger();
    input.event_mode = MODE_TIMED;
    runWait(std::max(ms, 0));
    return RESULT_PROCEED;
}

int32_t Velmora::delayCommand() {
    const int32_t ms = script.readInteger();
    input.event_mode = MODE_CLICK;
    runWait(std::max(ms, 0));
    return RESULT_PROCEED;
}

int32_t Velmora::resettimerCommand() {
    timer_base = SDL_GetTicks();
    return RESULT_PROCEED;
}

int32_t Velmora::waittimerCommand() {
    const int64_t until = int64_t{timer_base} + script.readInteger();
    input.event_mode = MODE_TIMED;
    runWait(static_cast<int32_t>(std::clamp<int64_t>(until - SDL_GetTicks(), 0, INT32_MAX)));
    return RESULT_PROCEED;
}

int32_t Velmora::gettimerCommand() {
    script.readInteger();
    script.setInt(script.last_ref, static_cast<int32_t>(SDL_GetTicks() - timer_base));
    return RESULT_PROCEED;
}

int32_t Velmora::clickCommand() {
    const bool right_too = script.tokenIs("lrclick");
    skip_mode &= ~SKIP_TEXT;
    input.event_mode = right_too ? MODE_LRCLICK : MODE_CLICK;
    runWait(-1);
    if (right_too) input.getret_value = input.button_result != RESULT_RIGHT_CLICK ? 1 : 0;
    return RESULT_PROCEED;
}

int32_t Velmora::trapCommand() {
    const int32_t mode = script.tokenIs("lr_trap") ? TRAP_LEFT | TRAP_RIGHT : TRAP_LEFT;
    if (script.nextIsKeyword("off")) {
        script.readLabelToken();
        input.trap_mode = 0;
    } else if (script.nextIsKeyword("stop")) {
        script.readLabelToken();
        input.trap_mode |= TRAP_STOPPED;
    } else if (script.nextIsKeyword("resume")) {
        script.readLabelToken();
        const bool pending = input.trap_mode & TRAP_PENDING;
        input.trap_mode &= ~(TRAP_STOPPED | TRAP_PENDING);
        if (pending) fireTrap();
    } else {
        const std::string label = script.readStr();
        // Only a label arms the trap; anything else leaves it as it was.
        if (label.size() > 1 && label[0] == '*') {
            input.trap_mode = mode;
            input.trap_label = label.substr(1);
        } else {
            std::printf("trapCommand: [%s] is not supported\n", label.c_str());
        }
    }
    return RESULT_PROCEED;
}

int32_t Velmora::automodeTimeCommand() {
    automode_time = script.readInteger();
    return RESULT_PROCEED;
}

int32_t Velmora::autoclickCommand() {
    input.autoclick_time = script.readInteger();
    return RESULT_PROCEED;
}

int32_t Velmora::skipoffCommand() {
    skip_mode &= ~SKIP_TEXT;
    return RESULT_PROCEED;
}

int32_t Velmora::isskipCommand() {
    script.readInteger();
    script.setInt(script.last_ref, input.automode ? 2 : skip_mode & SKIP_TEXT);
    return RESULT_PROCEED;
}

int32_t Velmora::isdownCommand() {
    script.readInteger();
    script.setInt(script.last_ref, input.is_down ? 1 : 0);
    return RESULT_PROCEED;
}

int32_t Velmora::isfullCommand() {
    script.readInteger();
    script.setInt(script.last_ref, fullscreen ? 1 : 0);
    return RESULT_PROCEED;
}

int32_t Velmora::getmouseposCommand() {
    script.readInteger();
    script.setInt(script.last_ref, input.mouse_x * scale_den / scale_num);
    script.readInteger();
    script.setInt(script.last_ref, input.mouse_y * scale_den / scale_num);
    return RESULT_PROCEED;
}

int32_t Velmora::getmouseoverCommand() {
    input.mouseover_min = script.readInteger();
    input.mouseover_max = script.readInteger();
    return RESULT_PROCEED;
}

int32_t Velmora::movemousecursorCommand() {
    const int32_t x = toScreen(script.readInteger());
    const int32_t y = toScreen(script.readInteger());
    const auto clampTo = [](int32_t value, int32_t size) {
        return static_cast<Uint16>(std::clamp(value, 0, std::max(size - 1, 0)));
    };
    SDL_WarpMouse(clampTo(x, screen_width), clampTo(y, screen_height));
    // The warp's own motion event may come late or not at all; the position is known now.
    input.mouse_x = clampTo(x, screen_width);
    input.mouse_y = clampTo(y, screen_height);
    return RESULT_PROCEED;
}

int32_t Velmora::keySwitchCommand() {
    const char* name = script.token_buffer.data();
    if (name[0] == '_') ++name;
    const std::string command = name;
    if (command == "getzxc") input.getzxc = true;
    if (command == "gettab") input.gettab = true;
    if (command == "getskipoff") input.getskipoff = true;
    if (command == "getpageup") input.getpageup = true;
    if (command == "getpage") input.getpageup = input.getpagedown = true;
    if (command == "getinsert") input.getinsert = true;
    if (command == "getfunction") input.getfunction = true;
    // These keys are the player's own when the command line says so.
    if (!force_button_shortcut) {
        if (command == "getenter") input.getenter = true;
        if (command == "getcursor" || command == "bcursor") input.getcursor = true;
        if (command == "spclclk") input.spclclk = true;
    }
    return RESULT_PROCEED;
}

int32_t Velmora::menuAutomodeCommand() {
    skip_mode &= ~SKIP_TEXT;
    input.automode = true;
    std::printf("menu_automode: change to automode\n");
    return RESULT_PROCEED;
}

int32_t Velmora::menuWindowCommand() {
    switchVideoMode(false);
    return RESULT_PROCEED;
}

int32_t Velmora::menuFullCommand() {
    switchVideoMode(true);
    return RESULT_PROCEED;
}

void Velmora::switchVideoMode(bool full) {
    if (fullscreen == full) return;
    if (screen.screen_surface && SDL_WM_ToggleFullScreen(screen.screen_surface)) {
        fullscreen = full;
        return;
    }
    SDL_Surface* surface =
        SDL_SetVideoMode(screen_width, screen_height, screen_bpp, full ? SDL_FULLSCREEN : 0);
    // A refused mode keeps the window as it was.
    if (!surface)
        surface = SDL_SetVideoMode(screen_width, screen_height, screen_bpp,
                                   fullscreen ? SDL_FULLSCREEN : 0);
    else
        fullscreen = full;
    if (!surface) return;
    screen.screen_surface = surface;
    screen.show(screen.bounds(), screen.refreshFlags(), layerSettings());
}

} // namespace velmora
