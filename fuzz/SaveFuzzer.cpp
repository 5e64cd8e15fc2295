// libFuzzer target for the save file parser.
//
// Input layout: byte 0 is the number of variables the script saves and byte 1
// the number of its array cells; the rest is the save file. A file that
// parses is serialised and parsed again (with the variables and cells it
// held), and must then serialise to the same bytes: whatever a file says,
// the state read from it is one the writer can represent.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "persist/SaveFile.h"

namespace {

constexpr size_t LAYOUT_BYTES = 2;

void require(bool holds, const char* what) {
    if (holds) return;
    std::fprintf(stderr, "save_fuzzer: invariant broken: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < LAYOUT_BYTES) return 0;
    const velmora::SaveLayout layout{data[0], data[1]};
    velmora::SaveState state;
    std::string error;
    velmora::SaveParse result =
        velmora::parseSave(data + LAYOUT_BYTES, size - LAYOUT_BYTES, layout, state, error);
    if (result != velmora::SaveParse::Parsed) {
        require(!error.empty(), "a refusal says why");
        return 0;
    }
    std::vector<uint8_t> written = velmora::serialiseSave(state);
    const velmora::SaveLayout held{state.variables.size(), state.array_cells.size()};
    velmora::SaveState again;
    require(velmora::parseSave(written.data(), written.size(), held, again, error) ==
                velmora::SaveParse::Parsed,
            "a written file parses");
    require(velmora::serialiseSave(again) == written, "a written file settles after one round");
    return 0;
}
