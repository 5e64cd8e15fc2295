// The one event loop: every command that waits runs it. Clicks, keys, wheel
// and joystick become a button result; animations run while it waits; a
// timer ends timed waits.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "common/Exit.h"
#include "engine/Velmora.h"
#include "persist/FileBuffer.h"

namespace velmora {

namespace {

// The wait timer only posts an event: the loop does the work on the main thread.
Uint32 waitTimerFired(Uint32, void*) {
    SDL_Event event{};
    event.type = EVENT_WAIT_TIMER;
    SDL_PushEvent(&event);
    return 0; // one shot: the timer removes itself
}

// Joystick axis values beyond this point in a direction.
constexpr int JOYSTICK_THRESHOLD = 3200;

SDLKey joystickKey(const SDL_JoyAxisEvent& axis) {
    if (axis.axis > 1) return SDLK_UNKNOWN;
    if (axis.value <= -JOYSTICK_THRESHOLD) return axis.axis == 0 ? SDLK_LEFT : SDLK_UP;
    if (axis.value >= JOYSTICK_THRESHOLD) return axis.axis == 0 ? SDLK_RIGHT : SDLK_DOWN;
    return SDLK_UNKNOWN;
}

SDL_KeyboardEvent keyEvent(SDLKey key, bool pressed) {
    SDL_KeyboardEvent event{};
    event.type = pressed ? SDL_KEYDOWN : SDL_KEYUP;
    event.state = pressed ? SDL_PRESSED : SDL_RELEASED;
    event.keysym.sym = key;
    return event;
}

// Events queued by a timer of an earlier wait must not end this one.
void dropStaleTimerEvents() {
    SDL_Event event;
    const Uint32 mask = SDL_EVENTMASK(EVENT_WAIT_TIMER) | SDL_EVENTMASK(EVENT_WAIT_DONE);
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, mask) > 0) {
    }
}

} // namespace

bool Velmora::runWait(int32_t ms) {
    for (;;) {
        runWaitPlain(ms);
        if (input.system_menu_request == 0) return false;
        switch (runSystemCall()) {
        case SystemCallEnd::GameReplaced: return true;
        case SystemCallEnd::WaitEnds: return false;
        case SystemCallEnd::WaitGoesOn: break;
        }
    }
}

void Velmora::runWaitPlain(int32_t ms) {
    dropStaleTimerEvents();
    input.wait_remaining = ms;
    input.wait_unlimited = ms < 0;
    startWaitTimer();
    pumpEvents();
    SDL_Event event;
    while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_EVENTMASK(EVENT_WAIT_DONE)) > 0) {
    }
}

void Velmora::replaceWaitTimer(int32_t ms) {
    if (input.wait_timer) SDL_RemoveTimer(input.wait_timer);
    input.wait_timer = SDL_AddTimer(static_cast<Uint32>(ms), waitTimerFired, nullptr);
}

void Velmora::startWaitTimer() {
    if (input.wait_remaining == 0) {
        SDL_Event event{};
        event.type = EVENT_WAIT_DONE;
        SDL_PushEvent(&event);
        return;
    }
    if (input.event_mode & WAIT_ANIMATION) {
        stepAnimations();
        int32_t d = nextAnimationDelay();
        if (d > 0) {
            if (d < input.wait_remaining) {
                input.wait_remaining -= d;
            } else if (input.wait_remaining > 0) {
                d = input.wait_remaining;
                input.wait_remaining = 0;
            }
            advanceAnimations(d);
            replaceWaitTimer(d);
            return;
        }
    }
    if (input.wait_remaining <= 0) return;
    replaceWaitTimer(input.wait_remaining);
    input.wait_remaining = 0;
}

void Velmora::endWaitByTime() {
    input.button_result = input.automode || input.autoclick_time > 0 ? 0
                          : use_wheel                                ? RESULT_TIMEOUT_WHEEL
                                                                     : RESULT_WHEEL_UP;
    input.button_string = "TIMEOUT";
    if ((input.event_mode & WAIT_ACCEPTS_INPUT) &&
        (input.text_wait_state == 1 || input.text_wait_state == 2)) {
        playClickSound();
        finishWait();
    }
}

