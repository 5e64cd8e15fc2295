// Cutting tokens and arguments from the script buffer in place.
#include <cctype>
#include <cstring>

#include "common/ShiftJis.h"
#include "script/ScriptStream.h"

namespace velmora {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isIdentifierByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool isLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char toLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// First bytes that start story text.
bool startsText(char c, bool english_lines) {
    if (static_cast<unsigned char>(c) >= 0x80 || (c >= '0' && c <= '9')) return true;
    if (c == '>') return !english_lines;
    return c != '\0' && std::strchr("@\\/%?$[(<!#,\"", c) != nullptr;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

const char* ScriptStream::skipBlanks(const char* p) const {
    while (isBlank(*p)) ++p;
    return p;
}

void ScriptStream::endArgument(const char* p) {
    p = skipBlanks(p);
    if (*p == ',') {
        end_flags |= END_COMMA;
        p = skipBlanks(p + 1);
    }
    read_position = p;
}

void ScriptStream::appendToken(const char* bytes, size_t n) {
    if (static_cast<size_t>(token_length) + n >= static_cast<size_t>(TOKEN_BUFFER_SIZE))
        scriptError("addStringBuffer: string length exceeds 2048.");
    std::memcpy(token_buffer.data() + token_length, bytes, n);
    token_length += static_cast<int32_t>(n);
    token_buffer[token_length] = '\0';
}

void ScriptStream::addStringBuffer(char byte) {
    appendToken(&byte, 1);
}

void ScriptStream::appendInteger(int32_t value) {
    char digits[16];
    int n = std::snprintf(digits, sizeof digits, "%d", value);
    appendToken(digits, static_cast<size_t>(n));
}

const char* ScriptStream::readToken() {
    token_start = read_position;
    wait_mark = nullptr;
    end_flags = 0;
    last_ref.kind = 0;
    text_token = false;
    const char* p = skipBlanks(read_position);
    markRead(p);
    token_length = 0;
    token_buffer[0] = '\0';

    for (;;) {
        char b = *p;
        if (b == ';') {
            while (*p != '\n' && *p != '\0') addStringBuffer(*p++);
            if (*p == '\n') addStringBuffer('\n');
            break;
        }
        if (startsText(b, english_lines)) {
            readTextToken(p);
            return token_buffer.data();
        }
        if (b == '`') {
            readOneByteText(p + 1);
            return token_buffer.data();
        }
        if (b == '>') {
            readEnglishLine(p + 1);
            return token_buffer.data();
        }
        if (isLetter(b) || b == '_') {
            while (isIdentifierByte(*p)) addStringBuffer(toLower(*p++));
            break;
        }
        if (b == '*') {
            read_position = p;
            return readLabelToken();
        }
        if (b == '~' || b == '\n' || b == ':') {
            markRead(p);
            addStringBuffer(*p++);
            break;
        }
        if (b == '\0' && p >= bufferEnd()) return token_buffer.data();
        // A NUL inside the script is as unknown as any other stray byte.
        std::fprintf(stderr, "readToken: skip unknown heading character %c (%x)\n", b,
                     static_cast<unsigned char>(b));
        p = skipBlanks(p + 1);
        token_length = 0;
        token_buffer[0] = '\0';
    }
    endArgument(p);
    return token_buffer.data();
}

bool ScriptStream::appendDoubleByte(const char*& p) {
    if (p[1] == '\n' || p[1] == '\0') {
        addStringBuffer(*p++);
        return false;
    }
    appendToken(p, 2);
    p += 2;
    return true;
}

void ScriptStream::appendOperandValue(const char*& p) {
    if (*p == '$') {
        ++p;
        const std::string& text = variableSlot(parseOperand(p)).text;
        appendToken(text.data(), text.size());
    } else {
        appendInteger(parseOperand(p));
    }
    p = skipBlanks(p);
}

void ScriptStream::readTextToken(const char* p) {
    while (*p != '\n' && *p != '\0') {
        char b = *p;
        if (isLeadByte(b)) {
            if (!appendDoubleByte(p)) break;
        } else if (b == '%' || b == '?' || b == '$') {
            appendOperandValue(p);
        } else {
            addStringBuffer(b);
            ++p;
            if (b == '@' && !wait_mark) wait_mark = p;
        }
    }
    text_token = true;
    endArgument(p);
}

void ScriptStream::readOneByteText(const char* p) {
    while (*p != '\n' && *p != '\0') {
        char b = *p;
        if (isLeadByte(b)) {
            if (!appendDoubleByte(p)) break;
            continue;
        }
        if (b == '`') {
            char c = p[1];
            if (c == '%' || c == '?' || c == '$') {
                ++p;
                appendOperandValue(p);
                continue;
            }
            if (c != '\0' && std::strchr("_@\\`/[(<>*~", c)) {
                appendToken(p, 2);
                p += 2;
                continue;
            }
            // Any other byte drops the backquote and is ordinary text.
            b = *++p;
            if (b == '\n' || b == '\0') break;
        }
        addStringBuffer(b);
        ++p;
        if (b == '@' && !wait_mark) wait_mark = p;
    }
    end_flags |= END_ONE_BYTE;
    text_token = true;
    endArgument(p);
}

void ScriptStream::readEnglishLine(const char* p) {
    while (*p != '\n' && *p != '\0') {
        char b = *p++;
        if (b == '\t') continue;
        addStringBuffer(b);
        if (b == '@' && !wait_mark) wait_mark = p;
    }
    end_flags |= END_ONE_BYTE;
    text_token = true;
    endArgument(p);
}

bool ScriptStream::tokenIs(const char* name) const {
    const char* t = token_buffer.data();
    if (*t == '_') ++t;
    return std::strncmp(t, name, std::strlen(name)) == 0;
}

const char* ScriptStream::scanLabelToken(const char* p) {
    p = skipBlanks(p);
    token_length = 0;
    token_buffer[0] = '\0';
    if (*p == '$') {
        ++p;
        const std::string& text = variableSlot(parseOperand(p)).text;
        appendToken(text.data(), text.size());
    } else if (isLetter(*p) || *p == '_' || *p == '*') {
        bool star = *p == '*';
        addStringBuffer(toLower(*p++));
        if (star) p = skipBlanks(p);
        while (isIdentifierByte(*p)) addStringBuffer(toLower(*p++));
    }
    // The terminating NUL counts against the buffer limit.
    if (token_length + 1 >= TOKEN_BUFFER_SIZE)
        scriptError("addStringBuffer: string length exceeds 2048.");
    return p;
}

const char* ScriptStream::readLabelToken() {
    token_start = read_position;
    end_flags = 0;
    last_ref.kind = 0;
    endArgument(scanLabelToken(read_position));
    return token_buffer.data();
}

int32_t ScriptStream::readInteger() {
    token_length = 0;
    token_buffer[0] = '\0';
    end_flags = 0;
    last_ref.kind = 0;
    token_start = read_position;
    const char* p = skipBlanks(read_position);
    int32_t value = evalIntExpr(p);
    endArgument(p);
    return value;
}

const char* ScriptStream::readStr() {
    token_start = read_position;
    end_flags = 0;
    last_ref.kind = 0;
    const char* p = skipBlanks(read_position);
    token_length = 0;
    token_buffer[0] = '\0';
    for (;;) {
        parseStr(p);
        p = skipBlanks(p);
        if (*p == ',') {
            end_flags |= END_COMMA;
            p = skipBlanks(p + 1);
        }
        if (token_length + piece_length + 1 >= TOKEN_BUFFER_SIZE)
            scriptError("readStr: string length exceeds 2048 bytes.");
        appendToken(piece_buffer.data(), static_cast<size_t>(piece_length));
        if (*p != '+') break;
        ++p;
    }
    read_position = p;
    return token_buffer.data();
}

void ScriptStream::readVariableRef() {
    end_flags = 0;
    last_ref.kind = 0;
    token_start = read_position;
    const char* p = skipBlanks(read_position);
    bool pointer = false;
    if (*p == 'i' || *p == 's') {
        ++p;
        pointer = true;
    }
    int32_t kind = 0;
    if (*p == '%' || *p == '$') {
        kind = *p == '%' ? RefInteger : RefString;
        ++p;
        int32_t number = parseOperand(p);
        last_ref = VarRef{};
        last_ref.number = number;
    } else if (*p == '?') {
        last_ref = VarRef{};
        parseArray(p);
        kind = RefArray;
    }
    last_ref.kind = kind | (pointer ? RefPointer : 0);
    endArgument(p);
}

void ScriptStream::copyTokenToSaved() {
    std::memcpy(saved_buffer.data(), token_buffer.data(), static_cast<size_t>(token_length) + 1);
}

void ScriptStream::readColor(uint8_t rgb[3], const char* text) const {
    const char* label = labelAt(token_start).name.c_str();
    int32_t line = lineInLabel(token_start);
    if (text[0] != '#') reportParseError(label, line, "readColor: no preceding #.");
    for (int i = 0; i < 3; ++i) {
        int hi = hexDigit(text[1 + 2 * i]);
        int lo = hi < 0 ? -1 : hexDigit(text[2 + 2 * i]);
        if (hi < 0 || lo < 0)
            reportParseError(label, line, "convHexToDec: not valid character for color.");
        rgb[i] = static_cast<uint8_t>(hi * 16 + lo);
    }
}

void ScriptStream::pushPosition(const char* pos) {
    pushed_token_start = token_start;
    pushed_read_position = read_position;
    jumpTo(pos);
}

void ScriptStream::popPosition() {
    token_start = pushed_token_start;
    read_position = pushed_read_position;
}

void ScriptStream::skipStatement() {
    const char* p = skipBlanks(token_start);
    bool in_quotes = false;
    bool passed_double_byte = false;
    while (*p != '\n' && *p != '\0') {
        char b = *p;
        if (b == '"') {
            in_quotes = !in_quotes;
        } else if (isLeadByte(b)) {
            if (!in_quotes) passed_double_byte = true;
            if (p[1] == '\n' || p[1] == '\0') {
                ++p;
                break;
            }
            ++p;
        } else if (!in_quotes && !passed_double_byte && (b == ':' || b == ';')) {
            break;
        }
        ++p;
    }
    // The line feed is never passed, so the loop still counts the line.
    read_position = p;
}

void ScriptStream::advanceLines(int32_t n) {
    const char* p = token_start;
    const char* end = bufferEnd();
    for (int32_t i = 0; i < n && p < end; ++i) {
        const char* lf =
            static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        p = lf ? lf + 1 : end;
    }
    token_start = read_position = p;
}

bool ScriptStream::nextIsKeyword(const char* word) {
    read_position = skipBlanks(read_position);
    const char* p = read_position;
    for (; *word; ++word, ++p)
        if (toLower(*p) != *word) return false;
    return true;
}

bool ScriptStream::takeKeyword(const char* word) {
    if (!nextIsKeyword(word)) return false;
    const char after = read_position[std::strlen(word)];
    if (std::isalnum(static_cast<unsigned char>(after)) || after == '_') return false;
    readLabelToken();
    return true;
}

int32_t ScriptStream::clickWaitKind(const char* text, bool nested) const {
    if (text[0] == '@' || text[0] == '\\') return 1;
    if (text[0] == '\0') return 0;
    const char* entry = clickstr_list.c_str();
    bool one_byte = false;
    while (*entry) {
        if (*entry == '`') {
            one_byte = true;
            ++entry;
            continue;
        }
        if (!one_byte && isLeadByte(*entry) && entry[1]) {
            if (entry[0] == text[0] && entry[1] == text[1])
                return (!nested && clickWaitKind(text + 2, true) > 0) ? 0 : 2;
            entry += 2;
            continue;
        }
        if (*entry == text[0]) return (!nested && clickWaitKind(text + 1, true) > 0) ? 0 : 1;
        ++entry;
    }
    return 0;
}

int32_t ScriptStream::formatNumber(char* out, int32_t value, int32_t width, bool zero_pad) {
    char digits[16];
    int natural = std::snprintf(digits, sizeof digits, "%d", value);
    if (width < 0) width = natural;
    // Too many places: drop the lowest digits until the number fits.
    int64_t v = value;
    while (v != 0 &&
           std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(v)) > width)
        v /= 10;
    if (zero_pad)
        std::snprintf(out, static_cast<size_t>(width) + 1, "%0*lld", width,
                      static_cast<long long>(v));
    else
        std::snprintf(out, static_cast<size_t>(width) + 1, "%*lld", width,
                      static_cast<long long>(v));
    return width;
}

} // namespace velmora
