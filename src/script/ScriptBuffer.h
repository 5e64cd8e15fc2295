// The block of memory the whole script is read into. Its bytes are not
// zero-filled first: every byte is written by the loader before it is read.
// Large scripts get their own anonymous mapping in huge pages, so that a
// 20 MB script costs a few dozen page faults instead of five thousand.
#pragma once

#include <cstddef>
#include <utility>

namespace velmora {

class ScriptBuffer {
  public:
    ScriptBuffer() = default;
    ~ScriptBuffer() { release(); }
    ScriptBuffer(const ScriptBuffer&) = delete;
    ScriptBuffer& operator=(const ScriptBuffer&) = delete;

    // Replaces the block by one of `size` bytes of undefined content; false
    // (with the block empty) when memory runs out.
    bool allocate(size_t size);
    char* data() const { return bytes; }
    // Exchanges the blocks of two buffers, for growing one into a larger block.
    void swap(ScriptBuffer& other) {
        std::swap(bytes, other.bytes);
        std::swap(mapped, other.mapped);
    }
    char& operator[](size_t i) const { return bytes[i]; }

  private:
    void release();

    char* bytes = nullptr;
    size_t mapped = 0; // bytes of the anonymous mapping, or 0 for a heap block
};

} // namespace velmora
