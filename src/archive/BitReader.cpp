#include "archive/BitReader.h"

namespace velmora {

void BitReader::start(FILE* stream, const std::array<uint8_t, 256>& table) {
    file = stream;
    key_table = &table;
    bit_mask = 0;
    read_count = 0;
    read_position = 0;
    current_byte = 0;
    at_end = false;
}

bool BitReader::fetchByte() {
    if (read_position == read_count) {
        // Once a read came back empty the stream is over; asking again would
        // cost a system call per bit on truncated data.
        if (at_end || file == nullptr) return false;
        read_count =
            static_cast<int32_t>(std::fread(read_buffer.data(), 1, read_buffer.size(), file));
        read_position = 0;
        if (read_count == 0) {
            at_end = true;
            return false;
        }
    }
    current_byte = (*key_table)[read_buffer[read_position++]];
    bit_mask = 0x80;
    return true;
}

int32_t BitReader::readBits(int32_t n) {
    int32_t result = 0;
    for (int32_t i = 0; i < n; ++i) {
        if (bit_mask == 0 && !fetchByte()) return -1;
        result = result * 2 + ((current_byte & bit_mask) != 0 ? 1 : 0);
        bit_mask >>= 1;
    }
    return result;
}

} // namespace velmora
