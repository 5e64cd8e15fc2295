// The player's choice of word wrap for translated text (--word-wrap and
// --no-word-wrap), kept in the settings file so that it holds for later runs.
#pragma once

#include <optional>
#include <string_view>

namespace velmora {

class SettingsFile;

// The key of the settings file that keeps the choice, and its two values.
constexpr const char* WORD_WRAP_SETTING = "word-wrap";
constexpr std::string_view WORD_WRAP_ON = "on";
constexpr std::string_view WORD_WRAP_OFF = "off";

struct WordWrapSetting {
    std::optional<bool> enabled; // unset: the settings file decides, and else off

    // Takes the choice from `settings` when the command line made none; a
    // damaged value is passed over.
    void fillFrom(const SettingsFile& settings);
    // Writes a choice the command line made into `settings`; true when that changed them.
    bool storeIn(SettingsFile& settings) const;
    bool on() const { return enabled.value_or(false); }
};

} // namespace velmora
