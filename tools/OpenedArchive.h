// One archive opened for reading through the engine's own readers. The
// readers look for loose files first and open the numbered archive family by
// fixed names, so the archive is shown to them alone, under its family's
// first name, in a private scratch directory: no file beside the archive
// takes part.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "ToolOptions.h"
#include "archive/BaseReader.h"

namespace velmora::tool {

class OpenedArchive {
  public:
    OpenedArchive() = default;
    ~OpenedArchive();
    OpenedArchive(const OpenedArchive&) = delete;
    OpenedArchive& operator=(const OpenedArchive&) = delete;

    // Opens options.archive as options.kind with the options' skip, key
    // table and extra VBZ extensions.
    bool open(const ToolOptions& options, std::string& error);
    BaseReader& reader() { return *archive_reader; }

  private:
    std::filesystem::path scratch;
    std::unique_ptr<BaseReader> archive_reader;
};

} // namespace velmora::tool
