// The labels of a script and the index from their names to their place in
// the label table. The index is one flat open-addressed table of positions,
// built after the scan in one pass: tens of thousands of labels cost one
// allocation rather than one each.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// One label of the script. Positions point into the script buffer.
struct LabelEntry {
    std::string name;             // without the '*', lower-case
    const char* header = nullptr; // the '*'
    const char* body = nullptr;   // where the statements begin; null marks the end of the script
    int32_t first_line = 0;       // script-wide line of the label's own line
    int32_t line_count = 0;       // lines covered, the label's own line included
};

class LabelIndex {
  public:
    // Indexes the first `count` labels; of labels sharing a name, the first counts.
    void build(const std::vector<LabelEntry>& labels, size_t count);
    // Position in `labels` (the table it was built from) of the label named
    // `name` (lower-case), or -1.
    int32_t find(const std::vector<LabelEntry>& labels, std::string_view name) const;
    void clear() { slots.clear(); }

  private:
    struct Slot {
        uint32_t hash = 0;     // low bits of the name's hash
        int32_t position1 = 0; // the label's position plus one; 0 for an empty slot
    };
    std::vector<Slot> slots; // a power of two in size, at most half full
};

} // namespace velmora
