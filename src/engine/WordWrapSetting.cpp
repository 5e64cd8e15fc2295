#include "engine/WordWrapSetting.h"

#include <string>

#include "persist/SettingsFile.h"

namespace velmora {

void WordWrapSetting::fillFrom(const SettingsFile& settings) {
    if (enabled) return;
    const std::optional<std::string> value = settings.get(WORD_WRAP_SETTING);
    if (value == WORD_WRAP_ON)
        enabled = true;
    else if (value == WORD_WRAP_OFF)
        enabled = false;
}

bool WordWrapSetting::storeIn(SettingsFile& settings) const {
    if (!enabled) return false;
    const std::string_view value = *enabled ? WORD_WRAP_ON : WORD_WRAP_OFF;
    const bool changed = settings.get(WORD_WRAP_SETTING) != value;
    settings.set(WORD_WRAP_SETTING, value);
    return changed;
}

} // namespace velmora
