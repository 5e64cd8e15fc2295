// Reads a key-table-substituted byte stream bit by bit, most significant bit
// first, in 4096-byte blocks from a file's current position.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>

namespace velmora {

class BitReader {
  public:
    // Starts reading at the current position of `file`; every byte fetched is
    // replaced by table[byte]. Both must outlive the reads.
    void start(FILE* file, const std::array<uint8_t, 256>& table);
    // The next n bits (0 <= n <= 8) as an unsigned value; -1 once the file has
    // ended (and from then on). readBits(0) is 0.
    int32_t readBits(int32_t n);

  private:
    bool fetchByte();

    FILE* file = nullptr;
    const std::array<uint8_t, 256>* key_table = nullptr;
    int32_t bit_mask = 0; // bit of current_byte read next; 0 = fetch a byte
    int32_t read_count = 0;
    int32_t read_position = 0;
    int32_t current_byte = 0; // per reader: readers never share a stream
    bool at_end = false;
    std::array<uint8_t, 4096> read_buffer{};
};

} // namespace velmora
