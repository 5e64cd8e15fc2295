// velmora-lint: reads a game's script without running it and reports, one per
// line as FILE:LINE: message, every problem the engine would meet: unknown
// commands, missing labels and files, define-section commands used later,
// colour tags that do not parse and the parse errors that stop the engine.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/Exit.h"
#include "engine/Version.h"
#include "interp/CommandInterpreter.h"
#include "lint/GameFiles.h"
#include "lint/LintReport.h"
#include "lint/ScriptLinter.h"

using namespace velmora;
using namespace velmora::lint;

namespace {

// Exit statuses.
constexpr int EXIT_CLEAN = 0;      // nothing to report
constexpr int EXIT_PROBLEMS = 1;   // at least one problem reported
constexpr int EXIT_UNREADABLE = 2; // no script could be read, or a usage error

constexpr const char* USAGE =
    "usage: velmora-lint [options] GAME_DIR\n"
    "\n"
    "Reads the game's script (0.txt, 1.txt ... or vlscene.dat) and its archives\n"
    "without running it, and prints every problem found as FILE:LINE: message.\n"
    "Exit status: 0 nothing found, 1 problems found, 2 the game cannot be read.\n"
    "\n"
    "options:\n"
    "  -h, --help     this text\n"
    "  --utf8         read every script file as UTF-8 text\n"
    "  --version      the version\n";

// What the exit hook needs to finish the report when the engine's script
// reader stops on an error of its own.
struct Session {
    LintReport* report = nullptr;
    ScriptLinter* linter = nullptr;
};
Session session;

[[noreturn]] void onEngineExit(int) {
    // The engine printed its message on standard error; the report ends with where.
    if (!session.report) std::_Exit(EXIT_UNREADABLE);
    if (session.linter)
        session.report->add(session.linter->position(),
                            "the engine stops here (its message is on standard error)");
    session.report->print(stdout);
    std::fflush(nullptr);
    std::_Exit(EXIT_PROBLEMS);
}

int lintGame(std::string path, bool utf8) {
    if (!path.empty() && path.back() != '/') path += '/';
    CommandInterpreter interpreter;
    ScriptStream& script = interpreter.script;
    script.archive_path = path;
    script.utf8_scripts = utf8;
    script.print_conversion_problems = false;
    setExitHook(onEngineExit);
    if (script.loadScript(path) != 0) return EXIT_UNREADABLE;
    GameFiles files(script);
    files.openStartupReader();
    LintReport report(script);
    ScriptLinter linter(interpreter, files, report);
    session = {&report, &linter};
    linter.run();
    session = {};
    // Characters the UTF-8 conversion could not show come first, by file.
    for (const std::string& problem : script.conversion_problems)
        std::printf("%s\n", problem.c_str());
    const size_t found = report.count() + script.conversion_problems.size();
    report.print(stdout);
    return found ? EXIT_PROBLEMS : EXIT_CLEAN;
}

} // namespace

int main(int argc, char** argv) {
    std::string game;
    bool utf8 = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(USAGE, stdout);
            return EXIT_CLEAN;
        }
        if (arg == "--version") {
            std::printf("velmora-lint (%s) %d.%02d\n", PROGRAM_NAME, VERSION_MAJOR, VERSION_MINOR);
            return EXIT_CLEAN;
        }
        if (arg == "--utf8") {
            utf8 = true;
            continue;
        }
        if ((arg.size() > 1 && arg[0] == '-') || !game.empty()) {
            std::fprintf(stderr, "velmora-lint: unexpected argument %s\n", arg.c_str());
            std::fputs(USAGE, stderr);
            return EXIT_UNREADABLE;
        }
        game = arg;
    }
    if (game.empty()) {
        std::fputs(USAGE, stderr);
        return EXIT_UNREADABLE;
    }
    return lintGame(game, utf8);
}
