// The readers of the registry, DLL and INI files, each over a table of file
// texts and questions with the answer a script should get.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "persist/DllFile.h"
#include "persist/IniFile.h"
#include "persist/RegistryFile.h"

namespace velmora {
namespace {

using Answer = std::optional<std::string>;
const std::string LONG_NAME(256, 'k');

struct Lookup {
    std::string text;
    std::string section;
    std::string key;
    Answer expected;
};

TEST(HostFileReadersTest, RegistryValuesComeFromQuotedLinesAfterTheSection) {
    const char* stored = "[Game]\r\n\"Path\"=\"C:\\game\"\r\n[Other]\r\n\"Only\" = \"x\"\r\n";
    const Lookup cases[] = {
        {stored, "Game", "Path", "C:\\game"},
        {stored, "Game", "Only", "x"}, // the search runs past later headers
        {stored, "Other", "Path", {}}, // but never back before its own header
        {stored, "Gam", "Path", {}},
        {stored, "Game1", "Path", {}},
        {stored, "Game", "path", {}},
        {"[S]\nPath=x\n\"Path\"=$1\n\"Path\"=\"open\n\"Path\"\"x\"\n", "S", "Path", {}},
        {"[S]\n%1=\"a\"\n\"K\"=\"\"\n", "S", "K", ""},
        {"[S]\n\"K\"=\"v\"\n", LONG_NAME, "K", {}},
        {("[S]\n\"K\"=\"" + std::string(300, 'v') + "\"\n"), "S", "K", {}},
    };
    for (const Lookup& c : cases)
        EXPECT_EQ(findRegistryValue(c.text, c.section, c.key), c.expected)
            << c.text << " [" << c.section << "] " << c.key;
}

TEST(HostFileReadersTest, IniValuesIgnoreCaseBlanksCommentsAndOtherSections) {
    const char* ini = "; [Sec]\nKey=comment\n[Other]\nKey=other\n[ Sec ]\n"
                      "noequals\n KEY = Value 1 \r\nquoted=\"a b\"\n";
    const Lookup cases[] = {
        {ini, "sec", "key", "Value 1"},
        {ini, "SEC", "Quoted", "a b"},
        {ini, "other", "key", "other"},
        {ini, "Sec", "missing", {}},
        {ini, "Se", "key", {}},
        {ini, LONG_NAME, "key", {}},
        {ini, "Sec", "", {}},
        {("[S]\nk=" + std::string(2000, 'v')), "S", "K", std::string(1023, 'v')},
    };
    for (const Lookup& c : cases)
        EXPECT_EQ(findIniValue(c.text, c.section, c.key), c.expected)
            << c.text << " [" << c.section << "] " << c.key;
}

TEST(HostFileReadersTest, DllAnswersAreTheStrAndRetLinesOfItsSection) {
    using Values = std::vector<std::variant<std::string, int32_t>>;
    const char* dll = "[bar.dll]\nret = 1\n[foo.dll]\n\tstr = \"hello world\"\n"
                      "ret=  -42x\nstring = \"no\"\nstr \"no\"\nstr = open\nret = 99999999999\n"
                      "str = \"half\n[foo.dll]\nret = 5\n";
    struct Case {
        const char* name;
        bool found;
        Values values;
    } cases[] = {
        {"foo.dll", true, {"hello world", -42, INT32_MAX, "half"}},
        {"bar.dll", true, {1}},
        {"FOO.DLL", false, {}},
        {"foo", false, {}},
    };
    for (const Case& c : cases) {
        const DllAnswers answers = findDllAnswers(dll, c.name);
        EXPECT_EQ(answers.found, c.found) << c.name;
        EXPECT_EQ(answers.values, c.values) << c.name;
    }
}

} // namespace
} // namespace velmora
