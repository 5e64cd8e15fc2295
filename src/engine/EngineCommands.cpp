// The control-flow commands of the engine: jumps to ~ marks and through
// label tables, and the commands that start, restart and end the game.
#include <cstring>

#include "common/Exit.h"
#include "engine/Velmora.h"

namespace velmora {

int32_t Velmora::jumpfCommand() {
    const char* from = script.read_position;
    const void* tilde = std::memchr(from, '~', static_cast<size_t>(script.bufferEnd() - from));
    if (!tilde) script.scriptError("jumpf: no ~ follows in the script.");
    jumpToPosition(static_cast<const char*>(tilde) + 1);
    return RESULT_PROCEED;
}

int32_t Velmora::jumpbCommand() {
    if (!tilde_mark) script.scriptError("jumpb: no ~ has been passed.");
    jumpToPosition(tilde_mark);
    return RESULT_PROCEED;
}

int32_t Velmora::tablegotoCommand() {
    const int32_t n = script.readInteger();
    for (int32_t index = 0; script.end_flags & END_COMMA; ++index) {
        const char* label = script.readStr();
        if (index == n) {
            jumpToLabel(labelName(label));
            break;
        }
    }
    return RESULT_PROCEED;
}

void Velmora::resetEngineState() {
    script.clearLocalVariables();
    call_stack.clear();
    resetExecutionState();
    screen.resetPictures();
    btndef_picture.discard();
    clearButtonDefinitions();
    select_list.clear();
    buildBackground();
    resetTextDisplay(false);
    kinsoku.enabled = true;
    sound.stopEffects();
}

void Velmora::restartGame() {
    resetEngineState();
    jumpToLabel("start");
    takeSaveImage();
}

int32_t Velmora::gameCommand() {
    in_define_section = false;
    lookback.create(max_pages);
    restartGame();
    // After the reset, which empties every picture slot.
    for (int32_t cursor = 0; cursor < 2; ++cursor) setCursorImage(cursor, nullptr, 0, 0, false);
    loadDefaultLookbackPictures();
    return RESULT_PROCEED;
}

int32_t Velmora::resetCommand() {
    restartGame();
    return RESULT_PROCEED;
}

void Velmora::definereset() {
    writeGlobalVariables(); // when globalon
    // The logs and marks are cleared below; what was collected is kept first.
    writeLogsAndMarks();
    script.resetScriptState();
    resetDefineSettings();
    resetControlFlowSettings();
    resetEngineState();
    resetTextDisplay(true);
    getret_str.clear();
    input.getret_value = 0;
    // The define section names the lookback arrows again, or `game` loads the
    // defaults; until `game` there is no page history.
    for (AnimImage& arrow : screen.lookback_images) arrow.discard();
    lookback.create(0);
    jumpToLabel("define");
    readGlobalVariables();
    in_define_section = true;
}

int32_t Velmora::defineresetCommand() {
    definereset();
    return RESULT_PROCEED;
}

int32_t Velmora::endCommand() {
    writeQuitFiles();
    // An external MIDI player is a process of its own: it must not outlive the game.
    sound.close();
    if (cdrom) {
        SDL_CDStop(cdrom);
        SDL_CDClose(cdrom);
        cdrom = nullptr;
    }
    exitProcess(0);
}

} // namespace velmora
