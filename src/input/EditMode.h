// The edit mode: with --edit, `z` opens a small menu in the window caption
// through which the player changes the three volumes or any numeric variable
// while the game waits. This file holds its state machine as a pure function
// of a released key, so the engine only applies what it asks for.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <string>

#include "sound/SoundVolumes.h"

namespace velmora {

// The step of the edit mode; the numbers are the ones the caption and the
// input state have always used.
enum class EditStep : int32_t {
    Off = 0,
    Menu = 1,
    VariableNumber = 2, // typing the number of the variable to change
    VariableValue = 3,  // typing its new value
    MusicVolume = 4,
    VoiceVolume = 5,
    SeVolume = 6,
};

struct EditState {
    EditStep step = EditStep::Off;
    int32_t variable = 0; // the variable being changed
    int32_t number = 0;   // magnitude of the number typed so far
    int32_t sign = 1;     // 1 or -1; only a variable's value can be negative

    bool active() const { return step != EditStep::Off; }
    bool operator==(const EditState&) const = default;
};

// What the engine does after a key.
enum class EditAction {
    None,
    SetVariable, // variable `target` = `value`
    SetMusicVolume,
    SetVoiceVolume,
    SetSeVolume,
    Leave, // show the engine's name briefly, then the game's caption again
};

struct EditOutcome {
    EditState state;
    EditAction action = EditAction::None;
    int32_t target = 0;
    int32_t value = 0;
    bool caption_changed = true; // the caption is rebuilt from the new state
};

// What the edit mode reads of the game: volumes, the variable range and values.
struct EditView {
    SoundVolumes volumes;
    int32_t variable_count = 0;
    std::function<int32_t(int32_t)> variable_value;
};

// The state after releasing `key` in `state`; from Off only `z` opens the menu.
EditOutcome editKey(const EditState& state, SDLKey key, const EditView& view);

// The window caption that shows `state`.
std::string editCaption(const EditState& state, const EditView& view);

} // namespace velmora
