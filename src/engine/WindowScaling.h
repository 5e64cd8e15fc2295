// Window scaling: how many times larger than the screen surface the window
// opens, and whether the media layer enlarges it smoothly or pixel-exactly.
// The media layer does the scaling (and letterboxes in full screen), and it
// hands mouse positions back in screen-surface pixels, so the engine's
// surfaces and coordinates stay as they are at any factor.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace velmora {

class SettingsFile;

constexpr int32_t MIN_WINDOW_SCALE = 1;
constexpr int32_t MAX_WINDOW_SCALE = 8;
// The keys of the settings file that keep the choice for the next runs.
constexpr const char* SCALE_SETTING = "scale";
constexpr const char* SCALE_FILTER_SETTING = "scale-filter";

enum class ScaleFilter {
    Smooth, // linear filtering: soft edges, no uneven pixels at any size
    Sharp,  // nearest pixel: every screen pixel becomes a block of window pixels
};

// The factor from its decimal text; nothing when it is not a whole number in
// [MIN_WINDOW_SCALE, MAX_WINDOW_SCALE].
std::optional<int32_t> parseScaleFactor(std::string_view text);
// "smooth" or "sharp"; nothing for any other text.
std::optional<ScaleFilter> parseScaleFilter(std::string_view text);
const char* scaleFilterName(ScaleFilter filter);

// A choice of scaling; what is unset is left to the media layer (and to the
// environment the player started the engine in).
struct WindowScaling {
    std::optional<int32_t> factor;
    std::optional<ScaleFilter> filter;

    // Takes what is unset here from `settings`; damaged values are passed over.
    void fillFrom(const SettingsFile& settings);
    // Writes what is set here into `settings`; true when that changed them.
    bool storeIn(SettingsFile& settings) const;
    // Hands the choice to the media layer; must come before SDL_Init.
    void request() const;
};

// The size of the window the media layer opened, in window pixels; false when
// the layer does not tell (it is not the compatibility layer, or no window).
bool measureWindowSize(int& width, int& height);

} // namespace velmora
