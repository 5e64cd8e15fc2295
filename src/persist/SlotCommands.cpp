// The commands that ask about slot files: whether a slot exists, when it was
// written, and the save text stored with it.
#include <cstdio>
#include <iterator>

#include "engine/Velmora.h"
#include "persist/FileBuffer.h"
#include "persist/SaveSlots.h"

namespace velmora {

std::string Velmora::slotPath(int32_t slot) const {
    return script.sideFilePath(slotFileName(slot).c_str());
}

std::optional<std::string> Velmora::readSaveStrFromFile(int32_t slot) {
    std::vector<uint8_t> bytes;
    if (!readWholeFile(slotPath(slot), FILE_BUFFER_LIMIT, bytes)) {
        std::fprintf(stderr, "readSaveStrFromFile: can't open save file %s\n",
                     slotFileName(slot).c_str());
        return {};
    }
    return saveTextOf(bytes);
}

int32_t Velmora::savefileexistCommand() {
    script.readVariableRef();
    const VarRef target = script.last_ref;
    const int32_t slot = script.readInteger();
    script.setInt(target, slotInfo(slotPath(slot)).exists ? 1 : 0);
    return RESULT_PROCEED;
}

int32_t Velmora::savetimeCommand() {
    const SaveSlotInfo info = slotInfo(slotPath(script.readInteger()));
    const int32_t fields[] = {info.month, info.day, info.hour, info.minute};
    for (size_t i = 0; i < std::size(fields); ++i) {
        script.readVariableRef();
        // An empty slot clears the month alone; the others are read past.
        if (info.exists)
            script.setInt(script.last_ref, fields[i]);
        else if (i == 0)
            script.setInt(script.last_ref, 0);
    }
    return RESULT_PROCEED;
}

int32_t Velmora::getsavestrCommand() {
    script.readVariableRef();
    const VarRef target = script.last_ref;
    if (target.kind != RefString) parseError("getsavestr: no string variable.");
    const int32_t slot = script.readInteger();
    script.variableSlot(target.number).text = readSaveStrFromFile(slot).value_or("");
    return RESULT_PROCEED;
}

} // namespace velmora
