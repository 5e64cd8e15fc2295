// Test movies made with the ffmpeg command: a plain colour, with or without
// a 440 Hz tone, as an MPEG-1 program stream.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace velmora::test {

struct ClipSpec {
    const char* colour = "red";
    double seconds = 1;
    bool sound = false;
    const char* size = "320x180"; // a wide picture, so the window shows bars above and below
    bool mpeg2 = false;           // MPEG-2 video in an MPEG-2 program stream
};

// Writes the clip to `path`; false when ffmpeg failed.
inline bool makeClip(const std::filesystem::path& path, const ClipSpec& clip) {
    const std::string length = std::to_string(clip.seconds);
    std::string command = "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i color=c=" +
                          std::string(clip.colour) + ":s=" + clip.size + ":r=25:d=" + length;
    if (clip.sound)
        command += " -f lavfi -i sine=frequency=440:sample_rate=44100:duration=" + length +
                   " -c:a mp2 -ac 2";
    command += clip.mpeg2 ? " -c:v mpeg2video -f vob" : " -c:v mpeg1video -f mpeg";
    command += " '" + path.string() + "'";
    return std::system(command.c_str()) == 0;
}

} // namespace velmora::test