void Velmora::pumpEvents() {
    SDL_Event event;
    for (;;) {
        if (scripted_input) feedScriptedInput(input.wait_unlimited);
        if (!SDL_WaitEvent(&event)) return;
        switch (event.type) {
        case SDL_MOUSEMOTION: {
            // Only the latest position counts.
            SDL_Event next;
            while (SDL_PeepEvents(&next, 1, SDL_GETEVENT, SDL_MOUSEMOTIONMASK) > 0) event = next;
            if (onMouseMotion(event.motion)) return;
            const Uint8 held = event.motion.state;
            if (input.btndown_mode && (held & (SDL_BUTTON(1) | SDL_BUTTON(3)))) {
                SDL_MouseButtonEvent press{};
                press.type = SDL_MOUSEBUTTONDOWN;
                press.state = SDL_PRESSED;
                press.button = (held & SDL_BUTTON(1)) ? SDL_BUTTON_LEFT : SDL_BUTTON_RIGHT;
                press.x = event.motion.x;
                press.y = event.motion.y;
                if (onMouseButton(press)) return;
            }
            break;
        }
        case SDL_MOUSEBUTTONDOWN:
            if (input.btndown_mode && onMouseButton(event.button)) return;
            break;
        case SDL_MOUSEBUTTONUP:
            if (onMouseButton(event.button)) return;
            break;
        case SDL_KEYDOWN:
            if (onModifierDown(event.key)) return;
            if (input.btndown_mode && onKey(event.key)) return;
            break;
        case SDL_KEYUP:
            onModifierUp(event.key);
            if (onKey(event.key)) return;
            break;
        case SDL_JOYAXISMOTION: {
            const SDLKey key = joystickKey(event.jaxis);
            if (key == input.joystick_key) break;
            const SDLKey previous = input.joystick_key;
            input.joystick_key = key;
            if (key != SDLK_UNKNOWN) {
                const SDL_KeyboardEvent press = keyEvent(key, true);
                if (onModifierDown(press)) return;
                if (input.btndown_mode && onKey(press)) return;
            } else {
                const SDL_KeyboardEvent release = keyEvent(previous, false);
                onModifierUp(release);
                if (onKey(release)) return;
            }
            break;
        }
        case SDL_ACTIVEEVENT:
            if (event.active.gain && screen.screen_surface)
                SDL_UpdateRect(screen.screen_surface, 0, 0, 0, 0);
            break;
        case SDL_VIDEOEXPOSE:
            if (screen.screen_surface) SDL_UpdateRect(screen.screen_surface, 0, 0, 0, 0);
            break;
        case SDL_QUIT: endCommand();
        case EVENT_WAIT_TIMER:
            input.wait_timer = nullptr;
            startWaitTimer();
            break;
        case EVENT_WAIT_DONE:
            // The voice wait outlasts the time while the voice plays.
            if ((input.event_mode & WAIT_VOICE) && sound.channelPlaying(VOICE_CHANNEL)) {
                input.wait_remaining = -1;
                break;
            }
            endWaitByTime();
            return;
        case EVENT_CHANNEL_FINISHED:
            handleSoundEvent(event);
            if (event.user.code == VOICE_CHANNEL && (input.event_mode & WAIT_VOICE) &&
                !sound.channelPlaying(VOICE_CHANNEL)) {
                input.event_mode &= ~WAIT_VOICE;
                endWaitByTime();
                return;
            }
            break;
        case EVENT_MUSIC_FINISHED:
        case EVENT_CD_TIMER:
        case EVENT_FADE_TIMER: handleSoundEvent(event); break;
        default: break;
        }
    }
}

void Velmora::feedScriptedInput(bool idle) {
    SDL_PumpEvents();
    SDL_Event pending;
    if (SDL_PeepEvents(&pending, 1, SDL_PEEKEVENT, SDL_ALLEVENTS) != 0) return;
    scripted_input->act(idle, input.event_mode, [this] {
        // The caption as the window has it: the edit mode shows itself there
        // without changing the game's own caption.
        char* title = nullptr;
        char* icon = nullptr;
        SDL_WM_GetCaption(&title, &icon);
        return ScriptedInput::View{screen.screen_surface, title ? title : window_title,
                                   icon ? icon : window_icon_title, describeButtons()};
    });
}

void Velmora::loadScriptedInput() {
    const char* path = std::getenv("VELMORA_INPUT");
    if (!path) return;
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, FILE_BUFFER_LIMIT, bytes)) {
        std::fprintf(stderr, "[input] can't read %s\n", path);
        exitProcess(2);
    }
    scripted_input = std::make_unique<ScriptedInput>();
    int32_t bad_line = 0;
    if (!scripted_input->parse(std::string(bytes.begin(), bytes.end()), bad_line)) {
        std::fprintf(stderr, "[input] bad line %d\n", bad_line);
        exitProcess(2);
    }
}

bool Velmora::fireTrap() {
    if (input.trap_mode & TRAP_STOPPED) {
        input.trap_mode |= TRAP_PENDING;
        return false;
    }
    input.trap_mode = 0;
    eraseClickCursor();
    jumpToLabel(input.trap_label);
    input.button_result = 0;
    return true;
}

void Velmora::eraseClickCursor() {
    if (input.text_wait_state != 1 && input.text_wait_state != 2) return;
    const AnimImage& cursor = screen.cursor_images[input.text_wait_state - 1];
    if (!cursor.surface) return;
    screen.damagePicture(cursor);
    screen.showDamage(screen.refreshFlags(), nullptr, true, false, layerSettings());
}

bool Velmora::finishWait() {
    eraseClickCursor();
    return true;
}

} // namespace velmora
