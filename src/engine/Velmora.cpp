#include "engine/Velmora.h"

#include <cstdlib>

#include "archive/VlaReader.h"
#include "script/KeyTable.h"

namespace velmora {

Velmora::Velmora() {
    // Loose files until prepareScript finds the game's archives.
    script.reader = std::make_unique<DirectReader>();
    picture_loader = std::make_unique<PictureLoader>(*script.reader);
    picture_loader->setFileLog([this](const std::string& name) {
        if (filelog_on) script.findInLog(script.file_log, name.c_str(), true);
    });
    if (const char* command = std::getenv("MUSIC_CMD")) music_cmd = command;
    sound.reader = [this] { return script.reader.get(); };
    sound.scratch_directory = [this] { return save_dir.empty() ? archive_path : save_dir; };
}

Velmora::~Velmora() {
    sound.close();
    if (media_started) shutdownMediaLayer();
}

int32_t Velmora::prepareScript() {
    if (script_prepared) return 0;
    script_prepared = true;

    std::array<uint8_t, 256> key_table{};
    bool have_key_table = !key_exe_file.empty() && createKeyTable(key_exe_file, key_table);
    script.installKeyTable(have_key_table ? key_table.data() : nullptr);

    // At start-up only arc.sar and the vl2 archives are looked for.
    const std::array<uint8_t, 256>* key = have_key_table ? &key_table : nullptr;
    auto archives = std::make_unique<VlaReader>(0, archive_path, ARCHIVE_KIND_VL2, key);
    if (archives->openArchive(vla_dir) == 0)
        script.reader = std::move(archives);
    else
        script.reader = std::make_unique<DirectReader>(archive_path, key);

    script.archive_path = archive_path;
    if (script.loadScript(archive_path) != 0) return -1;
    screen_width = script.screen_width;
    screen_height = script.screen_height;
    return 0;
}

} // namespace velmora
