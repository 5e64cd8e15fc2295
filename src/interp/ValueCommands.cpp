// The commands that assign and compute integers: the mov family, arithmetic,
// fixed-point trigonometry and the clock.
#include <cmath>
#include <ctime>
#include <numbers>
#include <string>

#include "interp/CommandInterpreter.h"

namespace velmora {

namespace {

// movl takes as many values as follow it.
constexpr int32_t NO_VALUE_LIMIT = INT32_MAX;
// The longest text a string variable may reach by appending; one byte more and
// no string expression could read it back.
constexpr size_t MAX_APPENDED_TEXT = TOKEN_BUFFER_SIZE - 2;

// Truncates toward zero; values beyond int32 (tan near an odd multiple of
// 90 degrees) saturate by sign instead of overflowing the conversion.
int32_t truncateSaturating(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0) return INT32_MAX;
    if (value <= -2147483649.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

std::tm localNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

} // namespace

int32_t CommandInterpreter::movCommand() {
    int32_t count = 1;
    if (script.tokenIs("mov10")) {
        count = 10;
    } else if (script.tokenIs("movl")) {
        count = NO_VALUE_LIMIT;
    } else {
        const char* name = script.token_buffer.data();
        if (*name == '_') ++name;
        if (name[3] >= '3' && name[3] <= '9') count = name[3] - '0';
    }

    script.readVariableRef();
    const int32_t kind = script.last_ref.kind;
    if (kind == RefInteger || kind == RefArray) {
        script.saveVariableRef();
        // Values past the count stay unread; the execution loop meets them next.
        for (int32_t i = 0; (script.end_flags & END_COMMA) && i < count; ++i)
            script.setInt(script.saved_ref, script.readInteger(), i);
    } else if (kind == RefString) {
        script.saveVariableRef();
        script.readStr();
        ScriptStream::setString(script.variableSlot(script.saved_ref.number).text,
                                script.token_buffer.data());
    } else {
        parseError("mov: no variable");
    }
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::addCommand() {
    script.readVariableRef();
    const int32_t kind = script.last_ref.kind;
    if (kind == RefInteger || kind == RefArray) {
        const int32_t old = script.valueOfRef(script.last_ref);
        script.saveVariableRef();
        script.setInt(script.saved_ref, wrapAdd(old, script.readInteger()));
    } else if (kind == RefString) {
        script.saveVariableRef();
        script.readStr();
        std::string& text = script.variableSlot(script.saved_ref.number).text;
        const auto appended = static_cast<size_t>(script.token_length);
        if (text.size() + appended > MAX_APPENDED_TEXT)
            script.scriptError("add: string length exceeds 2048 bytes.");
        text.append(script.token_buffer.data(), appended);
    } else {
        parseError("add: no variable.");
    }
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::arithmeticCommand(int32_t op) {
    // The destination is read as an expression so that its reference is recorded.
    const int32_t a = script.readInteger();
    script.saveVariableRef();
    const int32_t b = script.readInteger();
    // The evaluator's operator already wraps and gives 0, with a warning, for a zero divisor.
    script.setInt(script.saved_ref, script.applyOperator(a, op, b));
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::subCommand() {
    return arithmeticCommand(OpMinus);
}
int32_t CommandInterpreter::mulCommand() {
    return arithmeticCommand(OpMult);
}
int32_t CommandInterpreter::divCommand() {
    return arithmeticCommand(OpDiv);
}
int32_t CommandInterpreter::modCommand() {
    return arithmeticCommand(OpMod);
}

int32_t CommandInterpreter::incCommand() {
    const int32_t value = script.readInteger();
    script.setInt(script.last_ref, wrapAdd(value, 1));
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::decCommand() {
    const int32_t value = script.readInteger();
    script.setInt(script.last_ref, wrapSub(value, 1));
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::trigonometryCommand(double (*fn)(double)) {
    script.readInteger();
    script.saveVariableRef();
    const int32_t degrees = script.readInteger();
    script.setInt(script.saved_ref,
                  truncateSaturating(fn(degrees * std::numbers::pi / 180.0) * 1000.0));
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::sinCommand() {
    return trigonometryCommand([](double radians) { return std::sin(radians); });
}
int32_t CommandInterpreter::cosCommand() {
    return trigonometryCommand([](double radians) { return std::cos(radians); });
}
int32_t CommandInterpreter::tanCommand() {
    return trigonometryCommand([](double radians) { return std::tan(radians); });
}

int32_t CommandInterpreter::dateCommand() {
    const std::tm now = localNow();
    const int32_t fields[] = {(now.tm_year + 1900) % 100, now.tm_mon + 1, now.tm_mday};
    for (int32_t field : fields) {
        script.readInteger();
        script.setInt(script.last_ref, field);
    }
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::timeCommand() {
    const std::tm now = localNow();
    const int32_t fields[] = {now.tm_hour, now.tm_min, now.tm_sec};
    for (int32_t field : fields) {
        script.readVariableRef();
        script.setInt(script.last_ref, field);
    }
    return RESULT_PROCEED;
}

} // namespace velmora
