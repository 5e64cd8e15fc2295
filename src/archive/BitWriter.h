// Collects a bit stream most significant bit first, the order in which the
// decoders' bit reader takes it apart. The last byte is padded with 0 bits.
#pragma once

#include <cstdint>
#include <vector>

namespace velmora {

class BitWriter {
  public:
    // Appends the low `count` bits of `value` (0 <= count <= 8), highest first.
    void write(uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) {
            if (bit_count % 8 == 0) bytes.push_back(0);
            if ((value >> i) & 1) bytes.back() |= static_cast<uint8_t>(0x80 >> (bit_count % 8));
            ++bit_count;
        }
    }

    std::vector<uint8_t> take() { return std::move(bytes); }

  private:
    std::vector<uint8_t> bytes;
    uint64_t bit_count = 0;
};

} // namespace velmora
