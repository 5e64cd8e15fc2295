// Fatal reports of the script layer.
#include <algorithm>

#include "common/Exit.h"
#include "script/ScriptStream.h"

namespace velmora {

void reportParseError(const char* label, int32_t line, const char* message, const char* detail) {
    if (detail)
        std::fprintf(stderr, " *** Parse error at %s:%d [%s]; %s ***\n", label, line, message,
                     detail);
    else
        std::fprintf(stderr, " *** Parse error at %s:%d [%s] ***\n", label, line, message);
    exitProcess(-1);
}

void ScriptStream::scriptError(const char* message) const {
    const char* label = "(loading)";
    int32_t line = 0;
    if (labels_ready && token_start) {
        label = labelAt(token_start).name.c_str();
        line = lineInLabel(token_start);
    } else if (token_start >= bufferStart() && token_start <= bufferEnd()) {
        // Before the label table exists, the script-wide line is the best context.
        line = countLineFeeds(bufferStart(), token_start);
    }
    std::fprintf(stderr, " **** Script error at %s:%d, %s [%s] ***\n", label, line, message,
                 token_buffer.data());
    exitProcess(-1);
}

} // namespace velmora
