// Serialises a SaveState as a save file of the newest version.
#include <cstdint>
#include <string>
#include <vector>

#include "persist/FileBuffer.h"
#include "persist/SaveBody.h"
#include "persist/SaveFile.h"

namespace velmora {
namespace {

// The writing side of the body walk.
struct SaveWriter {
    static constexpr bool reading = false;
    const int32_t version = SAVE_VERSION;
    FileBuffer buffer;

    void int32(int32_t value) { buffer.writeInt(value); }
    void byte(uint8_t value) { buffer.writeByte(value); }
    void string(const std::string& text) { buffer.writeString(text); }
};

} // namespace

std::vector<uint8_t> serialiseSave(const SaveState& state) {
    SaveWriter writer;
    writer.buffer.writeBytes(reinterpret_cast<const uint8_t*>(SAVE_MAGIC), SAVE_MAGIC_SIZE);
    writer.buffer.writeByte(SAVE_VERSION_MAJOR);
    writer.buffer.writeByte(SAVE_VERSION_MINOR);
    save_body::walkSaveBody(writer, state);
    return writer.buffer.bytes();
}

} // namespace velmora
