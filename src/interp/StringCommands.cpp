// The commands that compare, measure, cut and convert texts: cmp, len, mid,
// atoi, itoa and itoa2.
#include <cstring>

#include "interp/CommandInterpreter.h"
#include "interp/DecimalText.h"

namespace velmora {

int32_t CommandInterpreter::cmpCommand() {
    script.readInteger();
    script.saveVariableRef();
    script.readStr();
    script.copyTokenToSaved();
    script.readStr();
    // strcmp orders by unsigned bytes, so a two-byte character sorts after ASCII.
    const int order = std::strcmp(script.saved_buffer.data(), script.token_buffer.data());
    script.setInt(script.saved_ref, (order > 0) - (order < 0));
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::lenCommand() {
    script.readInteger();
    script.saveVariableRef();
    script.readStr();
    script.setInt(script.saved_ref, script.token_length);
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::midCommand() {
    script.readVariableRef();
    if (script.last_ref.kind != RefString) parseError("mid: no string variable");
    script.saveVariableRef();
    script.readStr();
    script.copyTokenToSaved();
    const int64_t source_length = script.token_length;
    const int64_t start = script.readInteger();
    int64_t length = script.readInteger();

    // Byte offsets: a two-byte character may be cut. A start outside the
    // source or a length below 1 leaves no text; a length past the end is clipped.
    std::string& text = script.variableSlot(script.saved_ref.number).text;
    text.clear();
    if (start < 0 || start >= source_length || length <= 0) return RESULT_PROCEED;
    if (start + length > source_length) length = source_length - start;
    text.assign(script.saved_buffer.data() + start, static_cast<size_t>(length));
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::atoiCommand() {
    script.readInteger();
    script.saveVariableRef();
    script.setInt(script.saved_ref, leadingDecimal(script.readStr()));
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::itoaCommand() {
    script.readVariableRef();
    if (script.last_ref.kind != RefString) parseError("itoa: no string variable.");
    script.saveVariableRef();
    const int32_t value = script.readInteger();
    // itoa2 differs only in name: at its natural width the number has no padding
    // and loses no digits, so both give the plain decimal text.
    char digits[16];
    ScriptStream::formatNumber(digits, value, -1, false);
    ScriptStream::setString(script.variableSlot(script.saved_ref.number).text, digits);
    return RESULT_PROCEED;
}

} // namespace velmora
