// Finds files named in any letter case, for scripts written on file systems
// that ignore case, on one that does not. Directory listings are cached while
// the directory's modification time shows no change, so that the many names
// asked for and not found as loose files cost one stat each.
#pragma once

#include <ctime>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace velmora {

class CaseInsensitiveLookup {
  public:
    // prefix + relative ('/'-separated) with every component replaced by the
    // entry of its directory that has the same name or, failing that, differs
    // only in the case of ASCII letters (the first in byte order when several
    // do). Empty when some component has no such entry. The prefix is used as
    // given; a directory that cannot be listed keeps the component as written.
    std::string resolve(const std::string& prefix, const std::string& relative);

  private:
    struct Listing {
        std::unordered_set<std::string> names;
        std::unordered_map<std::string, std::string> by_folded_name;
        timespec modified{};
        // The directory's time stamp was older than the listing by more than
        // the clock's granularity, so any later change alters it.
        bool trusted = false;
    };

    // The entries of `directory`, listed again whenever it may have changed;
    // null when it cannot be listed.
    const Listing* listDirectory(const std::string& directory);

    std::unordered_map<std::string, Listing> listings;
};

// The name with ASCII capitals lowered, except in Shift_JIS two-byte pairs,
// whose trail bytes may look like letters.
std::string foldCase(const std::string& name);

} // namespace velmora
