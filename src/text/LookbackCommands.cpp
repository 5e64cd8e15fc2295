// The commands that read the text of the current page and of the pages
// before it, and the one that forgets them.
#include <algorithm>

#include "engine/Velmora.h"
#include "text/WordWrap.h"

namespace velmora {

namespace {

// A string variable's text: other variables take no text and are passed over.
void setText(ScriptStream& script, const VarRef& target, const std::string& value) {
    if (target.kind == RefString) script.variableSlot(target.number).text = value;
}

} // namespace

int32_t Velmora::lookbackflushCommand() {
    lookback.flush();
    clearPage();
    return RESULT_PROCEED;
}

int32_t Velmora::gettextCommand() {
    script.readVariableRef();
    std::string joined = withoutKeptSpaces(text.page_text);
    joined.erase(std::remove(joined.begin(), joined.end(), '\n'), joined.end());
    setText(script, script.last_ref, joined);
    return RESULT_PROCEED;
}

int32_t Velmora::getlogCommand() {
    const bool tag = script.tokenIs("gettaglog");
    script.readVariableRef();
    const VarRef target = script.last_ref;
    const int32_t n = script.readInteger();
    if (n <= 0) {
        setText(script, target, tag ? text.page_tag : withoutKeptSpaces(text.page_text));
        return RESULT_PROCEED;
    }
    const LookbackPages::Page* page = lookback.before(n);
    // Beyond the history, getlog has nothing and gettaglog stops at the oldest page.
    if (!page && tag) page = lookback.oldest();
    setText(script, target,
            page ? (tag ? page->tag : withoutKeptSpaces(page->text)) : std::string());
    return RESULT_PROCEED;
}

int32_t Velmora::checkpageCommand() {
    script.readVariableRef();
    const VarRef target = script.last_ref;
    if (target.kind != RefInteger) parseError("checkpage: no integer variable.");
    const int32_t n = script.readInteger();
    script.setInt(target, n <= lookback.depth() ? 1 : 0);
    return RESULT_PROCEED;
}

} // namespace velmora
