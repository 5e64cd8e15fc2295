// The edit mode's keys and captions.
#include "input/EditMode.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace velmora {

namespace {

constexpr int32_t NUMBER_LIMIT = std::numeric_limits<int32_t>::max();
constexpr const char* CAPTION_HEAD = "[EDIT MODE]  ";
constexpr const char* MENU_LINE = "MP3 vol (m)  SE vol (s)  Voice vol (v)  Numeric variable (n)";

// The digit of a number key or keypad key; -1 for any other key.
int32_t digitOf(SDLKey key) {
    if (key >= SDLK_0 && key <= SDLK_9) return key - SDLK_0;
    if (key >= SDLK_KP0 && key <= SDLK_KP9) return key - SDLK_KP0;
    return -1;
}

// Starts typing a new number in `step`, beginning with `number`.
EditOutcome startTyping(EditState state, EditStep step, int32_t number) {
    state.step = step;
    state.number = number;
    state.sign = 1; // a minus typed for an earlier value does not carry over
    return EditOutcome{state};
}

EditOutcome menuLetter(const EditState& state, SDLKey key, const SoundVolumes& volumes) {
    switch (key) {
    case SDLK_m: return startTyping(state, EditStep::MusicVolume, volumes.music_volume);
    case SDLK_n: return startTyping(state, EditStep::VariableNumber, 0);
    case SDLK_s: return startTyping(state, EditStep::SeVolume, volumes.se_volume);
    case SDLK_v: return startTyping(state, EditStep::VoiceVolume, volumes.voice_volume);
    default: return EditOutcome{state};
    }
}

EditOutcome confirm(EditState state, const EditView& view) {
    EditOutcome out{state};
    const int32_t volume = std::min(state.number, MAX_VOLUME);
    switch (state.step) {
    case EditStep::VariableNumber: {
        // A number outside the declared variables is refused: type again.
        if (state.number >= view.variable_count) {
            out.state.number = 0;
            return out;
        }
        const int64_t value = view.variable_value(state.number);
        out.state.variable = state.number;
        out.state.number =
            static_cast<int32_t>(std::min<int64_t>(value < 0 ? -value : value, NUMBER_LIMIT));
        out.state.sign = value < 0 ? -1 : 1;
        out.state.step = EditStep::VariableValue;
        return out;
    }
    case EditStep::VariableValue:
        out.action = EditAction::SetVariable;
        out.target = state.variable;
        out.value = state.sign * state.number;
        break;
    case EditStep::MusicVolume: out.action = EditAction::SetMusicVolume, out.value = volume; break;
    case EditStep::VoiceVolume: out.action = EditAction::SetVoiceVolume, out.value = volume; break;
    case EditStep::SeVolume: out.action = EditAction::SetSeVolume, out.value = volume; break;
    default: break;
    }
    out.state.step = EditStep::Menu;
    return out;
}

} // namespace

EditOutcome editKey(const EditState& state, SDLKey key, const EditView& view) {
    EditOutcome out{state};
    if (!state.active()) {
        out.caption_changed = key == SDLK_z;
        if (out.caption_changed) out.state = EditState{EditStep::Menu, state.variable, 0, 1};
        return out;
    }
    EditState& next = out.state;
    if (const int32_t digit = digitOf(key); digit >= 0) {
        // A digit that would overflow the number is dropped.
        if (state.number <= (NUMBER_LIMIT - digit) / 10) next.number = state.number * 10 + digit;
        return out;
    }
    switch (key) {
    case SDLK_BACKSPACE:
        if (state.number == 0 && state.sign < 0)
            next.sign = 1;
        else
            next.number = state.number / 10;
        return out;
    case SDLK_MINUS:
    case SDLK_KP_MINUS:
        if (state.step == EditStep::VariableValue && state.number == 0) next.sign = -1;
        return out;
    case SDLK_ESCAPE:
        if (state.step != EditStep::Menu) {
            next.step = EditStep::Menu;
            return out;
        }
        next.step = EditStep::Off;
        out.action = EditAction::Leave;
        out.caption_changed = false;
        return out;
    case SDLK_m:
    case SDLK_n:
    case SDLK_s:
    case SDLK_v:
        if (state.step == EditStep::Menu) return menuLetter(state, key, view.volumes);
        out.caption_changed = false;
        return out;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return confirm(state, view);
    default: return out;
    }
}

std::string editCaption(const EditState& state, const EditView& view) {
    char line[160];
    char name[32];
    int32_t current = 0;
    switch (state.step) {
    case EditStep::Off: return {};
    case EditStep::Menu:
        std::snprintf(line, sizeof line, "%s%s", CAPTION_HEAD, MENU_LINE);
        return line;
    case EditStep::VariableNumber:
        std::snprintf(line, sizeof line, "%s%s%d", CAPTION_HEAD, "Variable Index?  %",
                      state.sign * state.number);
        return line;
    case EditStep::VariableValue:
        std::snprintf(name, sizeof name, "%%%d", state.variable);
        current = view.variable_value(state.variable);
        break;
    case EditStep::MusicVolume:
        std::snprintf(name, sizeof name, "MP3 Volume");
        current = view.volumes.music_volume;
        break;
    case EditStep::VoiceVolume:
        std::snprintf(name, sizeof name, "Voice Volume");
        current = view.volumes.voice_volume;
        break;
    case EditStep::SeVolume:
        std::snprintf(name, sizeof name, "Sound effect Volume");
        current = view.volumes.se_volume;
        break;
    }
    std::snprintf(line, sizeof line, "%sCurrent %s=%d  New value? %s%d", CAPTION_HEAD, name,
                  current, state.sign < 0 ? "-" : "", state.number);
    return line;
}

} // namespace velmora
