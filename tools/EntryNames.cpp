#include "EntryNames.h"

#include <algorithm>

namespace velmora::tool {

namespace {

bool isShiftJisLead(unsigned char c) {
    return (c >= 0x80 && c <= 0x9F) || c >= 0xE0;
}

} // namespace

std::string upperCased(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

std::string entryNameOf(const std::string& relative_path) {
    std::string name = relative_path;
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

std::string extractionPathOf(const std::string& entry_name) {
    std::string path;
    std::string component;
    auto endComponent = [&]() {
        if (component.empty() || component == "." || component == "..") return false;
        path += component;
        component.clear();
        return true;
    };
    for (size_t i = 0; i < entry_name.size(); ++i) {
        auto c = static_cast<unsigned char>(entry_name[i]);
        if (isShiftJisLead(c) && i + 1 < entry_name.size()) {
            component += entry_name.substr(i, 2);
            ++i;
        } else if (c == '\\' || c == '/') {
            if (!endComponent()) return {};
            path += '/';
        } else {
            component += static_cast<char>(c);
        }
    }
    return endComponent() ? path : std::string();
}

} // namespace velmora::tool
