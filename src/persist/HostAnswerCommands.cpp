// The commands that ask the host for values: the registry, DLL calls and INI
// files. The game's own text files answer them; nothing of the host is read
// and nothing is executed.
#include <cstdio>
#include <optional>
#include <string>
#include <variant>

#include "archive/CaseInsensitiveLookup.h"
#include "archive/DirectReader.h"
#include "engine/Velmora.h"
#include "persist/DllFile.h"
#include "persist/IniFile.h"
#include "persist/RegistryFile.h"
#include "persist/SideFileText.h"

namespace velmora {

namespace {

// A file a script or the command line names, under the game directory: '\\'
// separates directories, and a name in another letter case finds the file as
// loose resources do. Unresolved names are returned as written, to fail to open.
std::string pathUnderGame(const std::string& archive_path, const std::string& name) {
    const std::string loose = DirectReader::looseName(name);
    CaseInsensitiveLookup lookup;
    const std::string resolved = lookup.resolve(archive_path, loose);
    return resolved.empty() ? archive_path + loose : resolved;
}

} // namespace

std::optional<std::string> Velmora::readHostFile(const std::string& name) const {
    std::optional<std::string> text = readSideFile(pathUnderGame(archive_path, name));
    if (!text) std::fprintf(stderr, "Cannot open file [%s]\n", name.c_str());
    return text;
}

int32_t Velmora::getregCommand() {
    script.readVariableRef();
    const VarRef target = script.last_ref;
    if (target.kind != RefString) parseError("getreg: no string variable.");
    const std::string section = script.readStr();
    const std::string key = script.readStr();
    std::printf("  reading Registry file for [%s] %s\n", section.c_str(), key.c_str());
    const std::optional<std::string> text = readHostFile(registry_file);
    if (!text) return RESULT_PROCEED;
    if (const std::optional<std::string> value = findRegistryValue(*text, section, key)) {
        script.variableSlot(target.number).text = *value;
        std::printf("  $%d = %s\n", target.number, value->c_str());
    } else {
        std::fprintf(stderr, "  The key is not found.\n");
    }
    return RESULT_PROCEED;
}

int32_t Velmora::execDllCommand() {
    const std::string call = script.readStr();
    // "name.dll/arguments": the arguments are for a DLL that is never run.
    const std::string dll = call.substr(0, call.find('/'));
    std::printf("  reading %s for %s\n", dll_file.c_str(), dll.c_str());
    const std::optional<std::string> text = readHostFile(dll_file);
    if (!text) return RESULT_PROCEED;
    const DllAnswers answers = findDllAnswers(*text, dll);
    if (!answers.found) {
        std::fprintf(stderr, "  The DLL is not found in %s.\n", dll_file.c_str());
        return RESULT_PROCEED;
    }
    for (const auto& value : answers.values) {
        if (const std::string* str = std::get_if<std::string>(&value)) {
            getret_str = *str;
            std::printf("  getret_str = %s\n", getret_str.c_str());
        } else {
            input.getret_value = std::get<int32_t>(value);
            std::printf("  getret_int = %d\n", input.getret_value);
        }
    }
    return RESULT_PROCEED;
}

int32_t Velmora::getretCommand() {
    script.readVariableRef();
    const VarRef target = script.last_ref;
    if (target.kind == RefInteger || target.kind == RefArray)
        script.setInt(target, input.getret_value);
    else if (target.kind == RefString)
        script.variableSlot(target.number).text = getret_str;
    else
        parseError("getret: no variable.");
    return RESULT_PROCEED;
}

int32_t Velmora::getiniCommand() {
    script.readVariableRef();
    const VarRef target = script.last_ref;
    if (target.kind != RefString) parseError("getini: no string variable.");
    const std::string file = script.readStr();
    const std::string section = script.readStr();
    const std::string key = script.readStr();
    if (file.empty()) parseError("getini: no filename given.");
    if (section.empty()) parseError("getini: no section given.");
    if (key.empty()) parseError("getini: no key given.");
    // The file checked is the file read: one read of the game directory's copy.
    const std::optional<std::string> text = readSideFile(pathUnderGame(archive_path, file));
    if (!text) parseError("getini: cannot open filename given.", file.c_str());
    if (section.size() > SIDE_NAME_LIMIT || key.size() > SIDE_NAME_LIMIT)
        std::fprintf(stderr, "getini: section or key longer than %zu bytes; no value\n",
                     SIDE_NAME_LIMIT);
    script.variableSlot(target.number).text = findIniValue(*text, section, key).value_or("");
    return RESULT_PROCEED;
}

} // namespace velmora
