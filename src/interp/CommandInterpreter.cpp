#include "interp/CommandInterpreter.h"

namespace velmora {

void CommandInterpreter::parseError(const char* message, const char* detail) const {
    reportParseError(current_label.name.c_str(), current_line, message, detail);
}

void CommandInterpreter::requireDefineSection(const char* message) const {
    if (!in_define_section) parseError(message);
}

void CommandInterpreter::jumpToLabel(const std::string& name) {
    current_label = script.labelNamed(name);
    current_line = script.lineInLabel(current_label.body);
    script.jumpTo(current_label.body);
}

void CommandInterpreter::jumpToPosition(const char* pos) {
    script.jumpTo(pos);
    current_label = script.labelAt(pos);
    current_line = script.lineInLabel(pos);
}

} // namespace velmora
