#include "LintArguments.h"

#include <cstring>

#include "common/ShiftJis.h"

namespace velmora::lint {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

bool isIdentifierStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool isIdentifierByte(char c) {
    return isIdentifierStart(c) || (c >= '0' && c <= '9');
}

char lowerCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

const char* skipBlanks(const char* p, const char* end) {
    while (p < end && isBlank(*p)) ++p;
    return p;
}

// Past the closing quote of the literal opening at p (or `end`).
const char* skipQuoted(const char* p, const char* end) {
    for (++p; p < end && *p != '"'; ++p)
        if (isLeadByte(*p) && p + 1 < end) ++p;
    return p < end ? p + 1 : end;
}

// Past the group that the bracket at p opens, quotes and nesting respected.
const char* skipGroup(const char* p, const char* end) {
    int depth = 0;
    for (; p < end; ++p) {
        if (*p == '"') {
            p = skipQuoted(p, end) - 1;
        } else if (*p == '(' || *p == '[') {
            ++depth;
        } else if ((*p == ')' || *p == ']') && --depth == 0) {
            return p + 1;
        }
    }
    return end;
}

const char* skipIdentifier(const char* p, const char* end) {
    while (p < end && isIdentifierByte(*p)) ++p;
    return p;
}

// The word at p equals `word` and ends there.
bool wordAt(const char* p, const char* end, const char* word) {
    size_t n = std::strlen(word);
    if (static_cast<size_t>(end - p) < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (lowerCase(p[i]) != word[i]) return false;
    return p + n == end || !isIdentifierByte(p[n]);
}

// Past one operand of a condition, or null when none starts at p.
const char* skipOperand(const char* p, const char* end) {
    while (p < end && (*p == '-' || *p == '+')) p = skipBlanks(p + 1, end);
    if (p >= end) return nullptr;
    char c = *p;
    if (c == '"') return skipQuoted(p, end);
    if (c == '(') return skipGroup(p, end);
    if (c == '#') return p + std::min<std::ptrdiff_t>(7, end - p);
    if (c == '%' || c == '$' || c == '?') {
        while (p < end && (*p == '%' || *p == '$' || *p == '?')) ++p;
        const char* q = skipOperand(p, end);
        if (!q) return nullptr;
        while (q < end && *q == '[') q = skipGroup(q, end);
        return q;
    }
    if (c >= '0' && c <= '9') {
        while (p < end && *p >= '0' && *p <= '9') ++p;
        return p;
    }
    if (isIdentifierStart(c)) return skipIdentifier(p, end);
    return nullptr;
}

// The length of a comparison or arithmetic operator at p, 0 when none.
size_t operatorLength(const char* p, const char* end) {
    static const char* const OPERATORS[] = {">=", "<=", "==", "!=", "<>", "<",
                                            ">",  "=",  "+",  "-",  "*",  "/"};
    for (const char* op : OPERATORS) {
        size_t n = std::strlen(op);
        if (static_cast<size_t>(end - p) >= n && std::strncmp(p, op, n) == 0) return n;
    }
    return 0;
}

} // namespace

std::vector<Argument> splitArguments(const char* p, const char* end, bool& unbalanced) {
    std::vector<Argument> arguments;
    unbalanced = false;
    int depth = 0;
    const char* start = p;
    auto close = [&](const char* stop) {
        const char* b = skipBlanks(start, stop);
        const char* e = stop;
        while (e > b && isBlank(e[-1])) --e;
        arguments.push_back({b, e});
    };
    for (; p < end; ++p) {
        char c = *p;
        if (isLeadByte(c)) {
            if (p + 1 < end) ++p;
        } else if (c == '"') {
            p = skipQuoted(p, end) - 1;
        } else if (c == '(' || c == '[') {
            ++depth;
        } else if (c == ')' || c == ']') {
            if (--depth < 0) unbalanced = true;
        } else if (c == ',' && depth <= 0) {
            close(p);
            start = p + 1;
        }
    }
    if (depth > 0) unbalanced = true;
    if (!arguments.empty() || skipBlanks(start, end) != end) close(end);
    return arguments;
}

std::optional<std::string> quotedLiteral(const Argument& argument) {
    if (argument.end - argument.begin < 2 || *argument.begin != '"') return std::nullopt;
    if (skipQuoted(argument.begin, argument.end) != argument.end || argument.end[-1] != '"')
        return std::nullopt;
    return std::string(argument.begin + 1, argument.end - 1);
}

std::optional<std::string> labelLiteral(const Argument& argument) {
    if (argument.empty() || *argument.begin != '*') return std::nullopt;
    const char* p = argument.begin + 1;
    while (p < argument.end && (*p == ' ' || *p == '\t')) ++p;
    if (p == argument.end || !isIdentifierStart(*p)) return std::nullopt;
    const char* q = skipIdentifier(p, argument.end);
    if (q != argument.end) return std::nullopt;
    std::string name;
    for (; p < q; ++p) name += lowerCase(*p);
    return name;
}

std::optional<std::string> bareWord(const Argument& argument) {
    if (argument.empty() || !isIdentifierStart(*argument.begin)) return std::nullopt;
    if (skipIdentifier(argument.begin, argument.end) != argument.end) return std::nullopt;
    std::string word;
    for (const char* p = argument.begin; p < argument.end; ++p) word += lowerCase(*p);
    return word;
}

std::optional<long> integerLiteral(const Argument& argument) {
    const char* p = argument.begin;
    bool negative = p < argument.end && *p == '-';
    if (negative) ++p;
    if (p == argument.end) return std::nullopt;
    long value = 0;
    for (; p < argument.end; ++p) {
        if (*p < '0' || *p > '9' || value > 1000000000L) return std::nullopt;
        value = value * 10 + (*p - '0');
    }
    return negative ? -value : value;
}

Condition readCondition(const char* p, const char* end) {
    Condition condition;
    bool joined_by_and = false;
    bool joined_by_or = false;
    bool want_operand = true;
    for (;;) {
        p = skipBlanks(p, end);
        if (p >= end) break;
        if (want_operand) {
            if (wordAt(p, end, "fchk") || wordAt(p, end, "lchk")) {
                p += 4;
                continue;
            }
            p = skipOperand(p, end);
            if (!p) break;
            want_operand = false;
            continue;
        }
        if (*p == '&' || *p == '|') {
            (*p == '&' ? joined_by_and : joined_by_or) = true;
            const char joiner = *p;
            while (p < end && *p == joiner) ++p;
            want_operand = true;
        } else if (size_t n = operatorLength(p, end)) {
            p += n;
            want_operand = true;
        } else if (wordAt(p, end, "mod")) {
            p += 3;
            want_operand = true;
        } else {
            if (isIdentifierStart(*p)) condition.command = p;
            break;
        }
    }
    condition.mixes_and_or = joined_by_and && joined_by_or;
    return condition;
}

const char* continuationLine(const char* statement, const char* end, const char* buffer_end) {
    if (end >= buffer_end || *end != '\n') return nullptr;
    const char* last = end;
    while (last > statement && (last[-1] == ' ' || last[-1] == '\t')) --last;
    const char* next = end + 1;
    if (last > statement && last[-1] == ',') return next;
    const char* first = next;
    while (first < buffer_end && (*first == ' ' || *first == '\t')) ++first;
    return first < buffer_end && *first == ',' ? next : nullptr;
}

} // namespace velmora::lint
