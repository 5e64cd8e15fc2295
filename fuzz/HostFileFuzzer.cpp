// libFuzzer target for the readers of the files that answer host questions:
// the registry file, the DLL file and INI files.
//
// Input layout: the first byte splits off the question: its low four bits are
// the length of the section name, its high four bits that of the key, both
// taken from the bytes after it; the rest is the file's text. Every reader
// reads the same text, and their answers must keep within the bounds the
// engine gives them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <variant>

#include "persist/DllFile.h"
#include "persist/IniFile.h"
#include "persist/RegistryFile.h"
#include "persist/SideFileText.h"

namespace {

void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "host_file_fuzzer: invariant broken: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const size_t section_length = std::min<size_t>(data[0] & 0x0F, rest.size());
    const std::string_view section = rest.substr(0, section_length);
    rest.remove_prefix(section_length);
    const size_t key_length = std::min<size_t>(data[0] >> 4, rest.size());
    const std::string_view key = rest.substr(0, key_length);
    rest.remove_prefix(key_length);

    if (const auto value = velmora::findRegistryValue(rest, section, key))
        require(value->size() < velmora::SIDE_LINE_LIMIT, "a registry value fits its line");
    if (const auto value = velmora::findIniValue(rest, section, key))
        require(value->size() <= velmora::INI_VALUE_LIMIT, "an INI value fits its buffer");
    const velmora::DllAnswers answers = velmora::findDllAnswers(rest, section);
    require(answers.found || answers.values.empty(), "only a DLL found has answers");
    for (const auto& value : answers.values)
        if (const auto* text = std::get_if<std::string>(&value))
            require(text->size() < velmora::SIDE_LINE_LIMIT, "a DLL text fits its line");
    return 0;
}
