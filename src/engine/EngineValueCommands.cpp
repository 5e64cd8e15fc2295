// The value commands that belong to the engine: random numbers, splitting a
// text into variables, and the version number.
#include <string>

#include "common/ShiftJis.h"
#include "engine/Velmora.h"
#include "engine/Version.h"
#include "interp/DecimalText.h"

namespace velmora {

int32_t Velmora::rndCommand() {
    const bool ranged = script.tokenIs("rnd2");
    script.readInteger();
    script.saveVariableRef();
    int64_t lo = 0;
    int64_t hi = 0;
    if (ranged) {
        lo = script.readInteger();
        hi = script.readInteger();
    } else {
        hi = int64_t{script.readInteger()} - 1;
    }

    // An empty range (rnd of 0 or less, rnd2 with hi below lo) gives its low
    // end rather than a value outside it.
    const int64_t span = hi - lo + 1;
    const int32_t r = random.next();
    int64_t offset = 0;
    if (span > 0) offset = static_cast<int64_t>(r * static_cast<double>(span) / (RANDOM_MAX + 1.0));
    script.setInt(script.saved_ref, static_cast<int32_t>(lo + offset));
    return RESULT_PROCEED;
}

int32_t Velmora::splitCommand() {
    script.readStr();
    const std::string source(script.token_buffer.data(), static_cast<size_t>(script.token_length));
    const char delimiter = script.readStr()[0];

    size_t position = 0;
    while (script.end_flags & END_COMMA) {
        // Only a delimiter that starts a character counts: the second byte of a
        // two-byte character may equal it.
        size_t end = position;
        while (end < source.size() && source[end] != delimiter)
            end += isLeadByte(source[end]) && end + 1 < source.size() ? 2 : 1;
        const std::string piece = source.substr(position, end - position);

        script.readVariableRef();
        if (script.last_ref.kind == RefString)
            ScriptStream::setString(script.variableSlot(script.last_ref.number).text,
                                    piece.c_str());
        else
            script.setInt(script.last_ref, leadingDecimal(piece.c_str()));
        position = end < source.size() ? end + 1 : end;
    }
    return RESULT_PROCEED;
}

int32_t Velmora::getversionCommand() {
    script.readInteger();
    script.setInt(script.last_ref, VERSION_NUMBER);
    return RESULT_PROCEED;
}

} // namespace velmora
