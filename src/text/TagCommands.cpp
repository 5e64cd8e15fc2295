// gettag: the name tag of the text line whose pretextgosub routine is
// running, split at its slashes into the variables given.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/ShiftJis.h"
#include "engine/Velmora.h"
#include "interp/DecimalText.h"

namespace velmora {

namespace {

// The full-width brackets that open and close a tag after `zenkakko`.
constexpr uint8_t FULL_WIDTH_LEAD = 0x81;
constexpr uint8_t FULL_WIDTH_OPEN = 0x79;
constexpr uint8_t FULL_WIDTH_CLOSE = 0x7A;

bool isFullWidth(std::string_view text, size_t at, uint8_t second) {
    return at + 1 < text.size() && static_cast<uint8_t>(text[at]) == FULL_WIDTH_LEAD &&
           static_cast<uint8_t>(text[at + 1]) == second;
}

// The bytes after the tag's opening bracket up to the end of the line, or
// nothing when the line at `line` opens no tag. Reads no further than `end`.
std::optional<std::string_view> tagOfLine(const char* line, const char* end, bool zenkakko) {
    while (line < end && (*line == ' ' || *line == '\t')) ++line;
    const char* stop = line;
    while (stop < end && *stop != '\n' && *stop != '\0') ++stop;
    const std::string_view rest(line, static_cast<size_t>(stop - line));
    if (!rest.empty() && rest[0] == '[') return rest.substr(1);
    if (zenkakko && isFullWidth(rest, 0, FULL_WIDTH_OPEN)) return rest.substr(2);
    return std::nullopt;
}

// Whether the byte at `at` ends a piece of the tag: a slash or a closing bracket.
bool endsPiece(std::string_view tag, size_t at, bool zenkakko) {
    return tag[at] == '/' || tag[at] == ']' || (zenkakko && isFullWidth(tag, at, FULL_WIDTH_CLOSE));
}

// Where the decimal number that leadingDecimal reads at `at` ends: after
// white space, one sign and the digits.
size_t afterNumber(std::string_view tag, size_t at) {
    while (at < tag.size() && (tag[at] == ' ' || (tag[at] >= '\t' && tag[at] <= '\r'))) ++at;
    if (at < tag.size() && (tag[at] == '-' || tag[at] == '+')) ++at;
    while (at < tag.size() && tag[at] >= '0' && tag[at] <= '9') ++at;
    return at;
}

} // namespace

int32_t Velmora::gettagCommand() {
    // The nearest frame of the hook: gosubs made inside the routine lie above it.
    const CallFrame* hook = nullptr;
    const std::deque<CallFrame>& frames = call_stack.all();
    for (auto frame = frames.rbegin(); frame != frames.rend() && !hook; ++frame)
        if (frame->kind == FrameKind::Gosub && frame->call == CallKind::PretextLine) hook = &*frame;
    if (!hook) parseError("gettag: not in a subroutine, i.e. pretextgosub");

    // The frame returns to the start of the text line, which strips the tag
    // itself when it runs again; the return position is left alone.
    const std::optional<std::string_view> found =
        tagOfLine(hook->address, script.bufferEnd(), zenkakko);
    const std::string tag(found.value_or(std::string_view()));
    bool more = found.has_value(); // the next variable still takes a piece of the tag
    size_t at = 0;
    do {
        script.readVariableRef();
        const VarRef target = script.last_ref;
        if (target.kind & RefString) {
            size_t end = at;
            while (more && end < tag.size() && !endsPiece(tag, end, zenkakko))
                end += isLeadByte(tag[end]) && end + 1 < tag.size() ? 2 : 1;
            script.variableSlot(target.number).text = more ? tag.substr(at, end - at) : "";
            at = end;
        } else if (target.kind & (RefInteger | RefArray)) {
            script.setInt(target, more ? leadingDecimal(tag.c_str() + at) : 0);
            if (more) at = afterNumber(tag, at);
        }
        // A slash leads to the next piece; anything else ends the tag.
        if (more && at < tag.size() && tag[at] == '/')
            ++at;
        else
            more = false;
    } while (script.end_flags & END_COMMA);
    return RESULT_PROCEED;
}

} // namespace velmora
