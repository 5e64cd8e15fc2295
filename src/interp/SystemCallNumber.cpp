#include "interp/SystemCallNumber.h"

#include <cstdio>
#include <cstring>

namespace velmora {

int32_t systemCallNumber(const char* name) {
    static const struct {
        const char* name;
        int32_t number;
    } calls[] = {{"skip", SYSTEM_CALL_SKIP},
                 {"reset", SYSTEM_CALL_RESET},
                 {"save", SYSTEM_CALL_SAVE},
                 {"load", SYSTEM_CALL_LOAD},
                 {"lookback", SYSTEM_CALL_LOOKBACK},
                 {"windowerase", SYSTEM_CALL_WINDOWERASE},
                 {"rmenu", SYSTEM_CALL_RMENU},
                 {"automode", SYSTEM_CALL_AUTOMODE},
                 {"end", SYSTEM_CALL_END}};
    for (const auto& call : calls)
        if (std::strcmp(name, call.name) == 0) return call.number;
    std::printf("Unsupported system call %s\n", name);
    return SYSTEM_CALL_UNKNOWN;
}

} // namespace velmora
