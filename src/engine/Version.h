// The program's version, as the version line and `getversion` report it.
#pragma once

#include <cstdint>

namespace velmora {

// The name the window shows until a game gives it a caption.
constexpr const char* PROGRAM_NAME = "Velmora";
constexpr const char* VERSION_DATE = "20131223";
constexpr int32_t VERSION_MAJOR = 2;
constexpr int32_t VERSION_MINOR = 96;
// The form scripts see: major * 100 + minor.
constexpr int32_t VERSION_NUMBER = VERSION_MAJOR * 100 + VERSION_MINOR;

} // namespace velmora
