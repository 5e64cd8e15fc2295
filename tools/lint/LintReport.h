// The problems velmora-lint finds, kept by their place in the script buffer
// and printed as FILE:LINE: message in script order.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "script/ScriptStream.h"

namespace velmora::lint {

class LintReport {
  public:
    explicit LintReport(const ScriptStream& script) : script(script) {}

    // Records a problem at `at`, a position inside the script buffer.
    void add(const char* at, std::string message);
    size_t count() const { return findings.size(); }
    // Prints every problem, sorted by place, as FILE:LINE: message; forgets them.
    void print(std::FILE* out);

  private:
    struct Finding {
        size_t offset; // into the script buffer
        std::string message;
    };
    const ScriptStream& script;
    std::vector<Finding> findings;
};

} // namespace velmora::lint
