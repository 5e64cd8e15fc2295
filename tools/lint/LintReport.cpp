#include "LintReport.h"

#include <algorithm>

namespace velmora::lint {

void LintReport::add(const char* at, std::string message) {
    findings.push_back({script.offsetOf(at), std::move(message)});
}

void LintReport::print(std::FILE* out) {
    std::stable_sort(findings.begin(), findings.end(),
                     [](const Finding& a, const Finding& b) { return a.offset < b.offset; });
    const std::vector<ScriptPart>& parts = script.scriptParts();
    const char* base = script.bufferStart();
    size_t part = 0;
    size_t counted_to = parts.empty() ? 0 : parts[0].offset; // line feeds counted up to here
    int32_t line = 1;
    for (const Finding& finding : findings) {
        // Lines are counted on from the last finding, or from the start of its file.
        while (part + 1 < parts.size() && parts[part + 1].offset <= finding.offset) {
            ++part;
            counted_to = parts[part].offset;
            line = 1;
        }
        line += ScriptStream::countLineFeeds(base + counted_to, base + finding.offset);
        counted_to = finding.offset;
        const std::string& file = parts.empty() ? std::string() : parts[part].file_name;
        std::fprintf(out, "%s:%d: %s\n", file.c_str(), line, finding.message.c_str());
    }
    findings.clear();
}

} // namespace velmora::lint
