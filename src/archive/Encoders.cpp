#include "archive/Encoders.h"

#include <array>
#include <bit>
#include <bzlib.h>
#include <limits>

#include "archive/BitWriter.h"

namespace velmora {

namespace {

constexpr int WINDOW_SIZE = 256;
constexpr int WINDOW_START = 239; // first window position the decoder writes
constexpr size_t MIN_MATCH = 2;
constexpr size_t MAX_MATCH = 17;

// The decoder's 256-byte window as the encoder tracks it. Positions the
// decoder has not set yet (239-255 before they are first written) are never
// offered as match sources. `holding[v]` is the set of positions holding v.
class LzssWindow {
  public:
    LzssWindow() {
        for (int p = 0; p < WINDOW_START; ++p) {
            known[p] = true;
            mark(0, p, true);
        }
    }

    // Length of the match that copying from `source` would produce for
    // data[at...], at most `limit` bytes. The decoder writes each copied
    // byte at the write position, so a source close behind it repeats the
    // bytes of the same match.
    size_t matchLength(int source, std::span<const uint8_t> data, size_t at, size_t limit) const {
        int distance = (write_position - source + WINDOW_SIZE) % WINDOW_SIZE;
        size_t length = 0;
        for (; length < limit; ++length) {
            uint8_t expected;
            if (distance > 0 && length >= static_cast<size_t>(distance)) {
                expected = data[at + length - distance];
            } else {
                int p = (source + static_cast<int>(length)) % WINDOW_SIZE;
                if (!known[p]) break;
                expected = window[p];
            }
            if (expected != data[at + length]) break;
        }
        return length;
    }

    // Calls visit(p) for every position holding `value`.
    template <typename Visit> void forEachHolding(uint8_t value, Visit visit) const {
        for (int word = 0; word < 4; ++word) {
            uint64_t bits = holding[value][word];
            while (bits != 0) {
                visit(word * 64 + std::countr_zero(bits));
                bits &= bits - 1;
            }
        }
    }

    void push(uint8_t value) {
        if (known[write_position]) mark(window[write_position], write_position, false);
        window[write_position] = value;
        known[write_position] = true;
        mark(value, write_position, true);
        write_position = (write_position + 1) % WINDOW_SIZE;
    }

  private:
    void mark(uint8_t value, int p, bool on) {
        uint64_t bit = uint64_t{1} << (p % 64);
        if (on)
            holding[value][p / 64] |= bit;
        else
            holding[value][p / 64] &= ~bit;
    }

    std::array<uint8_t, WINDOW_SIZE> window{};
    std::array<bool, WINDOW_SIZE> known{};
    std::array<std::array<uint64_t, 4>, 256> holding{};
    int write_position = WINDOW_START;
};

} // namespace

std::vector<uint8_t> packLZSS(std::span<const uint8_t> data) {
    BitWriter out;
    LzssWindow window;
    size_t at = 0;
    while (at < data.size()) {
        size_t limit = std::min(MAX_MATCH, data.size() - at);
        size_t best_length = 0;
        int best_source = 0;
        window.forEachHolding(data[at], [&](int source) {
            if (best_length == limit) return;
            size_t length = window.matchLength(source, data, at, limit);
            if (length > best_length) {
                best_length = length;
                best_source = source;
            }
        });
        if (best_length < MIN_MATCH) {
            out.write(1, 1);
            out.write(data[at], 8);
            best_length = 1;
        } else {
            out.write(0, 1);
            out.write(static_cast<uint32_t>(best_source), 8);
            out.write(static_cast<uint32_t>(best_length - MIN_MATCH), 4);
        }
        for (size_t i = 0; i < best_length; ++i) window.push(data[at + i]);
        at += best_length;
    }
    return out.take();
}

bool packVBZ(std::span<const uint8_t> data, std::vector<uint8_t>& packed, std::string& error) {
    if (data.size() > std::numeric_limits<int32_t>::max()) {
        error = "too long for a VBZ entry";
        return false;
    }
    auto length = static_cast<uint32_t>(data.size());
    // bzip2's documented worst case: 1% larger plus 600 bytes.
    unsigned int stream_length = length + length / 100 + 601;
    packed.assign(4 + size_t{stream_length}, 0);
    for (int i = 0; i < 4; ++i) packed[i] = static_cast<uint8_t>(length >> (24 - 8 * i));
    // bzip2 does not write through its source pointer; it is only declared
    // mutable. It refuses a null one, which an empty span may hold.
    char no_data = 0;
    char* source =
        data.empty() ? &no_data : const_cast<char*>(reinterpret_cast<const char*>(data.data()));
    int status = BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(packed.data() + 4),
                                          &stream_length, source, length, 9, 0, 0);
    if (status != BZ_OK) {
        error = "bzip2 compression failed (status " + std::to_string(status) + ")";
        return false;
    }
    packed.resize(4 + size_t{stream_length});
    return true;
}

} // namespace velmora
