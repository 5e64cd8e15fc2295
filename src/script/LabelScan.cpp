// The label table: one pass over the script that finds every label, the
// line it stands on and the lines it covers, then the index of their names.
#include <algorithm>

#include "script/ByteScan.h"
#include "script/ScriptStream.h"

namespace velmora {

void ScriptStream::indexLabels(size_t label_bound) {
    labels.clear();
    label_index.clear();
    const char* start = script_buffer.data();
    const char* end = bufferEnd();
    // Room for every label and the sentinel at once: growing the table step
    // by step would copy it and fault in fresh pages for each step. Capacity
    // beyond the labels found is never written, so its pages are never faulted in.
    labels.reserve(label_bound + 1);
    // A '*' starts a label when only blanks precede it on its line, or when it
    // stands right where the previous label's statements begin (two labels on
    // one line). Labels are rare, so the scan jumps from '*' to '*'.
    const char* chained = nullptr;
    int32_t line = 0;      // line feeds before p
    int32_t body_line = 0; // line feeds before the last label's body
    // A label covers its own line and every line from its body to the next label.
    auto closeLabel = [&] {
        if (!labels.empty()) labels.back().line_count = 1 + line - body_line;
    };
    for (const char* p = start;;) {
        const char* star = nextStar(p, end, line);
        if (star == end) break;
        p = star + 1;
        if (star != chained) {
            const char* q = star;
            while (q > start && (q[-1] == ' ' || q[-1] == '\t')) --q;
            if (q > start && q[-1] != '\n') continue;
        }
        closeLabel();
        read_position = star;
        readLabelToken();
        LabelEntry entry;
        entry.name.assign(token_buffer.data() + 1, token_length > 0 ? token_length - 1 : 0);
        entry.header = star;
        entry.first_line = line;
        const char* body = read_position;
        if (*body == '\n') ++body;
        line += countLineFeeds(star, body);
        body_line = line;
        entry.body = body;
        labels.push_back(std::move(entry));
        chained = body;
        p = std::max(p, body);
    }
    closeLabel();
    label_index.build(labels, labels.size());
    LabelEntry sentinel;
    sentinel.header = end;
    sentinel.first_line = line;
    labels.push_back(std::move(sentinel));
    labels_ready = true;
}

} // namespace velmora
