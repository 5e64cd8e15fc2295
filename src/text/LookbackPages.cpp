#include "text/LookbackPages.h"

namespace velmora {

void LookbackPages::create(int32_t page_count) {
    pages.clear();
    capacity = page_count > 1 ? static_cast<size_t>(page_count - 1) : 0;
}

void LookbackPages::keep(const std::string& text, const std::string& tag) {
    if (capacity == 0 || text.empty()) return;
    if (pages.size() == capacity) pages.pop_front();
    pages.push_back({text, tag});
}

const LookbackPages::Page* LookbackPages::before(int32_t n) const {
    if (n <= 0 || n > depth()) return nullptr;
    return &pages[pages.size() - static_cast<size_t>(n)];
}

} // namespace velmora
