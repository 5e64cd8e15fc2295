// What the event loop knows about the current wait and the player's input:
// the wait's mode and time, its result, the mouse, held modifiers, the click
// trap and the key switches that scripts turn on.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>

#include "common/UserEvents.h"
#include "input/EditMode.h"

namespace velmora {

// Bits of the event mode: what the current wait accepts.
constexpr int32_t WAIT_RIGHT_CLICK = 0x01; // a right click ends the wait
constexpr int32_t WAIT_BUTTONS = 0x02;     // clicks and keys report buttons
constexpr int32_t WAIT_CLICK = 0x0C;       // a click, Return or Space ends the wait
constexpr int32_t WAIT_ANIMATION = 0x20;   // animated pictures advance while waiting
constexpr int32_t WAIT_VOICE = 0x80;       // not before the voice on channel 0 has ended
constexpr int32_t WAIT_TEXT = 0x100;       // right click and wheel reach the menus
constexpr int32_t WAIT_ACCEPTS_INPUT = WAIT_BUTTONS | WAIT_CLICK;

// The wait modes the commands use.
constexpr int32_t MODE_TIMED = WAIT_ANIMATION;              // wait, waittimer
constexpr int32_t MODE_CLICK = WAIT_ANIMATION | WAIT_CLICK; // delay, click
constexpr int32_t MODE_LRCLICK = MODE_CLICK | WAIT_RIGHT_CLICK;
constexpr int32_t MODE_SELECT = WAIT_TEXT | WAIT_ANIMATION | WAIT_BUTTONS; // the select family

// Trap bits.
constexpr int32_t TRAP_LEFT = 1;  // left click, Return or Space
constexpr int32_t TRAP_RIGHT = 2; // right click or Escape
constexpr int32_t TRAP_STOPPED = 8;
constexpr int32_t TRAP_PENDING = 0x10; // a trap event came while stopped

// Button results that are not button numbers.
constexpr int32_t RESULT_RIGHT_CLICK = -1;
constexpr int32_t RESULT_WHEEL_UP = -2;
constexpr int32_t RESULT_WHEEL_DOWN = -3;
constexpr int32_t RESULT_TIMEOUT_WHEEL = -5;

struct InputState {
    int32_t event_mode = 0;
    int32_t wait_remaining = 0;  // ms left; -1 no limit; 0 end once queued events are handled
    bool wait_unlimited = false; // the wait has no time limit: only input ends it
    int32_t button_result = 0;
    std::string button_string;
    bool is_down = false; // the accepting event was a press
    int32_t mouse_x = 0;  // screen pixels
    int32_t mouse_y = 0;
    bool automode = false;
    int32_t autoclick_time = 0; // ms after which a text wait ends itself; 0 off
    int32_t shift_held = 0;     // 1 right, 2 left
    int32_t ctrl_held = 0;      // 1 right, 2 left; skips text like skip mode
    int32_t trap_mode = 0;
    std::string trap_label;
    int32_t system_menu_request = 0; // the pending system call (SYSTEM_CALL_); 0 none
    EditState edit; // the edit mode (--edit); clicks and keys go only to it while active
    int32_t text_wait_state = 0; // 1 click wait, 2 page wait: set by the text display
    int32_t getret_value = 0;    // what getret reads after lrclick
    SDL_TimerID wait_timer = nullptr;
    SDLKey joystick_key = SDLK_UNKNOWN; // the arrow the stick points at; unknown when centred
    int32_t mouseover_min = 0;          // getmouseover range; empty while min > max
    int32_t mouseover_max = -1;
    int32_t btntime_ms = -1;    // time limit of the next button waits; -1 none
    bool btntime_voice = false; // a limited button wait also waits for the voice
    uint32_t btn_started = 0;   // when the last button wait began
    int32_t btn_elapsed = 0;    // how long it lasted (getbtntimer)

    // Key switches, off until their command runs.
    bool getzxc = false;
    bool gettab = false;
    bool getskipoff = false;
    bool getpageup = false;
    bool getpagedown = false;
    bool getinsert = false;
    bool getfunction = false;
    bool getenter = false;
    bool getcursor = false;
    bool spclclk = false;
    bool btndown_mode = false;
    bool bexec_mode = false;

    // The key switches, btndown and bexec modes and the mouse-over range hold
    // for one button wait; its end (and btndef, bclear) turns them off.
    void resetButtonSwitches() {
        getzxc = gettab = getskipoff = getpageup = getpagedown = false;
        getinsert = getfunction = getenter = getcursor = spclclk = false;
        btndown_mode = bexec_mode = false;
        mouseover_min = 0;
        mouseover_max = -1;
    }

    bool buttonWait() const { return event_mode & WAIT_BUTTONS; }
    bool textWait() const { return event_mode & WAIT_TEXT; }
    bool acceptsInput() const { return event_mode & WAIT_ACCEPTS_INPUT; }
};

} // namespace velmora
