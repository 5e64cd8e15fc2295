// The execution loop: fetches one token after another and dispatches it.
#include <cstdio>
#include <cstring>

#include "engine/Velmora.h"
#include "interp/CommandTable.h"

namespace velmora {

namespace {

// The whole token, less one leading '_', is `name`. Only an exact `next` may
// end a skip, so a command that merely begins with "next" cannot.
bool tokenEquals(const char* token, const char* name) {
    if (token[0] == '_') ++token;
    return std::strcmp(token, name) == 0;
}

} // namespace

void Velmora::fetchToken() {
    script.readToken();
    token_offset = 0;
    // With a line-page mode every text line ends in a wait the script did not write.
    if (script.lastTokenWasText() && linepage_mode != 0) {
        bool page = linepage_mode == 1 ||
                    (linepage_mode == 2 && story_font.remainingLines() <= clickstr_line);
        script.addStringBuffer(page ? '\\' : '@');
    }
}

void Velmora::executeLabel() {
    for (;;) {
        bool out_of_script = false;
        while (current_line < current_label.line_count) {
            const char* token = script.token_buffer.data();
            // Nothing left to read although the label claims more lines: end
            // as after the last label rather than read on forever.
            if (token[0] == '\0' && script.read_position >= script.bufferEnd()) {
                out_of_script = true;
                break;
            }
            if (token[0] == '~') {
                tilde_mark = script.read_position;
                fetchToken();
                continue;
            }
            if (skipping_to_next && !tokenEquals(token, "next")) {
                char c = token[token_offset];
                if (c == '\n') ++current_line;
                if (c != ':' && c != ';' && c != '\n') script.skipStatement();
                fetchToken();
                continue;
            }
            // Skipping stops at text that was never read.
            if (kidokuskip_on && kidokumode && (skip_mode & SKIP_TEXT) &&
                !script.lastTokenWasRead())
                skip_mode &= ~SKIP_TEXT;
            int32_t result = Parseline();
            if (result & (RESULT_DROP_LINE | RESULT_LINE_DONE)) {
                if (result & RESULT_DROP_LINE) script.advanceLines(1);
                if (++current_line >= current_label.line_count) break;
            }
            fetchToken();
        }
        current_label = out_of_script ? LabelEntry{} : script.labelAfter(current_label.name);
        // Counted from the label's own line, as a jump to the label counts it:
        // saved positions are that line plus this count.
        current_line = current_label.body ? script.lineInLabel(current_label.body) : 0;
        if (!current_label.body) {
            std::fprintf(stderr, " ***** End *****\n");
            endCommand();
        }
        script.jumpTo(current_label.body);
        fetchToken();
    }
}

int32_t Velmora::Parseline() {
    const char* token = script.token_buffer.data();
    if (token[0] == ';' || token[0] == '*' || token[0] == ':') return RESULT_PROCEED;

    if (script.lastTokenWasText()) {
        if (in_define_section) parseError("text cannot be displayed in define section.");
        return textLine();
    }

    // A leading '_' reaches the built-in command even when a user command hides it.
    if (const UserCommand* user = findUserCommand(token)) {
        if (!user->lua) callSubroutine(user->name, script.read_position, CallKind::Plain);
        return RESULT_PROCEED;
    }
    const char* name = token[0] == '_' ? token + 1 : token;
    if (const CommandEntry* entry = findCommand(name)) {
        if (entry->define_only) requireDefineSection(entry->define_only);
        return (this->*entry->handler)();
    }

    if (token[0] == '\n') return RESULT_PROCEED | RESULT_LINE_DONE;
    if (playVoiceToken(token)) return RESULT_PROCEED;

    return unsupportedCommand();
}

const CommandEntry* Velmora::findCommand(const char* name) const {
    return findCommandEntry(name);
}

int32_t Velmora::unsupportedCommand() {
    std::fprintf(stderr, " command [%s] is not supported yet!!\n", script.token_buffer.data());
    script.skipStatement();
    return RESULT_PROCEED;
}

} // namespace velmora
