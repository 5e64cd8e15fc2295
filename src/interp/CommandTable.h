// The built-in commands: one data table binding names to handlers.
#pragma once

#include "engine/Velmora.h"

namespace velmora {

// Entries grouped by the first letter of the name, z down to a; an entry with
// a null handler ends the table.
extern const CommandEntry command_table[];

} // namespace velmora
