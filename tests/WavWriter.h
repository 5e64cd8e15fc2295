// Writing small WAV files for tests and benchmarks: 16-bit PCM sine tones
// built in memory, with the RIFF header the sound loaders expect.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>

namespace velmora::test {

namespace wav_detail {

inline void putLittleEndian(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xff);
}

} // namespace wav_detail

// The bytes before the samples: RIFF header, "fmt " chunk and "data" header.
constexpr size_t WAV_HEADER_SIZE = 44;

// How a tone is laid out.
struct ToneFormat {
    uint32_t rate = 44100;
    uint16_t channels = 2;
};

// A WAV file of a sine tone at `frequency` Hz, `frames` frames long, at
// `amplitude` (of 32767) on every channel; the first sample is 0.
inline std::string sineWav(double frequency, uint32_t frames, int16_t amplitude,
                           ToneFormat format = {}) {
    using wav_detail::putLittleEndian;
    constexpr uint16_t BITS = 16;
    constexpr uint16_t PCM = 1;
    const uint32_t block_align = format.channels * BITS / 8;
    const uint32_t data_size = frames * block_align;
    std::string out = "RIFF";
    putLittleEndian(out, static_cast<uint32_t>(WAV_HEADER_SIZE - 8 + data_size), 4);
    out += "WAVEfmt ";
    putLittleEndian(out, 16, 4);
    putLittleEndian(out, PCM, 2);
    putLittleEndian(out, format.channels, 2);
    putLittleEndian(out, format.rate, 4);
    putLittleEndian(out, format.rate * block_align, 4);
    putLittleEndian(out, block_align, 2);
    putLittleEndian(out, BITS, 2);
    out += "data";
    putLittleEndian(out, data_size, 4);
    const double step = 2 * std::numbers::pi * frequency / format.rate;
    for (uint32_t frame = 0; frame < frames; ++frame) {
        const auto sample = static_cast<int16_t>(std::lround(amplitude * std::sin(step * frame)));
        for (uint16_t channel = 0; channel < format.channels; ++channel)
            putLittleEndian(out, static_cast<uint16_t>(sample), 2);
    }
    return out;
}

} // namespace velmora::test
