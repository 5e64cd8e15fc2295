// Label queries over the label table.
#include <algorithm>
#include <cstring>

#include "script/ScriptStream.h"

namespace velmora {

namespace {

std::string lowerCased(const std::string& name) {
    std::string out = name;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// Stands for the label of positions in a script that has no label at all.
const LabelEntry& noLabel() {
    static const LabelEntry none;
    return none;
}

} // namespace

int32_t ScriptStream::countLineFeeds(const char* from, const char* to) {
    // Eight bytes at a time: a byte equal to '\n' becomes zero after the XOR,
    // and the expression below sets the top bit of exactly the zero bytes.
    // Shifted down, those bits are summed per byte lane, flushed before a lane
    // could overflow.
    constexpr uint64_t LOW7 = 0x7F7F7F7F7F7F7F7FULL;
    constexpr uint64_t LINE_FEEDS = 0x0A0A0A0A0A0A0A0AULL;
    constexpr uint64_t ONES = 0x0101010101010101ULL;
    int64_t count = 0;
    while (to - from >= 8) {
        uint64_t lanes = 0;
        for (int i = 0; i < 255 && to - from >= 8; ++i, from += 8) {
            uint64_t word;
            std::memcpy(&word, from, 8);
            uint64_t x = word ^ LINE_FEEDS;
            lanes += (~(((x & LOW7) + LOW7) | x | LOW7)) >> 7;
        }
        count += static_cast<int64_t>((lanes * ONES) >> 56);
    }
    for (; from < to; ++from) count += *from == '\n';
    return static_cast<int32_t>(count);
}

int32_t ScriptStream::labelIndexOf(const std::string& name) const {
    const int32_t found = label_index.find(labels, lowerCased(name));
    if (found >= 0) return found;
    std::string message = "Label \"" + name + "\" is not found.";
    scriptError(message.c_str());
}

LabelEntry ScriptStream::labelNamed(const std::string& name) {
    const LabelEntry& entry = labels[static_cast<size_t>(labelIndexOf(name))];
    findInLog(label_log, entry.name.c_str(), true);
    return entry;
}

LabelEntry ScriptStream::labelAfter(const std::string& name) {
    const LabelEntry& entry = labels[static_cast<size_t>(labelIndexOf(name)) + 1];
    if (entry.body) findInLog(label_log, entry.name.c_str(), true);
    return entry;
}

const LabelEntry& ScriptStream::labelAt(const char* pos) const {
    size_t count = labels.empty() ? 0 : labels.size() - 1; // the sentinel is not a label
    if (count == 0) return noLabel();
    // The last label whose successor's body lies beyond pos.
    auto beyond =
        std::upper_bound(labels.begin() + 1, labels.begin() + static_cast<long>(count), pos,
                         [](const char* p, const LabelEntry& e) { return p < e.body; });
    return *(beyond - 1);
}

const LabelEntry& ScriptStream::labelAtLine(int32_t line) const {
    size_t count = labels.empty() ? 0 : labels.size() - 1;
    if (count == 0) return noLabel();
    auto beyond =
        std::upper_bound(labels.begin() + 1, labels.begin() + static_cast<long>(count), line,
                         [](int32_t l, const LabelEntry& e) { return l < e.first_line; });
    return *(beyond - 1);
}

int32_t ScriptStream::lineInLabel(const char* pos) const {
    const char* p = labelAt(pos).header;
    if (!p || pos <= p) return 0;
    return countLineFeeds(p, std::min(pos, bufferEnd()));
}

const char* ScriptStream::addressOfLine(int32_t line) const {
    const LabelEntry& label = labelAtLine(line);
    const char* p = label.header ? label.header : bufferStart();
    const char* end = bufferEnd();
    for (int32_t n = label.first_line; n < line && p < end; ++n) {
        const char* lf =
            static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        p = lf ? lf + 1 : end;
    }
    return p;
}

} // namespace velmora
