#include "input/ScriptedInput.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <utility>

#include "persist/BitmapFile.h"

namespace velmora {

namespace {

struct KeyName {
    const char* name;
    SDLKey key;
};

constexpr KeyName NAMED_KEYS[] = {
    {"return", SDLK_RETURN}, {"kp_enter", SDLK_KP_ENTER},   {"space", SDLK_SPACE},
    {"escape", SDLK_ESCAPE}, {"backspace", SDLK_BACKSPACE}, {"tab", SDLK_TAB},
    {"minus", SDLK_MINUS},   {"kp_minus", SDLK_KP_MINUS},   {"up", SDLK_UP},
    {"down", SDLK_DOWN},     {"left", SDLK_LEFT},           {"right", SDLK_RIGHT},
    {"pageup", SDLK_PAGEUP}, {"pagedown", SDLK_PAGEDOWN},   {"insert", SDLK_INSERT},
    {"lshift", SDLK_LSHIFT}, {"rshift", SDLK_RSHIFT},       {"lctrl", SDLK_LCTRL},
    {"rctrl", SDLK_RCTRL},
};

SDLKey keyNamed(const std::string& name) {
    if (name.size() == 1 &&
        ((name[0] >= 'a' && name[0] <= 'z') || (name[0] >= '0' && name[0] <= '9')))
        return static_cast<SDLKey>(name[0]);
    if (name.size() == 3 && name.compare(0, 2, "kp") == 0 && name[2] >= '0' && name[2] <= '9')
        return static_cast<SDLKey>(SDLK_KP0 + (name[2] - '0'));
    if (name.size() >= 2 && name[0] == 'f') {
        char* end = nullptr;
        const long n = std::strtol(name.c_str() + 1, &end, 10);
        if (*end == '\0' && n >= 1 && n <= 12) return static_cast<SDLKey>(SDLK_F1 + (n - 1));
    }
    for (const KeyName& entry : NAMED_KEYS)
        if (name == entry.name) return entry.key;
    return SDLK_UNKNOWN;
}

// Reads a whole decimal integer token.
bool readNumber(std::istringstream& in, int32_t& value) {
    std::string word;
    if (!(in >> word)) return false;
    char* end = nullptr;
    const long long n = std::strtoll(word.c_str(), &end, 10);
    if (end == word.c_str() || *end != '\0' || n < INT32_MIN || n > INT32_MAX) return false;
    value = static_cast<int32_t>(n);
    return true;
}

// An optional "X Y" at the end of the line.
bool readOptionalPoint(std::istringstream& in, ScriptedInput::Line& line) {
    std::string rest;
    if (!(in >> std::ws) || in.eof()) return true;
    line.has_point = readNumber(in, line.x) && readNumber(in, line.y);
    return line.has_point;
}

bool atEnd(std::istringstream& in) {
    std::string extra;
    return !(in >> extra);
}

bool parseLine(const std::string& text, ScriptedInput::Line& line) {
    using Action = ScriptedInput::Action;
    std::istringstream in(text);
    std::string guard, action;
    if (!(in >> guard >> action)) return false;
    if (guard != "idle" && guard != "any") return false;
    line.any = guard == "any";
    if (action == "click" || action == "rclick") {
        line.action = action == "click" ? Action::Click : Action::RightClick;
        if (!readOptionalPoint(in, line)) return false;
    } else if (action == "press" || action == "release") {
        line.action = action == "press" ? Action::Press : Action::Release;
        std::string side;
        if (!(in >> side) || (side != "left" && side != "right")) return false;
        line.right = side == "right";
        if (!readOptionalPoint(in, line)) return false;
    } else if (action == "move") {
        line.action = Action::Move;
        line.has_point = readNumber(in, line.x) && readNumber(in, line.y);
        if (!line.has_point) return false;
    } else if (action == "wheel") {
        line.action = Action::Wheel;
        std::string direction;
        if (!(in >> direction) || (direction != "up" && direction != "down")) return false;
        line.right = direction == "down";
    } else if (action == "key" || action == "keydown" || action == "keyup") {
        line.action = action == "key"       ? Action::Key
                      : action == "keydown" ? Action::KeyDown
                                            : Action::KeyUp;
        std::string name;
        if (!(in >> name)) return false;
        line.key = keyNamed(name);
        if (line.key == SDLK_UNKNOWN) return false;
    } else if (action == "joy") {
        line.action = Action::Joy;
        if (!readNumber(in, line.axis) || !readNumber(in, line.value)) return false;
        if (line.axis < 0 || line.axis > 255 || line.value < -32768 || line.value > 32767)
            return false;
    } else if (action == "quit") {
        line.action = Action::Quit;
    } else if (action == "shot") {
        line.action = Action::Shot;
        if (!(in >> line.file)) return false;
    } else if (action == "caption") {
        line.action = Action::Caption;
    } else if (action == "buttons") {
        line.action = Action::Buttons;
    } else {
        return false;
    }
    return atEnd(in);
}

bool isLookOnly(ScriptedInput::Action action) {
    using Action = ScriptedInput::Action;
    return action == Action::Shot || action == Action::Caption || action == Action::Buttons;
}

void push(SDL_Event& event) {
    SDL_PushEvent(&event);
}

void pushButton(Uint8 button, bool pressed, int32_t x, int32_t y) {
    SDL_Event event{};
    event.type = pressed ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.button = button;
    event.button.state = pressed ? SDL_PRESSED : SDL_RELEASED;
    event.button.x = static_cast<Uint16>(x);
    event.button.y = static_cast<Uint16>(y);
    push(event);
}

void pushKey(SDLKey key, bool pressed) {
    SDL_Event event{};
    event.type = pressed ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = pressed ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    push(event);
}

} // namespace

bool ScriptedInput::parse(const std::string& text, int32_t& bad_line) {
    lines.clear();
    std::istringstream in(text);
    std::string raw;
    for (int32_t number = 1; std::getline(in, raw); ++number) {
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        const size_t first = raw.find_first_not_of(" \t");
        if (first == std::string::npos || raw[first] == '#') continue;
        Line line;
        line.number = number;
        if (!parseLine(raw, line)) {
            bad_line = number;
            return false;
        }
        lines.push_back(std::move(line));
    }
    return true;
}

void ScriptedInput::look(const Line& line, const View& view) const {
    if (line.action == Action::Shot) {
        SDL_Surface* window = view.window;
        if (!window || window->format->BytesPerPixel != 4 || SDL_LockSurface(window) != 0) {
            std::fprintf(stderr, "[input] shot %s: no window to write\n", line.file.c_str());
            return;
        }
        const bool written = writeBitmap24(line.file, static_cast<const uint32_t*>(window->pixels),
                                           window->w, window->h, window->pitch / 4);
        SDL_UnlockSurface(window);
        if (!written) std::fprintf(stderr, "[input] shot %s: can't write\n", line.file.c_str());
    } else if (line.action == Action::Caption) {
        std::fprintf(stderr, "[input] caption title=%s icon=%s\n", view.title.c_str(),
                     view.icon_title.c_str());
    } else {
        for (const std::string& button : view.buttons)
            std::fprintf(stderr, "[input] button %s\n", button.c_str());
    }
}

void ScriptedInput::inject(const Line& line) {
    const auto warp = [&line] {
        if (line.has_point) SDL_WarpMouse(static_cast<Uint16>(line.x), static_cast<Uint16>(line.y));
    };
    int mouse_x = 0, mouse_y = 0;
    switch (line.action) {
    case Action::Click:
    case Action::RightClick: {
        warp();
        SDL_GetMouseState(&mouse_x, &mouse_y);
        const int32_t x = line.has_point ? line.x : mouse_x;
        const int32_t y = line.has_point ? line.y : mouse_y;
        const Uint8 button = line.action == Action::Click ? SDL_BUTTON_LEFT : SDL_BUTTON_RIGHT;
        pushButton(button, true, x, y);
        pushButton(button, false, x, y);
        break;
    }
    case Action::Press:
    case Action::Release: {
        warp();
        SDL_GetMouseState(&mouse_x, &mouse_y);
        pushButton(line.right ? SDL_BUTTON_RIGHT : SDL_BUTTON_LEFT, line.action == Action::Press,
                   line.has_point ? line.x : mouse_x, line.has_point ? line.y : mouse_y);
        break;
    }
    case Action::Move: {
        SDL_WarpMouse(static_cast<Uint16>(line.x), static_cast<Uint16>(line.y));
        // The warp may not report itself on every video driver: the motion is sent here.
        SDL_Event event{};
        event.type = SDL_MOUSEMOTION;
        event.motion.x = static_cast<Uint16>(line.x);
        event.motion.y = static_cast<Uint16>(line.y);
        push(event);
        break;
    }
    case Action::Wheel: {
        const Uint8 button = line.right ? SDL_BUTTON_WHEELDOWN : SDL_BUTTON_WHEELUP;
        SDL_GetMouseState(&mouse_x, &mouse_y);
        pushButton(button, true, mouse_x, mouse_y);
        pushButton(button, false, mouse_x, mouse_y);
        break;
    }
    case Action::Key:
        pushKey(line.key, true);
        pushKey(line.key, false);
        break;
    case Action::KeyDown: pushKey(line.key, true); break;
    case Action::KeyUp: pushKey(line.key, false); break;
    case Action::Joy: {
        SDL_Event event{};
        event.type = SDL_JOYAXISMOTION;
        event.jaxis.axis = static_cast<Uint8>(line.axis);
        event.jaxis.value = static_cast<Sint16>(line.value);
        push(event);
        break;
    }
    case Action::Quit: {
        SDL_Event event{};
        event.type = SDL_QUIT;
        push(event);
        break;
    }
    default: break;
    }
}

void ScriptedInput::act(bool idle, int32_t event_mode, const std::function<View()>& view) {
    while (next < lines.size()) {
        const Line& line = lines[next];
        if (!line.any && !idle) return;
        ++next;
        if (isLookOnly(line.action)) {
            look(line, view());
            continue;
        }
        std::fprintf(stderr, "[input] line %d mode=0x%x\n", line.number, event_mode);
        inject(line);
        return;
    }
    if (idle && !quit_sent) {
        quit_sent = true;
        std::fprintf(stderr, "[input] exhausted mode=0x%x\n", event_mode);
        SDL_Event event{};
        event.type = SDL_QUIT;
        push(event);
    }
}

} // namespace velmora
