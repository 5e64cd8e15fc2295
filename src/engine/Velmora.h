// The engine: one object that owns everything from start to exit.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "interp/CommandInterpreter.h"
#include "interp/RandomSource.h"

namespace velmora {

class Velmora;
using CommandHandler = int32_t (Velmora::*)();

// One built-in command: its lower-case name and its handler.
struct CommandEntry {
    char name[32];
    CommandHandler handler;
};

class Velmora : public CommandInterpreter {
  public:
    Velmora();

    // Applies the command line; prints usage or version and exits where asked.
    void parseCommandLine(int argc, char** argv);
    // Key table, reader and script load; runs once. 0 or -1.
    int32_t prepareScript();
    // Brings up the media layer and enters the define section. 0 or -1.
    int32_t initialise();
    // The execution loop; leaves only by ending the process.
    [[noreturn]] void executeLabel();
    // Classifies the current token and runs it; returns a result code.
    int32_t Parseline();
    // readToken plus the line-page handling; resets token_offset.
    void fetchToken();

    // The built-in command of that exact lower-case name, or null.
    const CommandEntry* findCommand(const char* name) const;
    // Reports a command that this version does not carry out and skips its statement.
    int32_t unsupportedCommand();

    // Value commands of the engine.
    int32_t rndCommand();   // rnd, rnd2
    int32_t splitCommand(); // split, splitstring
    int32_t getversionCommand();
    RandomSource random;

    // Host-file commands.
    int32_t fileexistCommand();

    // Control-flow commands of the engine.
    int32_t jumpfCommand();
    int32_t jumpbCommand();
    int32_t tablegotoCommand();
    int32_t gameCommand();
    int32_t resetCommand();
    int32_t defineresetCommand();
    // The quit sequence: the side files, the media layer, status 0.
    [[noreturn]] int32_t endCommand();
    // Returns to the define section with the script state cleared.
    void definereset();
    // The reset shared by game, reset and definereset: local variables, the
    // call stack and the execution state. Each subsystem adds its own reset here.
    void resetEngineState();
    // Restarts the game at the label start.
    void restartGame();

    // Command-line settings.
    bool cdaudio_on = false;
    int32_t cdrom_drive = 0;
    std::string font_file;
    std::string registry_file = "registry.txt";
    std::string dll_file = "dll.txt";
    std::string archive_path;
    // fullscreen, window_requested and force_button_shortcut live in CommandInterpreter.
    bool wheeldown_advance = false;
    bool disable_rescale = false;
    bool render_outline = false;
    bool edit_enabled = false;
    std::string key_exe_file;

    int32_t screen_width = DEFAULT_SCREEN_WIDTH;
    int32_t screen_height = DEFAULT_SCREEN_HEIGHT;

  private:
    void buildCommandIndex();

    struct IndexRange {
        int32_t start = -1;
        int32_t count = 0;
    };
    std::array<IndexRange, 26> command_index{};
    bool script_prepared = false;
};

} // namespace velmora
