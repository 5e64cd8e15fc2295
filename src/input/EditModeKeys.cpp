// The engine side of the edit mode: hands each released key to the edit
// mode's state machine and carries out what it asks for, on the variables,
// the mixer volumes and the window caption.
#include <SDL.h>

#include "engine/Velmora.h"
#include "engine/Version.h"

namespace velmora {

namespace {

// How long the program's name shows in the caption as the edit mode closes.
constexpr uint32_t LEAVE_CAPTION_MS = 100;

} // namespace

EditView Velmora::editView() {
    return EditView{volumes, script.variable_count,
                    [this](int32_t n) { return script.variableSlot(n).value; }};
}

void Velmora::onEditKey(SDLKey key) {
    const EditOutcome out = editKey(input.edit, key, editView());
    input.edit = out.state;
    switch (out.action) {
    case EditAction::None: break;
    case EditAction::SetVariable: script.setNumber(out.target, out.value); break;
    case EditAction::SetMusicVolume: sound.setMusicVolume(out.value); break;
    case EditAction::SetVoiceVolume: sound.setVoiceVolume(out.value); break;
    case EditAction::SetSeVolume: sound.setSeVolume(out.value); break;
    case EditAction::Leave:
        SDL_WM_SetCaption(PROGRAM_NAME, PROGRAM_NAME);
        SDL_Delay(LEAVE_CAPTION_MS);
        SDL_WM_SetCaption(window_title.c_str(), window_icon_title.c_str());
        break;
    }
    // The icon title stays the game's while the caption shows the edit mode.
    if (out.caption_changed)
        SDL_WM_SetCaption(editCaption(input.edit, editView()).c_str(), window_icon_title.c_str());
}

} // namespace velmora
