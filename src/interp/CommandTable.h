// The built-in commands: one data table binding names to handlers.
#pragma once

#include "engine/Velmora.h"

namespace velmora {

// Entries grouped by the first letter of the name, z down to a; an entry with
// a null handler ends the table. Commands that only the define section may run
// carry their parse-error message: the dispatcher stops with it elsewhere, and
// tools that check scripts read the same column.
extern const CommandEntry command_table[];

// The entry of that exact lower-case name, or null. Needs no engine, so tools
// that read scripts look commands up the way the engine does.
const CommandEntry* findCommandEntry(const char* name);

} // namespace velmora
