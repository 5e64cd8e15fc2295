// Reading a statement's arguments without evaluating them: where they begin
// and end, which are literal strings or labels, and where the command after an
// `if` condition starts.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace velmora::lint {

// One argument of a statement, blanks and line ends trimmed off.
struct Argument {
    const char* begin;
    const char* end;
    bool empty() const { return begin == end; }
};

// The arguments in [p, end), split at commas outside quotes and brackets.
// `unbalanced` is set when a bracket is left open or closes one never opened.
std::vector<Argument> splitArguments(const char* p, const char* end, bool& unbalanced);

// The text of an argument that is exactly one quoted literal, else nothing.
std::optional<std::string> quotedLiteral(const Argument& argument);
// The lower-case label name of an argument written *name, else nothing.
std::optional<std::string> labelLiteral(const Argument& argument);
// The lower-case word of an argument that is one bare identifier, else nothing.
std::optional<std::string> bareWord(const Argument& argument);
// The integer of an argument that is one decimal literal, else nothing.
std::optional<long> integerLiteral(const Argument& argument);

// What reading an `if` condition found.
struct Condition {
    const char* command = nullptr; // the command it guards; null when none follows
    bool mixes_and_or = false;     // both & and | join its parts
};
// Reads the condition starting at p, up to `end`.
Condition readCondition(const char* p, const char* end);

// Where the next line starts that carries on a list: after a line that ends in
// a comma, or before one that starts with one. Null when the list ends at
// `end` (a line feed ending the statement).
const char* continuationLine(const char* statement, const char* end, const char* buffer_end);

} // namespace velmora::lint
