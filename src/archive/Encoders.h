// Encoders that produce the compressed entry forms the readers decode: the
// counterparts of unpackLZSS, unpackVBZ and unpackSPB. Their output is plain:
// an archive writer applies a key table afterwards where one is wanted.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velmora {

// A 256-byte sliding-window code of `data`, found greedily (the longest match
// at each position). Decoding needs the length of `data`, which a vla index
// records beside the entry.
std::vector<uint8_t> packLZSS(std::span<const uint8_t> data);

// A 4-byte big-endian length followed by a bzip2 stream of `data`. False
// (with `error` set) when bzip2 fails or the data is too long for the prefix.
bool packVBZ(std::span<const uint8_t> data, std::vector<uint8_t>& packed, std::string& error);

// The SPB picture code of a bitmap file. Only bitmaps in exactly the form the
// SPB decoder writes can be coded (a 54-byte header, 24 bits per pixel, rows
// bottom-up padded with w mod 4 zero bytes, width and height 1 to 65535), so
// that decoding gives back the same bytes; anything else is refused.
bool packSPB(std::span<const uint8_t> bitmap, std::vector<uint8_t>& packed, std::string& error);

} // namespace velmora
