#include "ScriptLinter.h"

#include <cstring>

#include "ArgumentRoles.h"
#include "common/ShiftJis.h"
#include "graphics/TaggedString.h"
#include "interp/CommandTable.h"

namespace velmora::lint {

namespace {

// The longest token the tokenizer holds: a longer text or comment line stops the engine.
constexpr ptrdiff_t LONGEST_LINE = TOKEN_BUFFER_SIZE - 1;
// Effect numbers the define section may give.
constexpr long FIRST_EFFECT_NUMBER = 2;
constexpr long LAST_EFFECT_NUMBER = 255;
// The label a custom choice (csel) goes on at.
constexpr const char* CUSTOM_SELECT_LABEL = "customsel";

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isIdentifierByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

char lowerCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether a statement starting with c is read as a comment or as text, the
// tokens that take a whole line.
bool takesWholeLine(char c) {
    if (c == ';' || static_cast<unsigned char>(c) >= 0x80) return true;
    if (isIdentifierByte(c) && !(c >= '0' && c <= '9')) return false;
    return c != '*' && c != '~' && c != ':' && c != '\n' && c != '\0';
}

// A voice or sound shortcut (v12, dv3): the file it plays, else empty.
std::string shortcutSound(const std::string& token) {
    auto digits = [&](size_t from) {
        return token.size() > from && token[from] >= '0' && token[from] <= '9';
    };
    if (token[0] == 'v' && digits(1)) return "wav\\" + token.substr(1) + ".wav";
    if (token.compare(0, 2, "dv") == 0 && digits(2)) return "voice\\" + token.substr(2) + ".wav";
    return {};
}

bool isChoiceCommand(const char* name) {
    return !std::strcmp(name, "select") || !std::strcmp(name, "selgosub") ||
           !std::strcmp(name, "selnum") || !std::strcmp(name, "csel");
}

} // namespace

ScriptLinter::ScriptLinter(CommandInterpreter& interpreter, GameFiles& files, LintReport& report)
    : interpreter(interpreter), script(interpreter.script), files(files), report(report) {}

void ScriptLinter::collectNames() {
    const std::vector<LabelEntry>& table = script.labelTable();
    for (size_t i = 0; i + 1 < table.size(); ++i) labels.insert(table[i].name);
    // User commands are declared wherever defsub stands, often after their
    // first use in script order, so they are gathered before the walk.
    const char* begin = script.bufferStart();
    const char* end = script.bufferEnd();
    for (const char* p = begin; p + 6 < end; ++p) {
        if (lowerCase(*p) != 'd') continue;
        bool defsub = true;
        for (int i = 1; i < 6 && defsub; ++i) defsub = lowerCase(p[i]) == "defsub"[i];
        if (!defsub || !isBlank(p[6])) continue;
        const char* q = p;
        if (q > begin && q[-1] == '_') --q;
        while (q > begin && isBlank(q[-1])) --q;
        if (q > begin && q[-1] != '\n' && q[-1] != ':') continue;
        std::string name;
        for (q = p + 6; isBlank(*q); ++q) {
        }
        for (; isIdentifierByte(*q); ++q) name += lowerCase(*q);
        if (!name.empty()) user_commands.insert(name);
    }
}

void ScriptLinter::run() {
    collectNames();
    statement_start = script.bufferStart();
    if (!labels.count("define")) report.add(statement_start, "Label \"define\" is not found.");
    const char* end = script.bufferEnd();
    script.jumpTo(script.bufferStart());
    for (;;) {
        const char* start = script.read_position;
        while (isBlank(*start)) ++start;
        if (start >= end) break;
        statement_start = start;
        if (takesWholeLine(*start)) {
            const char* lf = static_cast<const char*>(std::memchr(start, '\n', end - start));
            if ((lf ? lf : end) - start >= LONGEST_LINE) {
                report.add(start, "line longer than " + std::to_string(LONGEST_LINE) +
                                      " bytes: the engine stops on it");
                script.jumpTo(lf ? lf : end);
                continue;
            }
        }
        const char* token = script.readToken();
        if (script.lastTokenWasText()) {
            textLine(start);
            continue;
        }
        switch (token[0]) {
        case '\0':
            if (script.read_position >= end) return;
            continue;
        case '*':
            if (!std::strcmp(token + 1, "define")) in_define_section = true;
            continue;
        case ';':
        case ':':
        case '~':
        case '\n': continue;
        default: command(start);
        }
    }
}

void ScriptLinter::textLine(const char* start) {
    if (in_define_section) report.add(start, "text cannot be displayed in define section.");
    if (script.end_flags & END_ONE_BYTE) return; // colour tags are read in two-byte text only
    const char* text = script.token_buffer.data();
    for (const char* p = text; *p; ++p) {
        if (isLeadByte(*p)) {
            if (p[1]) ++p;
        } else if (*p == '#') {
            std::string tag(p, strnlen(p, 7));
            if (!parseHexColour(tag))
                report.add(start, "colour tag \"" + tag + "\" does not parse");
        }
    }
}

void ScriptLinter::command(const char* start) {
    const std::string token = script.token_buffer.data();
    const bool underscore = token[0] == '_';
    const std::string name = underscore ? token.substr(1) : token;
    const char* args = script.read_position;
    script.skipStatement();
    const char* end = script.read_position;
    script.read_position = args;

    const CommandEntry* entry = nullptr;
    if (underscore || !user_commands.count(name)) entry = findCommandEntry(name.c_str());
    if (!entry) {
        const std::string sound = shortcutSound(name);
        if (!sound.empty()) {
            if (!files.holds(sound)) report.add(start, "sound \"" + sound + "\" not found");
        } else if (!user_commands.count(name)) {
            report.add(start, "unknown command " + name);
        } else {
            bool unbalanced = false;
            checkLabels(splitArguments(args, end, unbalanced));
        }
        script.jumpTo(end);
        return;
    }
    if (entry->define_only && !in_define_section) report.add(start, entry->define_only);
    if (builtIn(*entry, args, end)) script.jumpTo(end);
}

bool ScriptLinter::builtIn(const CommandEntry& entry, const char* args, const char* end) {
    const char* name = entry.name;
    const std::string_view word = name;
    if (word == "if" || word == "notif") {
        const Condition condition = readCondition(args, end);
        if (condition.mixes_and_or)
            report.add(statement_start, "if: using & and | at the same time is not supported.");
        if (!condition.command) return true;
        script.jumpTo(condition.command);
        return false;
    }
    // Declarations that later statements read, carried out by the engine's own handlers.
    if (word == "numalias" || word == "stralias" || word == "dim") {
        (interpreter.*(word == "dim"        ? &CommandInterpreter::dimCommand
                       : word == "numalias" ? &CommandInterpreter::numaliasCommand
                                            : &CommandInterpreter::straliasCommand))();
    } else if (word == "vladir" || word == "vla" || word == "vl2" || word == "vl3" ||
               word == "sar" || word == "arc") {
        (interpreter.*(word == "vladir" ? &CommandInterpreter::vladirCommand
                       : word == "arc"  ? &CommandInterpreter::arcCommand
                                        : &CommandInterpreter::vlaCommand))();
        files.readerChanged();
    } else if (word == "english") {
        script.english_lines = true;
    } else if (word == "game") {
        in_define_section = false;
        requireLabel(statement_start, "start", "game: ");
    } else if (word == "defsub") {
        bool unbalanced = false;
        std::vector<Argument> arguments = splitArguments(args, end, unbalanced);
        if (auto declared = arguments.empty() ? std::nullopt : bareWord(arguments[0]))
            requireLabel(statement_start, *declared, "defsub: ");
        return true;
    } else if (word == "csel") {
        requireLabel(statement_start, CUSTOM_SELECT_LABEL, "csel: ");
    } else if (word == "for") {
        const std::string text(args, end);
        if (text.find('=') == std::string::npos)
            report.add(statement_start, "for: missing '='");
        else if (text.find("to") == std::string::npos)
            report.add(statement_start, "for: missing 'to'");
    }

    if (isChoiceCommand(name)) {
        // A comma at the end of a line, or at the start of the next, carries the list on.
        while (const char* next = continuationLine(args, end, script.bufferEnd())) {
            script.jumpTo(next);
            script.skipStatement();
            end = script.read_position;
        }
    }
    bool unbalanced = false;
    const std::vector<Argument> arguments = splitArguments(args, end, unbalanced);
    if (unbalanced) report.add(statement_start, std::string(name) + ": unbalanced brackets");
    if (word == "effect" && !arguments.empty()) {
        const auto number = integerLiteral(arguments[0]);
        if (number && (*number < FIRST_EFFECT_NUMBER || *number > LAST_EFFECT_NUMBER))
            report.add(statement_start, "effect: effect number out of range");
    }
    if (isChoiceCommand(name)) checkChoices(name, arguments);
    checkLabels(arguments);
    checkRoles(name, arguments);
    return true;
}

void ScriptLinter::checkChoices(const char* name, const std::vector<Argument>& arguments) {
    for (const Argument& argument : arguments)
        if (argument.empty()) {
            report.add(argument.begin, "select: double comma.");
            return;
        }
    // select, selgosub and csel take pairs of text and label; selnum a variable and texts.
    if (std::strcmp(name, "selnum") != 0 && arguments.size() % 2 != 0)
        report.add(statement_start, "select: missing comma.");
}

void ScriptLinter::checkLabels(const std::vector<Argument>& arguments) {
    for (const Argument& argument : arguments)
        if (auto label = labelLiteral(argument)) requireLabel(argument.begin, *label, "");
}

void ScriptLinter::checkRoles(const char* name, const std::vector<Argument>& arguments) {
    for (const ArgumentRole& role : argumentRoles(name)) {
        if (role.index >= static_cast<int32_t>(arguments.size())) continue;
        const Argument& argument = arguments[static_cast<size_t>(role.index)];
        const std::optional<std::string> text = literalText(argument);
        if (!text || text->empty()) continue;
        if (role.role & ROLE_PICTURE)
            checkPicture(argument, *text, role.role & ROLE_COLOUR);
        else if (role.role & ROLE_COLOUR)
            checkColour(argument.begin, *text);
        else if (role.role & ROLE_SOUND && (*text)[0] != '*')
            checkFile(argument, *text, "sound");
        else if (role.role & ROLE_MOVIE)
            checkFile(argument, *text, "movie");
    }
}

void ScriptLinter::checkPicture(const Argument& argument, const std::string& text,
                                bool colour_allowed) {
    if (colour_allowed && text[0] == '#') return checkColour(argument.begin, text);
    if (text == "white" || text == "black" || text == "*bgcpy") return;
    const ImageTag tag = parseTaggedString(text);
    if (tag.error == ImageTag::Error::BadColour) {
        report.add(argument.begin, "colour in \"" + text + "\" does not parse");
        return;
    }
    if (tag.transparency_mode == TransparencyMode::Text) return;
    if (tag.image_name && !tag.image_name->empty()) checkFile(argument, *tag.image_name, "picture");
    if (tag.transparency_mode == TransparencyMode::MaskImage && tag.mask_name &&
        !tag.mask_name->empty())
        checkFile(argument, *tag.mask_name, "picture");
}

void ScriptLinter::checkFile(const Argument& argument, const std::string& name, const char* kind) {
    if (!files.holds(name))
        report.add(argument.begin, std::string(kind) + " \"" + name + "\" not found");
}

void ScriptLinter::checkColour(const char* at, const std::string& text) {
    if (!parseHexColour(text)) report.add(at, "colour \"" + text + "\" does not parse");
}

void ScriptLinter::requireLabel(const char* at, const std::string& name, const char* why) {
    if (!labels.count(name))
        report.add(at, std::string(why) + "label *" + name + " does not exist");
}

std::optional<std::string> ScriptLinter::literalText(const Argument& argument) const {
    if (auto text = quotedLiteral(argument)) return text;
    if (auto word = bareWord(argument))
        if (const StrAlias* alias = script.findStrAlias(*word)) return alias->text;
    return std::nullopt;
}

} // namespace velmora::lint
