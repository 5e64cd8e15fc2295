// The script-level half of the engine: execution position, the commands that
// shape variables and control flow, and the parse-error report.
#pragma once

#include <cstdint>
#include <string>

#include "script/ScriptStream.h"

namespace velmora {

// Result codes of command handlers, the text display and Parseline.
constexpr int32_t RESULT_DROP_LINE = 1; // the rest of the line is not executed
constexpr int32_t RESULT_PROCEED = 2;   // ordinary completion
constexpr int32_t RESULT_LINE_DONE = 8; // the current line has ended

class CommandInterpreter {
  public:
    // Prints " *** Parse error at label:line [message] ***" and ends the process.
    [[noreturn]] void parseError(const char* message, const char* detail = nullptr) const;
    // Stops with `message` as a parse error unless the define section is running.
    void requireDefineSection(const char* message) const;

    // Makes the label current and reads on from its body.
    void jumpToLabel(const std::string& name);
    // Reads on from pos, making the label that contains it current.
    void jumpToPosition(const char* pos);

    // ---- Control flow: call stack, user commands, jumps, loops, conditions ----

    // ---- Value commands ----

    // ---- Define-section settings ----

    // ---- Global variables, environment file, read marks and logs ----

    // Define-section commands of the variable store.
    int32_t intlimitCommand();
    int32_t dimCommand();
    int32_t numaliasCommand();
    int32_t straliasCommand();

    ScriptStream script;

    LabelEntry current_label;         // the label being executed; a null body ends the script
    int32_t current_line = 0;         // line within current_label, 0 on the label's own line
    int32_t token_offset = 0;         // bytes of the current text token already shown
    const char* tilde_mark = nullptr; // just after the last '~' passed; target of jumpb
    bool skipping_to_next = false;    // pass over statements until a `next`
    bool in_define_section = false;   // from definereset until game
};

} // namespace velmora
