// The files that outlive a run: the global variables (gloval.sav) and the
// player's preferences (envdata), and the order in which the quit writes them.
#include <algorithm>
#include <cstdio>

#include "interp/CommandInterpreter.h"

namespace velmora {

namespace {

constexpr const char* GLOBAL_FILE = "gloval.sav";
constexpr const char* ENVIRONMENT_FILE = "envdata";
// Shift_JIS name of the font the environment file names when it names none.
constexpr const char* DEFAULT_FONT_NAME = "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e";
constexpr int32_t TEXT_SPEED_COUNT = 3;

// Volumes are stored as 100 minus the volume; a value out of range is clamped.
int32_t volumeFromFile(int32_t stored) {
    return static_cast<int32_t>(std::clamp<int64_t>(int64_t{MAX_VOLUME} - stored, 0, MAX_VOLUME));
}

} // namespace

void CommandInterpreter::writeGlobalVariables() {
    if (!globalon) return;
    file_buffer.clear();
    for (int32_t n = std::max(script.global_border, 0); n < script.variable_count; ++n) {
        const VariableSlot& slot = script.variableSlot(n);
        file_buffer.writeInt(slot.value);
        file_buffer.writeString(slot.text);
    }
    // The old file stays whole when the new one cannot be written; play goes on.
    if (!file_buffer.save(script.sideFilePath(GLOBAL_FILE)))
        std::fprintf(stderr, "can't open gloval.sav for writing\n");
}

void CommandInterpreter::readGlobalVariables() {
    if (!file_buffer.load(script.sideFilePath(GLOBAL_FILE)) || file_buffer.size() == 0) return;
    for (int32_t n = std::max(script.global_border, 0); n < script.variable_count; ++n) {
        VariableSlot& slot = script.variableSlot(n);
        slot.value = file_buffer.readInt();
        slot.text = file_buffer.readString();
    }
}

void CommandInterpreter::readEnvironmentFile() {
    skip_mode &= ~SKIP_TO_PAGE_END;
    text_speed_index = 1;
    default_font_name.clear();
    env_flag_a = 1;
    env_flag_b = 1;
    env_text.clear();
    kidokumode = true;
    save_dir_name.clear();
    automode_time = 1000;
    env_reserved = 0;
    env_unknown.clear();

    // An empty file holds no preferences, like a missing one.
    if (!file_buffer.load(script.archive_path + ENVIRONMENT_FILE) || file_buffer.size() == 0) {
        default_font_name = DEFAULT_FONT_NAME;
        volumes.voice_volume = volumes.se_volume = volumes.music_volume = MAX_VOLUME;
        return;
    }
    if (file_buffer.readInt() == 1 && !window_requested) fullscreen = true;
    env_flag_a = file_buffer.readInt();
    int32_t speed = file_buffer.readInt();
    if (speed >= 0 && speed < TEXT_SPEED_COUNT) text_speed_index = speed;
    if (file_buffer.readInt() == 1) skip_mode |= SKIP_TO_PAGE_END;
    default_font_name = file_buffer.readString();
    if (default_font_name.empty()) default_font_name = DEFAULT_FONT_NAME;
    env_flag_b = file_buffer.readInt();
    env_text = file_buffer.readString();
    volumes.voice_volume = volumeFromFile(file_buffer.readInt());
    volumes.se_volume = volumeFromFile(file_buffer.readInt());
    volumes.music_volume = volumeFromFile(file_buffer.readInt());
    if (file_buffer.readInt() == 0) kidokumode = false;
    env_reserved = file_buffer.readInt();
    save_dir_name = file_buffer.readString();
    if (save_dir.empty() && !save_dir_name.empty()) setSaveDirectory(save_dir_name);
    automode_time = file_buffer.readInt();
    env_unknown = file_buffer.readRest();
}

void CommandInterpreter::writeEnvironmentFile() {
    file_buffer.clear();
    file_buffer.writeInt(fullscreen ? 1 : 0);
    file_buffer.writeInt(env_flag_a);
    file_buffer.writeInt(text_speed_index);
    file_buffer.writeInt((skip_mode & SKIP_TO_PAGE_END) ? 1 : 0);
    file_buffer.writeString(default_font_name);
    file_buffer.writeInt(env_flag_b);
    file_buffer.writeString(env_text);
    file_buffer.writeInt(wrapSub(MAX_VOLUME, volumes.voice_volume));
    file_buffer.writeInt(wrapSub(MAX_VOLUME, volumes.se_volume));
    file_buffer.writeInt(wrapSub(MAX_VOLUME, volumes.music_volume));
    file_buffer.writeInt(kidokumode ? 1 : 0);
    file_buffer.writeInt(env_reserved);
    file_buffer.writeString(save_dir_name);
    file_buffer.writeInt(automode_time);
    file_buffer.writeBytes(env_unknown.data(), env_unknown.size());
    // Losing the preferences is no reason to stop the game.
    file_buffer.save(script.archive_path + ENVIRONMENT_FILE);
}

void CommandInterpreter::writeLogsAndMarks() {
    if (filelog_on) script.saveLog(script.file_log);
    if (labellog_on) script.saveLog(script.label_log);
    if (kidokuskip_on) script.saveReadMarks();
}

void CommandInterpreter::writeQuitFiles() {
    writeEnvironmentFile();
    writeGlobalVariables();
    writeLogsAndMarks();
}

} // namespace velmora
