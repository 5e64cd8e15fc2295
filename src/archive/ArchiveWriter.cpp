#include "archive/ArchiveWriter.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <set>

namespace velmora {

namespace {

constexpr uint8_t QUOTE = 0x22;
constexpr uint64_t MAX_ARCHIVE_SIZE = std::numeric_limits<int32_t>::max();

// A name as the readers compare it.
std::string comparedForm(const std::string& name) {
    std::string result = name;
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return result;
}

void putBE(std::vector<uint8_t>& out, uint32_t value, int size) {
    for (int i = size - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void putLE(std::vector<uint8_t>& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

std::string systemError() {
    return std::strerror(errno);
}

} // namespace

size_t keyedPrefix(CompressionType coding, size_t size) {
    return coding == CompressionType::VBZ ? std::min<size_t>(4, size) : size;
}

std::string entryNameProblem(ArchiveKind kind, const std::string& name) {
    if (name.empty()) return "empty entry name";
    if (name.size() > MAX_ENTRY_NAME) {
        return "entry name longer than " + std::to_string(MAX_ENTRY_NAME) + " bytes";
    }
    if (name.find('\0') != std::string::npos) return "entry name holds a 0 byte";
    // Readers turn '/' in a name they look up into '\\', so a stored '/'
    // could never be found.
    if (name.find('/') != std::string::npos) return "entry name holds '/'";
    if (kind == ArchiveKind::Vl2 && name.find(static_cast<char>(QUOTE)) != std::string::npos) {
        return "entry name holds a quote, which ends names in a vl2 index";
    }
    return {};
}

ArchiveWriter::ArchiveWriter(ArchiveKind kind, int32_t skip, const std::array<uint8_t, 256>* key)
    : kind(kind), skip(skip) {
    if (key != nullptr) key_table = *key;
}

ArchiveWriter::~ArchiveWriter() {
    if (file != nullptr) std::fclose(file);
}

bool ArchiveWriter::fail(const std::string& message, std::string& error) {
    error = message;
    if (file != nullptr) {
        std::fclose(file);
        file = nullptr;
    }
    return false;
}

bool ArchiveWriter::invertKey(std::string& error) {
    std::array<bool, 256> seen{};
    for (int stored = 0; stored < 256; ++stored) {
        uint8_t plain = (*key_table)[stored];
        if (seen[plain]) {
            error = "the key table maps two bytes to one, so it cannot be inverted";
            return false;
        }
        seen[plain] = true;
        inverse_key[plain] = static_cast<uint8_t>(stored);
    }
    return true;
}

bool ArchiveWriter::begin(const std::string& archive_path,
                          const std::vector<std::string>& entry_names, std::string& error) {
    if (file != nullptr) return fail("the archive is already being written", error);
    if (skip < 0 || skip > MAX_SKIP || (kind == ArchiveKind::Sar && skip != 0)) {
        error = "a " + std::string(kind == ArchiveKind::Sar ? "SAR" : "vla or vl2") +
                " archive cannot skip " + std::to_string(skip) + " bytes";
        return false;
    }
    if (key_table && !invertKey(error)) return false;
    if (kind != ArchiveKind::Vl2 && entry_names.size() > MAX_COUNTED_ENTRIES) {
        error = "more than " + std::to_string(MAX_COUNTED_ENTRIES) + " entries";
        return false;
    }
    std::set<std::string> compared;
    for (const std::string& name : entry_names) {
        std::string problem = entryNameProblem(kind, name);
        if (!problem.empty()) {
            error = name + ": " + problem;
            return false;
        }
        if (!compared.insert(comparedForm(name)).second) {
            error = name + ": another entry has the same name apart from letter case";
            return false;
        }
    }
    names = entry_names;
    records.clear();
    data_length = 0;
    if (indexSize() > MAX_ARCHIVE_SIZE) {
        error = "the index is too large";
        return false;
    }
    path = archive_path;
    file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = "can't create " + path + ": " + systemError();
        return false;
    }
    // The index is written last, when the entries' positions are known.
    std::vector<uint8_t> placeholder(indexSize(), 0);
    if (std::fwrite(placeholder.data(), 1, placeholder.size(), file) != placeholder.size()) {
        return fail("can't write " + path + ": " + systemError(), error);
    }
    return true;
}

bool ArchiveWriter::add(const EntryData& entry, std::string& error) {
    if (file == nullptr) return fail("the archive is not open for writing", error);
    if (records.size() == names.size()) return fail("more entries than names", error);
    const std::string& name = names[records.size()];
    uint64_t end = indexSize() + data_length + entry.bytes.size();
    if (end > MAX_ARCHIVE_SIZE) return fail(name + ": the archive would exceed 2 GiB", error);
    std::vector<uint8_t> stored(entry.bytes.begin(), entry.bytes.end());
    if (key_table) {
        size_t keyed = keyedPrefix(entry.coding, stored.size());
        for (size_t i = 0; i < keyed; ++i) stored[i] = inverse_key[stored[i]];
    }
    if (!stored.empty() && std::fwrite(stored.data(), 1, stored.size(), file) != stored.size()) {
        return fail("can't write " + path + ": " + systemError(), error);
    }
    records.push_back({entry.index_type, static_cast<uint32_t>(data_length),
                       static_cast<uint32_t>(stored.size()), entry.decoded_length});
    data_length += stored.size();
    return true;
}

bool ArchiveWriter::finish(std::string& error) {
    if (file == nullptr) return fail("the archive is not open for writing", error);
    if (records.size() != names.size()) {
        return fail(std::to_string(names.size() - records.size()) + " entries were not added",
                    error);
    }
    std::vector<uint8_t> index = buildIndex();
    if (key_table) {
        for (uint8_t& byte : index) byte = inverse_key[byte];
    }
    if (std::fseek(file, 0, SEEK_SET) != 0 ||
        std::fwrite(index.data(), 1, index.size(), file) != index.size()) {
        return fail("can't write " + path + ": " + systemError(), error);
    }
    int status = std::fclose(file);
    file = nullptr;
    if (status != 0) return fail("can't write " + path + ": " + systemError(), error);
    return true;
}

size_t ArchiveWriter::indexSize() const {
    size_t size = static_cast<size_t>(skip);
    switch (kind) {
    case ArchiveKind::Sar:
    case ArchiveKind::Vla: {
        // count, data start; per entry the name and its 0, then the type
        // (vla), offset, length and decoded length (vla).
        size_t per_entry = kind == ArchiveKind::Sar ? 1 + 8 : 1 + 1 + 12;
        size += 6;
        for (const std::string& name : names) size += name.size() + per_entry;
        break;
    }
    case ArchiveKind::Vl2:
        // header length; per entry a quote, the name, a quote and the length;
        // then one byte that is not a quote to end the list.
        size += 4 + 1;
        for (const std::string& name : names) size += name.size() + 2 + 4;
        break;
    }
    return size;
}

std::vector<uint8_t> ArchiveWriter::buildIndex() const {
    std::vector<uint8_t> out(static_cast<size_t>(skip), 0);
    // Offsets and the data start are counted from the end of the skipped bytes.
    auto data_start = static_cast<uint32_t>(indexSize() - static_cast<size_t>(skip));
    if (kind == ArchiveKind::Vl2) {
        putLE(out, data_start);
        for (size_t i = 0; i < names.size(); ++i) {
            out.push_back(QUOTE);
            out.insert(out.end(), names[i].begin(), names[i].end());
            out.push_back(QUOTE);
            putLE(out, records[i].length);
        }
        out.push_back(0);
        return out;
    }
    putBE(out, static_cast<uint32_t>(names.size()), 2);
    putBE(out, data_start, 4);
    for (size_t i = 0; i < names.size(); ++i) {
        out.insert(out.end(), names[i].begin(), names[i].end());
        out.push_back(0);
        const Record& record = records[i];
        if (kind == ArchiveKind::Vla) out.push_back(static_cast<uint8_t>(record.index_type));
        putBE(out, record.offset, 4);
        putBE(out, record.length, 4);
        if (kind == ArchiveKind::Vla) putBE(out, record.decoded_length, 4);
    }
    return out;
}

} // namespace velmora
