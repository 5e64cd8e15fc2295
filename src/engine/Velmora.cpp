#include "engine/Velmora.h"

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
    readEnvironmentFile();
    definereset();
    fetchToken();
    return 0;
}

} // namespace velmora
