// Answers to DLL calls from the DLL file a game ships: under a `[name]` header,
// `str = "text"` gives the text a call returns and `ret = number` its number.
// Nothing is ever executed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace velmora {

// What the file says about one DLL.
struct DllAnswers {
    bool found = false; // a header names the DLL
    // The str (text) and ret (number) lines of its section, in file order.
    std::vector<std::variant<std::string, int32_t>> values;
};

// The answers of the first section whose header names `dll` exactly; its
// section ends at the next header. Other lines are passed over.
DllAnswers findDllAnswers(std::string_view text, std::string_view dll);

} // namespace velmora
