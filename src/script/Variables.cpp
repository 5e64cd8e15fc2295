// The variable store of the ScriptStream: numbered variables (ordinary and
// overflow slots), declared arrays, numeric and string aliases, and the
// stores through a variable reference.
#include <cstdint>
#include <cstring>
#include <string>

#include "script/ScriptStream.h"

namespace velmora {

namespace {

// The largest array `dim` may declare, in cells.
constexpr int64_t MAX_ARRAY_CELLS = int64_t{64} * 1024 * 1024;

std::string lowerCased(const std::string& name) {
    std::string out = name;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

} // namespace

VariableSlot& ScriptStream::variableSlot(int32_t n) {
    if (n >= 0 && static_cast<size_t>(n) < slots.size()) return slots[static_cast<size_t>(n)];
    for (OverflowSlot& o : overflow_slots)
        if (o.number == n) return o.slot;
    overflow_slots.push_back(OverflowSlot{n, VariableSlot{}});
    return overflow_slots.back().slot;
}

void ScriptStream::setNumber(int32_t n, int32_t v) {
    VariableSlot& slot = variableSlot(n);
    if (slot.limited) {
        if (v < slot.lower)
            v = slot.lower;
        else if (v > slot.upper)
            v = slot.upper;
    }
    slot.value = v;
}

void ScriptStream::setInt(const VarRef& ref, int32_t v, int32_t offset) {
    if (ref.kind & RefConstant) scriptError("setInt: no variables.");
    if (ref.kind & RefInteger)
        setNumber(wrapAdd(ref.number, offset), v);
    else if (ref.kind & RefArray)
        arrayCell(ref.number, ref, offset) = v;
    else
        scriptError("setInt: no variables.");
}

int32_t ScriptStream::valueOfRef(const VarRef& ref) {
    if (ref.kind == RefInteger) return variableSlot(ref.number).value;
    if (ref.kind == RefArray) return arrayCell(ref.number, ref, 0);
    return 0;
}

int32_t& ScriptStream::arrayCell(int32_t number, const VarRef& ref, int32_t offset) {
    ArrayVar* array = nullptr;
    for (ArrayVar& a : arrays) {
        if (a.number == number) {
            array = &a;
            break;
        }
    }
    if (!array) scriptError("Array No. is not declared.");

    int64_t flat = 0;
    for (int32_t i = 0; i < array->dimension_count; i++) {
        if (ref.indices[i] < 0) scriptError("arrayCell: negative index.");
        if (array->extents[i] <= ref.indices[i]) scriptError("dim[i] <= array.dim[i].");
        flat = flat * array->extents[i] + ref.indices[i];
    }
    if (array->dimension_count > 0) {
        const int32_t last = array->dimension_count - 1;
        const int64_t moved = int64_t{ref.indices[last]} + offset;
        if (array->extents[last] <= moved) scriptError("dim[i-1] <= array.dim[i-1] + offset.");
        if (moved < 0) scriptError("arrayCell: negative index.");
    }
    flat += offset;
    // Only reachable for an array without dimensions, which `dim` never declares.
    if (flat < 0 || flat >= static_cast<int64_t>(array->cells.size()))
        scriptError("arrayCell: index out of range.");
    return array->cells[static_cast<size_t>(flat)];
}

void ScriptStream::setString(std::string& text, const char* source, int32_t length) {
    if (!source)
        text.clear();
    else if (length >= 0)
        text.assign(source, strnlen(source, static_cast<size_t>(length)));
    else
        text.assign(source);
}

void ScriptStream::declareArray() {
    token_start = read_position;
    const char* p = read_position;
    parseArray(p);
    const VarRef ref = last_ref;

    ArrayVar array;
    array.number = ref.number;
    array.dimension_count = ref.index_count;
    if (array.dimension_count == 0) scriptError("dim: no array size given.");
    int64_t cells = 1;
    for (int32_t i = 0; i < array.dimension_count; i++) {
        const int64_t extent = int64_t{ref.indices[i]} + 1;
        if (extent <= 0 || extent > MAX_ARRAY_CELLS) scriptError("dim: invalid array size.");
        cells *= extent;
        if (cells > MAX_ARRAY_CELLS) scriptError("dim: array too large.");
        array.extents[i] = static_cast<int32_t>(extent);
    }
    array.cells.assign(static_cast<size_t>(cells), 0);
    arrays.push_back(std::move(array));
    read_position = p;
}

void ScriptStream::addNumAlias(const std::string& name, int32_t value) {
    num_aliases.push_back(NumAlias{lowerCased(name), value});
}

void ScriptStream::addStrAlias(const std::string& name, const std::string& text) {
    str_aliases.push_back(StrAlias{lowerCased(name), text});
}

const NumAlias* ScriptStream::findNumAlias(const std::string& name) const {
    for (const NumAlias& a : num_aliases)
        if (a.name == name) return &a;
    return nullptr;
}

const StrAlias* ScriptStream::findStrAlias(const std::string& name) const {
    for (const StrAlias& a : str_aliases)
        if (a.name == name) return &a;
    return nullptr;
}

const ArrayVar* ScriptStream::findArray(int32_t number) const {
    for (const ArrayVar& a : arrays)
        if (a.number == number) return &a;
    return nullptr;
}

void ScriptStream::resetScriptState() {
    for (VariableSlot& slot : slots) slot = VariableSlot{};
    overflow_slots.clear();
    arrays.clear();
    num_aliases.clear();
    str_aliases.clear();
    clearLog(label_log);
    clearLog(file_log);
    read_marks_on = false;
    read_marks.clear();
    end_flags = 0;
    english_lines = false;
    clickstr_list.clear();
    text_token = true;
}

void ScriptStream::clearLocalVariables() {
    for (size_t i = 0; i < slots.size() && static_cast<int64_t>(i) < global_border; i++) {
        slots[i].value = 0;
        slots[i].text.clear();
    }
}

} // namespace velmora
