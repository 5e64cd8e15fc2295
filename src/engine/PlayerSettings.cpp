// The player's settings at start: window scaling and word wrap chosen from the
// command line and the settings file, the scaling handed to the media layer,
// and the window that results reported.
#include <cstdio>
#include <string>

#include "engine/Velmora.h"
#include "persist/SettingsFile.h"

namespace velmora {

void Velmora::settlePlayerSettings() {
    // Kept next to envdata, where the game's other preferences are.
    const std::string path = script.archive_path + SETTINGS_FILE_NAME;
    SettingsFile settings = SettingsFile::load(path);
    const bool scaling_changed = window_scaling.storeIn(settings);
    const bool wrap_changed = word_wrap.storeIn(settings);
    // Failing to save only costs the next run these choices.
    if ((scaling_changed || wrap_changed) && !settings.save(path))
        std::fprintf(stderr, "can't write the settings to %s\n", path.c_str());
    window_scaling.fillFrom(settings);
    word_wrap.fillFrom(settings);
    window_scaling.request();
}

void Velmora::reportWindowScaling() {
    const int32_t factor = window_scaling.factor.value_or(MIN_WINDOW_SCALE);
    if (factor == MIN_WINDOW_SCALE) return;
    const std::string filter =
        window_scaling.filter ? std::string(", ") + scaleFilterName(*window_scaling.filter) : "";
    int width = 0;
    int height = 0;
    if (measureWindowSize(width, height))
        std::printf("Window: %d x %d (scaled %dx%s)\n", width, height, factor, filter.c_str());
    else
        std::printf("Window: scaled %dx%s\n", factor, filter.c_str());
}

} // namespace velmora
