// Building and searching the label name index: linear probing over a table
// at most half full, each slot keeping part of the name's hash so that most
// probes compare no names.
#include "script/LabelIndex.h"

#include <functional>

namespace velmora {

namespace {
// The table has at least this many slots per label, so probe runs stay short.
constexpr size_t SLOTS_PER_LABEL = 2;
// How many labels ahead the slot to be written is fetched.
constexpr size_t PREFETCH_AHEAD = 16;

uint32_t hashOf(std::string_view name) {
    return static_cast<uint32_t>(std::hash<std::string_view>{}(name));
}
} // namespace

void LabelIndex::build(const std::vector<LabelEntry>& labels, size_t count) {
    size_t size = 1;
    while (size < count * SLOTS_PER_LABEL) size *= 2;
    slots.assign(size, Slot{});
    const size_t mask = size - 1;
    // The hashes first, so that the slot of a label a few places ahead can be
    // fetched while this one is placed: the slots are reached in random order.
    std::vector<uint32_t> hashes(count);
    for (size_t i = 0; i < count; ++i) hashes[i] = hashOf(labels[i].name);
    for (size_t i = 0; i < count; ++i) {
        if (i + PREFETCH_AHEAD < count)
            __builtin_prefetch(&slots[hashes[i + PREFETCH_AHEAD] & mask], 1);
        const std::string& name = labels[i].name;
        const uint32_t hash = hashes[i];
        for (size_t at = hash & mask;; at = (at + 1) & mask) {
            Slot& slot = slots[at];
            if (slot.position1 == 0) {
                slot = {hash, static_cast<int32_t>(i + 1)};
                break;
            }
            if (slot.hash == hash && labels[static_cast<size_t>(slot.position1 - 1)].name == name)
                break; // a later label of the same name is not reached by name
        }
    }
}

int32_t LabelIndex::find(const std::vector<LabelEntry>& labels, std::string_view name) const {
    if (slots.empty()) return -1;
    const size_t mask = slots.size() - 1;
    const uint32_t hash = hashOf(name);
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
        const Slot& slot = slots[at];
        if (slot.position1 == 0) return -1;
        if (slot.hash == hash && labels[static_cast<size_t>(slot.position1 - 1)].name == name)
            return slot.position1 - 1;
    }
}

} // namespace velmora
