// Commands that ask about the game's files.
#include "engine/Velmora.h"

namespace velmora {

// A resource exists when the current reader finds it, loose or in an archive.
int32_t Velmora::fileexistCommand() {
    script.readInteger();
    script.saveVariableRef();
    const char* name = script.readStr();
    script.setInt(script.saved_ref, script.reader->fileLength(name) != 0 ? 1 : 0);
    return RESULT_PROCEED;
}

} // namespace velmora
