#include "interp/SystemCallNumber.h"

#include <cstdio>
#include <cstring>

namespace velmora {

int32_t systemCallNumber(const char* name) {
    static const struct {
        const char* name;
        int32_t number;
    } calls[] = {{"skip", 1},        {"reset", 2}, {"save", 3},     {"load", 4}, {"lookback", 5},
                 {"windowerase", 6}, {"rmenu", 7}, {"automode", 9}, {"end", 10}};
    for (const auto& call : calls)
        if (std::strcmp(name, call.name) == 0) return call.number;
    std::printf("Unsupported system call %s\n", name);
    return -1;
}

} // namespace velmora
