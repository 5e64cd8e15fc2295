#include "interp/CommandTable.h"

namespace velmora {

const CommandEntry command_table[] = {
    {"stralias", &Velmora::straliasCommand},
    {"numalias", &Velmora::numaliasCommand},
    {"intlimit", &Velmora::intlimitCommand},
    {"game", &Velmora::gameCommand},
    {"end", &Velmora::endCommand},
    {"dim", &Velmora::dimCommand},
    {"definereset", &Velmora::defineresetCommand},
    {"", nullptr},
};

// The range of a letter runs from its first entry to its last, so an entry of
// another letter placed inside it is harmless: names are compared whole.
void Velmora::buildCommandIndex() {
    for (int32_t i = 0; command_table[i].handler; ++i) {
        char first = command_table[i].name[0];
        if (first < 'a' || first > 'z') continue;
        IndexRange& range = command_index[first - 'a'];
        if (range.start < 0) range.start = i;
        range.count = i - range.start + 1;
    }
}

} // namespace velmora
