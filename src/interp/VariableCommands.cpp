// The define-section commands that shape the variable store: intlimit, dim,
// numalias and stralias.
#include <string>

#include "interp/CommandInterpreter.h"

namespace velmora {

int32_t CommandInterpreter::intlimitCommand() {
    const int32_t n = script.readInteger();
    const int32_t lower = script.readInteger();
    const int32_t upper = script.readInteger();
    VariableSlot& slot = script.variableSlot(n);
    slot.limited = true;
    slot.lower = lower;
    slot.upper = upper;
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::dimCommand() {
    script.declareArray();
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::numaliasCommand() {
    script.readLabelToken();
    script.copyTokenToSaved();
    const int32_t value = script.readInteger();
    script.addNumAlias(script.saved_buffer.data(), value);
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::straliasCommand() {
    script.readLabelToken();
    script.copyTokenToSaved();
    const std::string text = script.readStr();
    script.addStrAlias(script.saved_buffer.data(), text);
    return RESULT_PROCEED;
}

} // namespace velmora
