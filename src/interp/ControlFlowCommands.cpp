// The control-flow commands of the interpreter: label jumps and subroutines,
// relative line skips, counted loops, conditions, subroutine parameters, user
// commands and the hook labels of the text display and of loading.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "interp/CommandInterpreter.h"

namespace velmora {

namespace {

const char* skipBlanks(const char* p) {
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

enum class Comparison { None, GreaterEqual, LessEqual, Equal, NotEqual, Less, Greater };

// Reads a comparison operator at the read position; None reads nothing.
Comparison readComparison(ScriptStream& script) {
    struct Operator {
        const char* text;
        Comparison comparison;
    };
    // Two-byte operators first, so "<=" is not read as '<'.
    static constexpr Operator OPERATORS[] = {
        {">=", Comparison::GreaterEqual}, {"<=", Comparison::LessEqual}, {"==", Comparison::Equal},
        {"!=", Comparison::NotEqual},     {"<>", Comparison::NotEqual},  {"<", Comparison::Less},
        {">", Comparison::Greater},       {"=", Comparison::Equal},
    };
    const char* p = skipBlanks(script.read_position);
    for (const Operator& op : OPERATORS) {
        size_t length = std::strlen(op.text);
        if (std::strncmp(p, op.text, length) == 0) {
            script.read_position = p + length;
            return op.comparison;
        }
    }
    script.read_position = p;
    return Comparison::None;
}

// Whether `order` (negative, zero or positive, as left minus right) satisfies it.
bool holds(Comparison comparison, int order) {
    switch (comparison) {
    case Comparison::GreaterEqual: return order >= 0;
    case Comparison::LessEqual: return order <= 0;
    case Comparison::Equal: return order == 0;
    case Comparison::NotEqual: return order != 0;
    case Comparison::Less: return order < 0;
    case Comparison::Greater: return order > 0;
    case Comparison::None: break;
    }
    return false;
}

// Whether a loop at `value` with that step and limit runs its body.
bool loopContinues(int64_t value, int32_t to, int32_t step) {
    return (step <= 0 || value <= to) && (step >= 0 || to <= value);
}

// Declares the user command named by the next label token; the first
// declaration of a name stays in force.
void declareUserCommand(CommandInterpreter& interpreter, bool lua) {
    const char* name = interpreter.script.readLabelToken();
    if (name[0] < 'a' || name[0] > 'z' || interpreter.findUserCommand(name)) return;
    interpreter.user_commands[static_cast<size_t>(name[0] - 'a')].push_back({name, lua});
}

// Pushes a frame, or stops the game when the stack is full: endless
// recursion ends with a message naming where it happened instead of
// exhausting memory. `what` and `label` name the command or call that nests.
CallFrame& pushFrame(CommandInterpreter& interpreter, FrameKind kind, const char* what,
                     const std::string& label = {}) {
    if (interpreter.call_stack.full()) {
        const std::string message = "the call stack is full (" +
                                    std::to_string(CallStack::MAX_DEPTH) + " frames) at " + what +
                                    label;
        interpreter.parseError(message.c_str());
    }
    return interpreter.call_stack.push(kind);
}

} // namespace

// ---- Labels and subroutines ----

void CommandInterpreter::callSubroutine(const std::string& label, const char* return_position,
                                        CallKind call) {
    CallFrame& frame = pushFrame(*this, FrameKind::Gosub, "a call of *", label);
    frame.address = return_position;
    frame.call = call;
    call_stack.markReturnSlot();
    if (call == CallKind::TextWait) frame.resume = script.wait_mark;
    jumpToLabel(label);
}

int32_t CommandInterpreter::gotoCommand() {
    jumpToLabel(labelName(script.readStr()));
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::gosubCommand() {
    const std::string label = labelName(script.readStr());
    callSubroutine(label, script.read_position, CallKind::Plain);
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::returnCommand() {
    if (!call_stack.topIs(FrameKind::Gosub)) parseError("return: not in gosub");
    const CallFrame frame = *call_stack.top();
    const char* argument = script.readStr();
    const bool to_label = argument[0] == '*';
    if (to_label)
        jumpToLabel(labelName(argument));
    else
        jumpToPosition(frame.address);
    call_stack.pop();
    if (frame.call == CallKind::TextWait) {
        if (frame.resume && !to_label) {
            script.jumpTo(frame.resume);
        } else {
            line_enter_state = 0;
            pagetag_started = false;
        }
    }
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::skipCommand() {
    const int32_t n = script.readInteger();
    const int64_t line = int64_t{current_label.first_line} + current_line + n;
    // Lines before the first label belong to no label, and the sentinel's
    // line is the end of the buffer: neither can be jumped to.
    const std::vector<LabelEntry>& labels = script.labelTable();
    if (labels.size() < 2 || line < labels.front().first_line || line >= labels.back().first_line) {
        char message[64];
        std::snprintf(message, sizeof message, "skip: line %" PRId64 " is outside the script.",
                      line);
        script.scriptError(message);
    }
    jumpToPosition(script.addressOfLine(static_cast<int32_t>(line)));
    return RESULT_PROCEED;
}

// ---- Loops ----

int32_t CommandInterpreter::forCommand() {
    CallFrame& frame = pushFrame(*this, FrameKind::For, "for");

    script.readVariableRef();
    if (script.last_ref.kind != RefInteger) parseError("for: no integer variable.");
    frame.var_number = script.last_ref.number;
    script.saveVariableRef();

    if (!script.nextIsKeyword("=")) parseError("for: missing '='");
    ++script.read_position;
    const int32_t from = script.readInteger();
    script.setInt(script.saved_ref, from);

    if (!script.nextIsKeyword("to")) parseError("for: missing 'to'");
    script.readLabelToken();
    frame.to = script.readInteger();

    frame.step = 1;
    if (script.nextIsKeyword("step")) {
        script.readLabelToken();
        frame.step = script.readInteger();
    }
    frame.address = script.read_position;

    // The first test uses the start value as written, before any intlimit clamp.
    if (!loopContinues(from, frame.to, frame.step)) skipping_to_next = true;
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::nextCommand() {
    if (!call_stack.topIs(FrameKind::For)) parseError("next: not in for loop\n");
    const CallFrame& frame = *call_stack.top();
    if (!skipping_to_next) {
        // Stepped in 64 bits: a value that leaves the int32 range ends the loop
        // at the nearest end of the range instead of wrapping into another pass.
        const int64_t stepped = int64_t{script.variableSlot(frame.var_number).value} + frame.step;
        const bool in_range = stepped >= INT32_MIN && stepped <= INT32_MAX;
        const int32_t stored = in_range              ? static_cast<int32_t>(stepped)
                               : stepped > INT32_MAX ? INT32_MAX
                                                     : INT32_MIN;
        script.setNumber(frame.var_number, stored);
        if (in_range &&
            loopContinues(script.variableSlot(frame.var_number).value, frame.to, frame.step)) {
            jumpToPosition(frame.address);
            return RESULT_PROCEED;
        }
    }
    skipping_to_next = false;
    call_stack.pop();
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::breakCommand() {
    if (!call_stack.topIs(FrameKind::For)) parseError("break: not in for loop\n");
    if (*script.read_position == '*') {
        call_stack.pop();
        jumpToLabel(labelName(script.readStr()));
    } else {
        skipping_to_next = true;
    }
    return RESULT_PROCEED;
}

// ---- Conditions ----

int32_t CommandInterpreter::ifCommand() {
    enum class Mode { None, And, Or };
    const bool inverse = script.tokenIs("notif");
    Mode mode = Mode::None;
    bool any = false;
    bool condition = false;

    for (;;) {
        if (script.nextIsKeyword("fchk")) {
            script.readLabelToken();
            condition = script.findInLog(script.file_log, script.readStr(), false) >= 0;
        } else if (script.nextIsKeyword("lchk")) {
            script.readLabelToken();
            condition = script.findInLog(script.label_log, labelName(script.readStr()), false) >= 0;
        } else {
            const char* operand = script.read_position;
            const int32_t left = script.readInteger();
            if (script.last_ref.kind & (RefInteger | RefArray)) {
                const Comparison comparison = readComparison(script);
                if (comparison != Comparison::None) {
                    const int32_t right = script.readInteger();
                    condition = holds(comparison, (left > right) - (left < right));
                }
            } else {
                script.jumpTo(operand);
                script.readStr();
                script.copyTokenToSaved();
                const Comparison comparison = readComparison(script);
                if (comparison != Comparison::None) {
                    const char* right = script.readStr();
                    condition = holds(comparison, std::strcmp(script.saved_buffer.data(), right));
                }
            }
        }
        if (inverse) condition = !condition;
        any = any || condition;

        script.read_position = skipBlanks(script.read_position);
        if (*script.read_position == '|') {
            if (mode == Mode::And)
                parseError("if: using & and | at the same time is not supported.");
            while (*script.read_position == '|') ++script.read_position;
            mode = Mode::Or;
            continue;
        }
        if (!(mode == Mode::Or ? any : condition)) return RESULT_DROP_LINE;
        if (*script.read_position == '&') {
            if (mode == Mode::Or)
                parseError("if: using & and | at the same time is not supported.");
            while (*script.read_position == '&') ++script.read_position;
            mode = Mode::And;
            continue;
        }
        return RESULT_PROCEED;
    }
}

// ---- Subroutine parameters ----

int32_t CommandInterpreter::getparamCommand() {
    if (!call_stack.topIs(FrameKind::Gosub)) parseError("getparam: not in a subroutine");
    const bool clear_leftovers = script.tokenIs("getparam2");
    CallFrame& frame = *call_stack.top();

    bool destination_comma = false;
    bool caller_comma = true;
    while (caller_comma) {
        script.readVariableRef();
        destination_comma = (script.end_flags & END_COMMA) != 0;
        script.saveVariableRef();
        const VarRef destination = script.saved_ref;

        script.pushPosition(frame.address);
        bool read_argument = true;
        if (destination.kind & RefPointer) {
            script.readVariableRef();
            const int32_t number = script.last_ref.number;
            script.setInt(destination, number);
        } else if (destination.kind & (RefInteger | RefArray)) {
            const int32_t value = script.readInteger();
            script.setInt(destination, value);
        } else if (destination.kind & RefString) {
            const char* text = script.readStr();
            ScriptStream::setString(script.variableSlot(destination.number).text, text);
        } else {
            read_argument = false;
        }
        // Without a destination nothing of the caller is consumed, which ends the list.
        caller_comma = read_argument && (script.end_flags & END_COMMA) != 0;
        frame.address = script.read_position;
        script.popPosition();
    }

    if (clear_leftovers) {
        while (destination_comma) {
            script.readVariableRef();
            destination_comma = (script.end_flags & END_COMMA) != 0;
            const VarRef& destination = script.last_ref;
            if (destination.kind & (RefPointer | RefInteger | RefArray))
                script.setInt(destination, 0);
            else if (destination.kind & RefString)
                script.variableSlot(destination.number).text.clear();
        }
    }
    return RESULT_PROCEED;
}

// ---- User commands ----

const CommandInterpreter::UserCommand* CommandInterpreter::findUserCommand(const char* name) const {
    if (name[0] < 'a' || name[0] > 'z') return nullptr;
    for (const UserCommand& command : user_commands[static_cast<size_t>(name[0] - 'a')])
        if (command.name == name) return &command;
    return nullptr;
}

int32_t CommandInterpreter::defsubCommand() {
    declareUserCommand(*this, false);
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::luasubCommand() {
    declareUserCommand(*this, true);
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::luacallCommand() {
    script.readLabelToken();
    return RESULT_PROCEED;
}

// ---- Hook labels ----

int32_t CommandInterpreter::textgosubCommand() {
    textgosub_label = labelName(script.readStr());
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::pretextgosubCommand() {
    pretextgosub_label = labelName(script.readStr());
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::loadgosubCommand() {
    loadgosub_label = labelName(script.readStr());
    return RESULT_PROCEED;
}

void CommandInterpreter::resetControlFlowSettings() {
    textgosub_label.clear();
    pretextgosub_label.clear();
    loadgosub_label.clear();
    for (std::vector<UserCommand>& list : user_commands) list.clear();
}

void CommandInterpreter::resetExecutionState() {
    skipping_to_next = false;
    tilde_mark = nullptr;
    token_offset = 0;
    line_enter_state = 0;
    pagetag_started = false;
}

} // namespace velmora
