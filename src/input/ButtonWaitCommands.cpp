// Button waits: the player's click, key or the time limit decides the result
// stored in a variable; and the time limit and the timer of those waits.
#include <SDL.h>

#include <algorithm>

#include "engine/Velmora.h"

namespace velmora {

int32_t Velmora::btntimeCommand() {
    const bool voice_form = script.tokenIs("btntime2");
    const bool optional_voice = script.tokenIs("btime");
    input.btntime_ms = script.readInteger();
    input.btntime_voice = voice_form;
    if (optional_voice && (script.end_flags & END_COMMA))
        input.btntime_voice = script.readInteger() == 1;
    return RESULT_PROCEED;
}

int32_t Velmora::getbtntimerCommand() {
    script.readInteger();
    script.setInt(script.last_ref, input.btn_elapsed);
    return RESULT_PROCEED;
}

int32_t Velmora::btnwaitCommand() {
    const bool text_form = script.tokenIs("textbtnwait");
    const bool exec_form = script.tokenIs("bexec");
    const bool plain_form = script.tokenIs("btnwait"); // btnwait and btnwait2
    const bool deletes = plain_form && !script.tokenIs("btnwait2");
    if (plain_form) hideTextWindow(false);
    VarRef result_ref;
    VarRef number_ref;
    bool has_number = false;
    script.readVariableRef();
    result_ref = script.last_ref;
    if (exec_form) {
        input.bexec_mode = true;
        input.getpageup = input.getpagedown = input.getfunction = true;
        if (script.end_flags & END_COMMA) {
            script.readVariableRef();
            number_ref = script.last_ref;
            has_number = true;
        }
    }

    resetButtonLooks();
    const bool skipping = (skip_mode & SKIP_TEXT) || input.ctrl_held;
    if ((text_form || exec_form) && skipping) {
        setResult(0, input.ctrl_held && !(skip_mode & SKIP_TEXT) ? "CTRL" : "SKIP");
    } else {
        skip_mode &= ~SKIP_TEXT;
        buttons.button_index = 0;
        flushText();
        refreshButtons();
        int32_t mode = WAIT_BUTTONS;
        int32_t limit = input.btntime_ms;
        if (limit >= 0 && input.btntime_voice) mode |= WAIT_VOICE;
        input.btn_started = SDL_GetTicks();
        if (text_form) {
            mode |= WAIT_CLICK;
            if (input.btntime_ms < 0 && input.automode) {
                mode |= WAIT_VOICE | WAIT_CLICK;
                const int32_t automode_limit =
                    automode_time >= 0 ? automode_time : -automode_time * text.chars_since_wait;
                limit = limit < 0 ? automode_limit : std::min(limit, automode_limit);
            } else if (input.btntime_ms < 0 && input.autoclick_time > 0) {
                limit = input.autoclick_time;
            }
        }
        input.event_mode = mode | WAIT_ANIMATION;
        runWait(limit);
        skip_mode &= ~SKIP_SHOW_REST;
    }
    input.btn_elapsed = static_cast<int32_t>(SDL_GetTicks() - input.btn_started);
    text.chars_since_wait = 0;

    if (exec_form) {
        if (result_ref.kind == RefString)
            script.variableSlot(result_ref.number).text = input.button_string;
        if (has_number)
            script.setInt(number_ref, input.button_result > 0 ? input.button_result : -1);
    } else {
        script.setInt(result_ref, input.button_result);
    }
    if (deletes && input.button_result > 0) deleteButtons();
    input.event_mode = 0;
    input.resetButtonSwitches();
    buttons.forEach([](ButtonEntry& button) { button.state = ButtonState::Hidden; });
    return RESULT_PROCEED;
}

} // namespace velmora
