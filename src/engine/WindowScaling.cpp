#include "engine/WindowScaling.h"

#include <dlfcn.h>

#include <charconv>
#include <cstdlib>
#include <string>

#include "persist/SettingsFile.h"

namespace velmora {

namespace {

// The hints the 1.2 compatibility layer reads when it opens the window.
constexpr const char* SCALING_HINT = "SDL12COMPAT_WINDOW_SCALING";
constexpr const char* METHOD_HINT = "SDL12COMPAT_SCALE_METHOD";
// The layer's names for the filters.
constexpr const char* LINEAR_METHOD = "linear";
constexpr const char* NEAREST_METHOD = "nearest";
// How the layer's window is reached: its own accessor, and the SDL 2 runtime
// it loaded.
constexpr const char* LAYER_WINDOW_FUNCTION = "SDL12COMPAT_GetWindow";
constexpr const char* RUNTIME_LIBRARY = "libSDL2-2.0.so.0";
constexpr const char* WINDOW_SIZE_FUNCTION = "SDL_GetWindowSize";

constexpr std::string_view SMOOTH_NAME = "smooth";
constexpr std::string_view SHARP_NAME = "sharp";

} // namespace

std::optional<int32_t> parseScaleFactor(std::string_view text) {
    int32_t factor = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, factor);
    if (text.empty() || error != std::errc{} || stop != end) return std::nullopt;
    if (factor < MIN_WINDOW_SCALE || factor > MAX_WINDOW_SCALE) return std::nullopt;
    return factor;
}

std::optional<ScaleFilter> parseScaleFilter(std::string_view text) {
    if (text == SMOOTH_NAME) return ScaleFilter::Smooth;
    if (text == SHARP_NAME) return ScaleFilter::Sharp;
    return std::nullopt;
}

const char* scaleFilterName(ScaleFilter filter) {
    return filter == ScaleFilter::Sharp ? SHARP_NAME.data() : SMOOTH_NAME.data();
}

void WindowScaling::fillFrom(const SettingsFile& settings) {
    if (!factor) factor = settings.getInt(SCALE_SETTING, MIN_WINDOW_SCALE, MAX_WINDOW_SCALE);
    if (!filter) {
        if (const auto name = settings.get(SCALE_FILTER_SETTING)) filter = parseScaleFilter(*name);
    }
}

bool WindowScaling::storeIn(SettingsFile& settings) const {
    bool changed = false;
    if (factor) {
        const std::string text = std::to_string(*factor);
        changed |= settings.get(SCALE_SETTING) != text;
        settings.set(SCALE_SETTING, text);
    }
    if (filter) {
        const std::string name = scaleFilterName(*filter);
        changed |= settings.get(SCALE_FILTER_SETTING) != name;
        settings.set(SCALE_FILTER_SETTING, name);
    }
    return changed;
}

void WindowScaling::request() const {
    if (factor) setenv(SCALING_HINT, std::to_string(*factor).c_str(), 1);
    if (filter)
        setenv(METHOD_HINT, *filter == ScaleFilter::Sharp ? NEAREST_METHOD : LINEAR_METHOD, 1);
}

bool measureWindowSize(int& width, int& height) {
    using LayerWindow = void* (*)();
    using WindowSize = void (*)(void*, int*, int*);
    auto layer_window = reinterpret_cast<LayerWindow>(dlsym(RTLD_DEFAULT, LAYER_WINDOW_FUNCTION));
    if (!layer_window) return false;
    // Only a runtime the layer has already loaded is asked; none is loaded here.
    void* runtime = dlopen(RUNTIME_LIBRARY, RTLD_LAZY | RTLD_NOLOAD);
    if (!runtime) return false;
    auto window_size = reinterpret_cast<WindowSize>(dlsym(runtime, WINDOW_SIZE_FUNCTION));
    void* window = layer_window();
    const bool measured = window_size && window;
    if (measured) window_size(window, &width, &height);
    dlclose(runtime);
    return measured;
}

} // namespace velmora
