// The pages of text read before the current one, newest last: what lookback
// shows and what getlog and gettaglog read. The page the game writes into is
// the text display's own; a new page hands the finished one over to here.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

namespace velmora {

class LookbackPages {
  public:
    struct Page {
        std::string text; // the recorded Shift_JIS bytes, line feeds included
        std::string tag;  // the name tag of the page's first line, or empty
    };

    // Makes room for `page_count` pages, the current one included; earlier
    // pages are dropped. Until then nothing is kept.
    void create(int32_t page_count);
    // Keeps a finished page, dropping the oldest when full; an empty page is not kept.
    void keep(const std::string& text, const std::string& tag);
    void flush() { pages.clear(); }
    // How many pages lie before the current one.
    int32_t depth() const { return static_cast<int32_t>(pages.size()); }
    // The page `n` steps before the current one (1 = the last finished
    // page); null for 0 or beyond the oldest.
    const Page* before(int32_t n) const;
    const Page* oldest() const { return pages.empty() ? nullptr : &pages.front(); }
    // Oldest first.
    const std::deque<Page>& history() const { return pages; }

  private:
    std::deque<Page> pages;
    size_t capacity = 0; // pages kept before the current one; 0 until created
};

} // namespace velmora
