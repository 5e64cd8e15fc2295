// The files a game holds, as the engine finds them: through the reader in
// force (archives first, then loose files), names compared case-insensitively
// with '/' and '\' alike.
#pragma once

#include <string>
#include <unordered_map>

#include "script/ScriptStream.h"

namespace velmora::lint {

class GameFiles {
  public:
    explicit GameFiles(ScriptStream& script) : script(script) {}

    // Opens the archives the engine opens at start-up under script.archive_path.
    void openStartupReader();
    // Whether the reader in force holds `name`.
    bool holds(const std::string& name);
    // The script replaced or extended the reader: answers given so far are void.
    void readerChanged() { known.clear(); }

  private:
    ScriptStream& script;
    std::unordered_map<std::string, bool> known; // by normalised name
};

} // namespace velmora::lint
