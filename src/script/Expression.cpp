// The expression evaluator of the ScriptStream: integer operands, operators
// with two precedence levels, array references and string operands.
// Every scanner stops at the 0 byte that ends the script buffer.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/Exit.h"
#include "common/ShiftJis.h"
#include "script/ScriptStream.h"

namespace velmora {

namespace {

// Nesting of operands, parentheses, array indices and string conditions that
// one evaluation may reach; deeper input would only exhaust the stack.
constexpr int32_t MAX_EXPRESSION_DEPTH = 256;
// Bytes of a string alias name; further identifier bytes are left unread.
constexpr size_t MAX_STR_ALIAS_NAME = 511;

int32_t expression_depth = 0;

// Counts one level of nesting for as long as it lives.
class DepthGuard {
  public:
    explicit DepthGuard(const ScriptStream& stream) {
        if (expression_depth >= MAX_EXPRESSION_DEPTH)
            stream.scriptError("Expression nested too deeply.");
        ++expression_depth;
    }
    ~DepthGuard() { --expression_depth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;
};

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isIdentifierByte(char c) {
    return isLetter(c) || isDigit(c);
}
bool isBlank(char c) {
    return c == ' ' || c == '\t';
}
char lowerCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

int32_t ScriptStream::parseOperand(const char*& p) {
    DepthGuard guard(*this);
    p = skipBlanks(p);

    if (*p == '%') {
        ++p;
        const int32_t n = parseOperand(p);
        last_ref.number = n;
        last_ref.kind = RefInteger;
        p = skipBlanks(p);
        return variableSlot(n).value;
    }
    if (*p == '?') {
        parseArray(p);
        last_ref.kind = RefArray;
        p = skipBlanks(p);
        return arrayCell(last_ref.number, last_ref, 0);
    }

    const char* start = p;
    if (isDigit(*p)) {
        uint32_t number = 0;
        while (isDigit(*p)) number = number * 10u + static_cast<uint32_t>(*p++ - '0');
        last_ref.kind = RefInteger | RefConstant;
        p = skipBlanks(p);
        return static_cast<int32_t>(number);
    }
    if (isLetter(*p)) {
        std::string name;
        while (isIdentifierByte(*p)) name.push_back(lowerCase(*p++));
        const NumAlias* alias = findNumAlias(name);
        if (!alias) {
            last_ref.kind = 0;
            p = start;
            return 0;
        }
        last_ref.kind = RefInteger | RefConstant;
        p = skipBlanks(p);
        return alias->value;
    }
    last_ref.kind = 0;
    return 0;
}

int32_t ScriptStream::parseOpTerm(const char*& p, bool want_operator, int32_t& op) {
    p = skipBlanks(p);
    const char* start = p;
    bool negate = false;
    op = OpNone;

    if (want_operator) {
        switch (*p) {
        case '+': op = OpPlus; break;
        case '-': op = OpMinus; break;
        case '*': op = OpMult; break;
        case '/': op = OpDiv; break;
        case 'm':
            if (p[1] == 'o' && p[2] == 'd' &&
                (isBlank(p[3]) || p[3] == '$' || p[3] == '%' || p[3] == '?' || isDigit(p[3])))
                op = OpMod;
            break;
        default: break;
        }
        if (op == OpNone) return 0;
        p += (op == OpMod) ? 3 : 1;
        p = skipBlanks(p);
    } else if (*p == '-') {
        negate = true;
        p = skipBlanks(p + 1);
    }

    int32_t value = 0;
    if (*p == '(') {
        ++p;
        value = evalIntExpr(p);
        if (negate) value = wrapNeg(value);
        p = skipBlanks(p);
        if (*p != ')') scriptError("Missing ')' in expression");
        ++p;
    } else {
        value = parseOperand(p);
        if (negate) value = wrapNeg(value);
        if (last_ref.kind == 0) {
            op = OpNone;
            p = start;
        }
    }
    p = skipBlanks(p);
    return value;
}

int32_t ScriptStream::evalIntExpr(const char*& p) {
    DepthGuard guard(*this);
    p = skipBlanks(p);

    int32_t op1 = OpNone;
    int32_t op2 = OpNone;
    int32_t a = parseOpTerm(p, false, op1);
    int32_t b = parseOpTerm(p, true, op1);
    if (op1 == OpNone) return a;

    for (;;) {
        const int32_t c = parseOpTerm(p, true, op2);
        if (op2 == OpNone) break;
        const bool first_is_additive = op1 == OpPlus || op1 == OpMinus;
        const bool second_is_multiplicative = op2 == OpMult || op2 == OpDiv || op2 == OpMod;
        if (first_is_additive && second_is_multiplicative) {
            b = applyOperator(b, op2, c);
        } else {
            a = applyOperator(a, op1, b);
            op1 = op2;
            b = c;
        }
    }
    return applyOperator(a, op1, b);
}

int32_t ScriptStream::applyOperator(int32_t x, int32_t op, int32_t y) {
    last_ref.kind = RefInteger | RefConstant;
    switch (op) {
    case OpPlus: return wrapAdd(x, y);
    case OpMinus: return wrapSub(x, y);
    case OpMult: return wrapMul(x, y);
    case OpDiv:
        if (y == 0) {
            std::fprintf(stderr, "Division by zero in expression; the result is 0.\n");
            return 0;
        }
        if (x == INT32_MIN && y == -1) return INT32_MIN;
        return x / y;
    case OpMod:
        if (y == 0) {
            std::fprintf(stderr, "Modulo by zero in expression; the result is 0.\n");
            return 0;
        }
        if (y == -1) return 0;
        return x % y;
    default: return 0;
    }
}

void ScriptStream::parseArray(const char*& p) {
    DepthGuard guard(*this);
    p = skipBlanks(p);
    if (*p) ++p; // the '?'
    // Index expressions overwrite last_ref, so the reference is built aside.
    VarRef ref;
    ref.number = parseOperand(p);
    p = skipBlanks(p);
    while (*p == '[') {
        if (ref.index_count == MAX_ARRAY_DIMENSIONS) scriptError("parseArray: too many indices.");
        ++p;
        const int32_t index = evalIntExpr(p);
        p = skipBlanks(p);
        if (*p != ']') scriptError("parseArray: missing ']'.");
        ++p;
        ref.indices[static_cast<size_t>(ref.index_count++)] = index;
    }
    ref.kind = RefArray;
    last_ref = ref;
}

void ScriptStream::appendPiece(const char* bytes, size_t n) {
    if (static_cast<size_t>(piece_length) + n > static_cast<size_t>(TOKEN_BUFFER_SIZE - 1))
        scriptError("readStr: string length exceeds 2048 bytes.");
    std::memcpy(piece_buffer.data() + piece_length, bytes, n);
    piece_length += static_cast<int32_t>(n);
    piece_buffer[static_cast<size_t>(piece_length)] = '\0';
}

void ScriptStream::parseStr(const char*& p) {
    DepthGuard guard(*this);
    piece_length = 0;
    piece_buffer[0] = '\0';
    p = skipBlanks(p);

    // Copies the bytes of a literal up to `close`, a line feed or the end of
    // the buffer, two-byte characters as a whole; steps over `close`.
    auto copyLiteral = [&](char close) {
        const char* begin = p;
        while (*p && *p != close && *p != '\n') {
            if (isLeadByte(*p) && p[1] && p[1] != '\n')
                p += 2;
            else
                ++p;
        }
        appendPiece(begin, static_cast<size_t>(p - begin));
        if (*p == close) ++p;
    };

    switch (*p) {
    case '(': {
        ++p;
        parseStr(p);
        const std::string name(piece_buffer.data(), static_cast<size_t>(piece_length));
        p = skipBlanks(p);
        if (*p != ')') scriptError("parseStr: missing ')'.");
        ++p;
        const bool found = findInLog(file_log, name.c_str(), false) >= 0;
        parseStr(p);
        const std::string first(piece_buffer.data(), static_cast<size_t>(piece_length));
        parseStr(p);
        if (found) {
            piece_length = 0;
            appendPiece(first.data(), first.size());
        }
        last_ref.kind |= RefConstant;
        return;
    }
    case '$': {
        ++p;
        const int32_t n = parseOperand(p);
        const std::string& text = variableSlot(n).text;
        appendPiece(text.data(), strnlen(text.c_str(), text.size()));
        last_ref.number = n;
        last_ref.kind = RefString;
        return;
    }
    case '"':
        ++p;
        copyLiteral('"');
        last_ref.kind |= RefConstant;
        return;
    case '`':
        appendPiece(p, 1);
        ++p;
        copyLiteral('`');
        last_ref.kind |= RefConstant;
        end_flags |= END_ONE_BYTE;
        return;
    case '#': {
        const char* begin = p;
        for (int i = 0; i < 7 && *p && *p != '\n'; i++) ++p;
        appendPiece(begin, static_cast<size_t>(p - begin));
        last_ref.kind = 0;
        return;
    }
    case '*': {
        appendPiece(p, 1);
        p = skipBlanks(p + 1);
        while (isIdentifierByte(*p)) {
            const char c = lowerCase(*p++);
            appendPiece(&c, 1);
        }
        last_ref.kind |= RefConstant;
        return;
    }
    default: break;
    }

    if (isDigit(*p))
        scriptError("parseStr: number is not allowed for the first letter of str alias.");
    std::string name;
    while (name.size() < MAX_STR_ALIAS_NAME && isIdentifierByte(*p))
        name.push_back(lowerCase(*p++));
    if (name.empty()) {
        last_ref.kind = 0;
        return;
    }
    const StrAlias* alias = findStrAlias(name);
    if (!alias) {
        std::printf("can't find str alias for %s...\n", name.c_str());
        exitProcess(-1);
    }
    appendPiece(alias->text.data(), strnlen(alias->text.c_str(), alias->text.size()));
    last_ref.kind |= RefConstant;
}

} // namespace velmora
