#include "text/KinsokuLists.h"
#include "common/ShiftJis.h"

namespace velmora {

namespace {

void appendCharacters(std::vector<KinsokuLists::Entry>& list, const char* chars) {
    const auto* p = reinterpret_cast<const uint8_t*>(chars);
    while (*p) {
        if (isLeadByte(p[0]) && p[1]) {
            list.push_back({p[0], p[1]});
            p += 2;
        } else {
            list.push_back({p[0], 0});
            ++p;
        }
    }
}

// Shift_JIS: closing brackets, commas and stops, iteration marks and the long vowel.
constexpr const char* DEFAULT_START_CHARS =
    "\x81\x76\x81\x78\x81\x6a\x81\x6e\x81\x70\x81\x41\x81\x42\x81\x43\x81\x44\x81\x45"
    "\x81\x48\x81\x49\x81\x52\x81\x53\x81\x54\x81\x55\x81\x58\x81\x5b";
// Shift_JIS: opening brackets.
constexpr const char* DEFAULT_END_CHARS = "\x81\x75\x81\x77\x81\x69\x81\x6d\x81\x6f";

bool listHas(const std::vector<KinsokuLists::Entry>& list, const uint8_t* text) {
    const uint8_t first = text[0];
    if (first == 0) return false;
    for (const KinsokuLists::Entry& entry : list) {
        if (entry[0] != first) continue;
        // The second byte exists: the first is not the terminator.
        if (entry[1] == 0 ? !isLeadByte(first) : text[1] == entry[1]) return true;
    }
    return false;
}

} // namespace

KinsokuLists::KinsokuLists() {
    apply(DEFAULT_START_CHARS, DEFAULT_END_CHARS, false);
}

void KinsokuLists::apply(const char* start_chars, const char* end_chars, bool append) {
    if (!append) {
        start.clear();
        end.clear();
    }
    appendCharacters(start, start_chars);
    appendCharacters(end, end_chars);
}

void KinsokuLists::setSwitch(std::string_view word) {
    if (word == "on")
        enabled = true;
    else if (word == "off")
        enabled = false;
}

bool KinsokuLists::forbidsLineStart(const uint8_t* text) const {
    return listHas(start, text);
}

bool KinsokuLists::forbidsLineEnd(const uint8_t* text) const {
    return listHas(end, text);
}

} // namespace velmora
