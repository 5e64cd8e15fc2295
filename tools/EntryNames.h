// Entry names of an archive index and the relative paths of the files they
// are made from or extracted to: '\' in an entry name is '/' in a path.
#pragma once

#include <string>

namespace velmora::tool {

// `text` with a-z upper-cased, as readers compare names and extensions.
std::string upperCased(std::string text);

// The entry name of a relative path written with '/'.
std::string entryNameOf(const std::string& relative_path);

// The relative path an entry is extracted to; empty when the name could
// escape the target directory or names no file (an empty, "." or ".."
// component, or a leading separator). The second byte of a Shift_JIS
// character is never taken for a separator.
std::string extractionPathOf(const std::string& entry_name);

} // namespace velmora::tool
