// The command line: the version line, the usage text and the options.
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string_view>

#include "common/Exit.h"
#include "engine/Velmora.h"
#include "engine/Version.h"

namespace velmora {

namespace {

// clang-format off
constexpr const char* USAGE_LINES[] = {
    "Usage: velmora [option ...]\n",
    "      --cdaudio\t\tuse CD audio if available\n",
    "      --cdnumber no\tchoose the CD-ROM drive number\n",
    "  -f, --font file\tset a TTF font file\n",
    "      --registry file\tset a registry file\n",
    "      --dll file\tset a dll file\n",
    "  -r, --root path\tset the root path to the archives\n",
    "      --fullscreen\tstart in fullscreen mode\n",
    "      --window\t\tstart in windowed mode\n",
    "      --force-button-shortcut\tignore useescspc and getenter command\n",
    "      --enable-wheeldown-advance\tadvance the text on mouse wheel down\n",
    "      --disable-rescale\tdo not rescale the images in the archives\n",
    "      --render-font-outline\trender the outline of a text instead of casting a shadow\n",
    "      --edit\t\tenable online modification of the volume and variables when 'z' is pressed\n",
    "      --key-exe file\tset a file (*.EXE) that includes a key table\n",
    "  -h, --help\t\tshow this help and exit\n",
    "  -v, --version\t\tshow the version information and exit\n",
    "      --utf8\t\tread every script file as UTF-8 text\n",
    "      --scale factor\topen the window 1 to 8 times larger (kept for the next runs)\n",
    "      --scale-filter smooth|sharp\tscale the window smoothly or pixel-exactly (kept)\n",
    "      --word-wrap\t\twrap half-width text at spaces and draw all its spaces (kept)\n",
    "      --no-word-wrap\tturn word wrap off again (kept)\n",
};
// clang-format on

constexpr const char* AUTHORSHIP_LINES[] = {
    "Written by the Velmora developers.\n",
    "Velmora is free software, distributed under the terms of its licence.\n",
    "It comes with no warranty, to the extent permitted by law.\n",
};

[[noreturn]] void printLinesAndExit(const char* const* begin, const char* const* end) {
    for (const char* const* line = begin; line != end; ++line) std::fputs(*line, stdout);
    exitProcess(0);
}

[[noreturn]] void printUsage() {
    printLinesAndExit(std::begin(USAGE_LINES), std::end(USAGE_LINES));
}

} // namespace

void Velmora::parseCommandLine(int argc, char** argv) {
    std::printf("Velmora version %s(%d.%02d)\n", VERSION_DATE, VERSION_MAJOR, VERSION_MINOR);

    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg[0] != '-') printUsage();
        // An option whose value is missing cannot be applied: show how to call.
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) printUsage();
            return argv[++i];
        };
        const std::string_view option(arg + 1);
        if (option == "h" || option == "-help") {
            printUsage();
        } else if (option == "v" || option == "-version") {
            printLinesAndExit(std::begin(AUTHORSHIP_LINES), std::end(AUTHORSHIP_LINES));
        } else if (option == "-cdaudio") {
            cdaudio_on = true;
        } else if (option == "-cdnumber") {
            cdrom_drive = std::atoi(value());
        } else if (option == "f" || option == "-font") {
            font_file = value();
        } else if (option == "-registry") {
            registry_file = value();
        } else if (option == "-dll") {
            dll_file = value();
        } else if (option == "r" || option == "-root") {
            archive_path = std::string(value()) + '/';
        } else if (option == "-fullscreen") {
            fullscreen = true;
        } else if (option == "-window") {
            window_requested = true;
        } else if (option == "-force-button-shortcut") {
            force_button_shortcut = true;
        } else if (option == "-enable-wheeldown-advance") {
            wheeldown_advance = true;
        } else if (option == "-disable-rescale") {
            disable_rescale = true;
        } else if (option == "-render-font-outline") {
            render_outline = true;
        } else if (option == "-edit") {
            edit_enabled = true;
        } else if (option == "-key-exe") {
            key_exe_file = value();
        } else if (option == "-utf8") {
            script.utf8_scripts = true;
        } else if (option == "-scale") {
            const char* text = value();
            if (auto factor = parseScaleFactor(text))
                window_scaling.factor = factor;
            else
                std::printf(" bad value %s for %s (1 to %d)\n", text, arg, MAX_WINDOW_SCALE);
        } else if (option == "-scale-filter") {
            const char* text = value();
            if (auto filter = parseScaleFilter(text))
                window_scaling.filter = filter;
            else
                std::printf(" bad value %s for %s (smooth or sharp)\n", text, arg);
        } else if (option == "-word-wrap") {
            word_wrap.enabled = true;
        } else if (option == "-no-word-wrap") {
            word_wrap.enabled = false;
        } else {
            std::printf(" unknown option %s\n", arg);
        }
    }
}

} // namespace velmora
