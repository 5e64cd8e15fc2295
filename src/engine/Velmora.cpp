#include "engine/Velmora.h"

#include "common/Exit.h"
#include "script/KeyTable.h"

namespace velmora {

Velmora::Velmora() {
    buildCommandIndex();
}

int32_t Velmora::prepareScript() {
    if (script_prepared) return 0;
    script_prepared = true;

    std::array<uint8_t, 256> key_table{};
    bool have_key_table = !key_exe_file.empty() && createKeyTable(key_exe_file, key_table);
    script.installKeyTable(have_key_table ? key_table.data() : nullptr);

    script.archive_path = archive_path;
    if (script.loadScript(archive_path) != 0) return -1;
    screen_width = script.screen_width;
    screen_height = script.screen_height;
    return 0;
}

int32_t Velmora::initialise() {
    definereset();
    fetchToken();
    return 0;
}

void Velmora::definereset() {
    script.resetScriptState();
    current_line = 0;
    token_offset = 0;
    tilde_mark = nullptr;
    skipping_to_next = false;
    jumpToLabel("define");
    in_define_section = true;
}

int32_t Velmora::gameCommand() {
    requireDefineSection("game: not in the define section");
    in_define_section = false;
    script.clearLocalVariables();
    jumpToLabel("start");
    return RESULT_PROCEED;
}

int32_t Velmora::endCommand() {
    exitProcess(0);
}

int32_t Velmora::defineresetCommand() {
    definereset();
    return RESULT_PROCEED;
}

} // namespace velmora
