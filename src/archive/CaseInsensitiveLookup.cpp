#include "archive/CaseInsensitiveLookup.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

namespace velmora {

namespace {

bool isShiftJisLead(unsigned char b) {
    return (b >= 0x80 && b <= 0x9F) || b >= 0xE0;
}

// Time stamps come from a coarse clock; a directory changed less than this
// long before it was listed may change again without its stamp moving.
constexpr time_t STAMP_SETTLE_SECONDS = 2;

bool sameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

} // namespace

std::string foldCase(const std::string& name) {
    std::string folded = name;
    for (size_t i = 0; i < folded.size(); ++i) {
        auto b = static_cast<unsigned char>(folded[i]);
        if (isShiftJisLead(b))
            ++i;
        else if (b >= 'A' && b <= 'Z')
            folded[i] = static_cast<char>(b - 'A' + 'a');
    }
    return folded;
}

const CaseInsensitiveLookup::Listing*
CaseInsensitiveLookup::listDirectory(const std::string& directory) {
    struct stat info {};
    if (stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        listings.erase(directory);
        return nullptr;
    }
    auto found = listings.find(directory);
    if (found != listings.end() && found->second.trusted &&
        sameTime(found->second.modified, info.st_mtim))
        return &found->second;

    DIR* handle = opendir(directory.c_str());
    if (handle == nullptr) return nullptr;
    std::vector<std::string> names;
    while (const dirent* item = readdir(handle)) {
        std::string name = item->d_name;
        if (name != "." && name != "..") names.push_back(std::move(name));
    }
    closedir(handle);
    // Sorted, so that of several spellings the first in byte order is kept.
    std::sort(names.begin(), names.end());
    Listing listing;
    for (std::string& name : names) {
        listing.by_folded_name.try_emplace(foldCase(name), name);
        listing.names.insert(std::move(name));
    }
    listing.modified = info.st_mtim;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    listing.trusted = now.tv_sec - info.st_mtim.tv_sec > STAMP_SETTLE_SECONDS;
    Listing& kept = listings[directory];
    kept = std::move(listing);
    return &kept;
}

std::string CaseInsensitiveLookup::resolve(const std::string& prefix, const std::string& relative) {
    std::string resolved = prefix;
    size_t start = 0;
    for (;;) {
        size_t end = relative.find('/', start);
        bool last = end == std::string::npos;
        if (last) end = relative.size();
        std::string component = relative.substr(start, end - start);
        if (!component.empty() && component != "." && component != "..") {
            const Listing* listing = listDirectory(resolved.empty() ? "." : resolved);
            if (listing != nullptr && listing->names.count(component) == 0) {
                auto match = listing->by_folded_name.find(foldCase(component));
                if (match == listing->by_folded_name.end()) return "";
                component = match->second;
            }
        }
        resolved += component;
        if (last) return resolved;
        resolved += '/';
        start = end + 1;
    }
}

} // namespace velmora
