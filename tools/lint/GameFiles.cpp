#include "GameFiles.h"

#include <memory>

#include "archive/DirectReader.h"
#include "archive/VlaReader.h"

namespace velmora::lint {

void GameFiles::openStartupReader() {
    // As the engine starts: the vl2 archives when there are any, else loose files.
    auto archives = std::make_unique<VlaReader>(0, script.archive_path, ARCHIVE_KIND_VL2, nullptr);
    if (archives->openArchive("") == 0)
        script.reader = std::move(archives);
    else
        script.reader = std::make_unique<DirectReader>(script.archive_path, nullptr);
    readerChanged();
}

bool GameFiles::holds(const std::string& name) {
    std::string key = name;
    for (char& c : key) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c == '/') c = '\\';
    }
    auto it = known.find(key);
    if (it != known.end()) return it->second;
    const bool found = script.reader && script.reader->fileLength(name) > 0;
    known.emplace(std::move(key), found);
    return found;
}

} // namespace velmora::lint
