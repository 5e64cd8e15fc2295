// The line-breaking rule applied before a double-byte character is drawn.
#include "text/TextRenderer.h"

#include <cstddef>

#include "common/ShiftJis.h"

namespace velmora {

namespace {

// Reads a terminated text by offset without ever passing the terminator:
// every byte before the one asked for is checked first.
class BoundedText {
  public:
    explicit BoundedText(const uint8_t* text) : bytes(text) {}

    // The byte at `offset`, or 0 when the text ends before it.
    uint8_t at(size_t offset) {
        for (; checked < offset; ++checked)
            if (bytes[checked] == 0) return 0;
        return bytes[offset];
    }
    const uint8_t* from(size_t offset) const { return bytes + offset; }

  private:
    const uint8_t* bytes;
    size_t checked = 0;
};

// Walks the run of forbidden characters that would follow the character at
// the start of `text` onto its line and tells whether the line cannot hold
// it. Single-byte characters are passed over. `test_following` tests each
// double-byte character of the run itself; otherwise the character two bytes
// before it is tested.
bool runReachesLineEnd(BoundedText& text, const FontState& font, const KinsokuLists& lists,
                       bool test_following) {
    int32_t n = 2;
    size_t skipped = 0;
    while (!font.reachesLineEnd(n)) {
        const size_t next = skipped + n + 2;
        const uint8_t byte = text.at(next);
        if (byte == 0 || byte == '\n') break;
        if (!isLeadByte(byte)) {
            ++skipped;
            continue;
        }
        // Every byte up to `next` is known not to end the text, so both
        // bytes of the tested character can be read.
        const uint8_t* tested = text.from(test_following ? next : skipped + n);
        const bool forbidden =
            test_following ? lists.forbidsLineStart(tested) : lists.forbidsLineEnd(tested);
        if (!forbidden) break;
        n += 2;
    }
    return font.reachesLineEnd(n);
}

} // namespace

bool isKinsokuBreak(const uint8_t* text, const FontState& font, const KinsokuLists* lists) {
    if (!text || !lists || !lists->enabled) return false;
    BoundedText bounded(text);
    if (bounded.at(2) != 0 && lists->forbidsLineStart(bounded.from(2)) &&
        runReachesLineEnd(bounded, font, *lists, true))
        return true;
    return bounded.at(0) != 0 && lists->forbidsLineEnd(text) &&
           runReachesLineEnd(bounded, font, *lists, false);
}

} // namespace velmora
