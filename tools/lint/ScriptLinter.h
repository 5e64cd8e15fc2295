// The walk over a loaded script that finds what would go wrong when the game
// runs: every statement is tokenized as the engine tokenizes it, but only the
// declarations that later statements depend on are carried out.
#pragma once

#include <string>
#include <unordered_set>

#include "GameFiles.h"
#include "LintArguments.h"
#include "LintReport.h"
#include "interp/CommandInterpreter.h"

namespace velmora {
struct CommandEntry;
}

namespace velmora::lint {

class ScriptLinter {
  public:
    // `interpreter.script` holds the loaded script and its reader.
    ScriptLinter(CommandInterpreter& interpreter, GameFiles& files, LintReport& report);

    // Walks the whole script, recording every problem in the report.
    void run();
    // Where the walk is: the start of the statement being read.
    const char* position() const { return statement_start; }

  private:
    // The labels, and the user commands wherever defsub declares them.
    void collectNames();
    // Text in the define section, and colour tags that do not parse.
    void textLine(const char* start);
    // The command token just read: known, allowed here, and its arguments.
    void command(const char* start);
    // The built-in command's own checks and declarations; false when the rest
    // of the statement is read as further statements (after an `if` condition).
    bool builtIn(const CommandEntry& entry, const char* args, const char* end);
    // Every argument written *name names a label of the script.
    void checkLabels(const std::vector<Argument>& arguments);
    // The file and colour arguments of the built-in command `name` (ArgumentRoles).
    void checkRoles(const char* name, const std::vector<Argument>& arguments);
    void checkChoices(const char* name, const std::vector<Argument>& arguments);
    // A picture name, perhaps tagged, or with colour_allowed a "#RRGGBB" colour.
    void checkPicture(const Argument& argument, const std::string& text, bool colour_allowed);
    // The game holds the file; `kind` names it in the report.
    void checkFile(const Argument& argument, const std::string& name, const char* kind);
    void checkColour(const char* at, const std::string& text);
    // The label exists; `why` prefixes the report (a command name and ": ").
    void requireLabel(const char* at, const std::string& name, const char* why);
    // The literal text of an argument: a quoted string or a string alias.
    std::optional<std::string> literalText(const Argument& argument) const;

    CommandInterpreter& interpreter;
    ScriptStream& script;
    GameFiles& files;
    LintReport& report;
    std::unordered_set<std::string> labels;
    std::unordered_set<std::string> user_commands;
    const char* statement_start = nullptr;
    bool in_define_section = false; // from the label `define` to the first `game`
};

} // namespace velmora::lint
