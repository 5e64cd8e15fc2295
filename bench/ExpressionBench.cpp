// Expression evaluation throughput: a mix of integer expressions read with
// readInteger and a mix of string expressions read with readStr, each from a
// script loaded in memory. Every iteration jumps back to the start of each
// expression; the rate is reported as expressions per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "script/ScriptStream.h"

namespace {

using velmora::ScriptStream;

struct IntegerCase {
    const char* text;
    int32_t expected;
};

struct StringCase {
    const char* text;
    const char* expected;
};

// With %1 = 5, %2 = 4, %3 = 4, %4 = 9 and ?5[1][2] = 6.
constexpr IntegerCase INTEGER_CASES[] = {
    {"1 + 2 * 3", 7},
    {"%1 * (%2 + 7) mod 13", 3},
    {"?5[1][2] + %%3", 15},
};

// With $1 = "xyz" and the string alias greeting = "hello".
constexpr StringCase STRING_CASES[] = {
    {"\"abc\"+$1+\"def\"", "abcxyzdef"},
    {"greeting+\", \"+$1", "hello, xyz"},
};

constexpr const char* ARRAY_DECLARATION = "?5[3][3]";

// A stream holding every expression on a line of its own, with the variables,
// the array and the alias the expressions use.
class ExpressionScript {
  public:
    ExpressionScript() {
        std::string text = "*define\n";
        text += std::string(ARRAY_DECLARATION) + "\n";
        for (const IntegerCase& c : INTEGER_CASES) text += std::string(c.text) + "\n";
        for (const StringCase& c : STRING_CASES) text += std::string(c.text) + "\n";
        stream.loadFromMemory(text.data(), text.size());

        stream.jumpTo(find(ARRAY_DECLARATION));
        stream.declareArray();
        const int32_t values[][2] = {{1, 5}, {2, 4}, {3, 4}, {4, 9}};
        for (const auto& v : values) stream.setNumber(v[0], v[1]);
        stream.jumpTo(find("?5[1][2] +"));
        stream.readVariableRef();
        stream.setInt(stream.last_ref, 6);
        ScriptStream::setString(stream.variableSlot(1).text, "xyz");
        stream.addStrAlias("greeting", "hello");
    }

    // The start of the first line that begins with `text`.
    const char* find(const char* text) const {
        const size_t n = std::strlen(text);
        const char* line = stream.bufferStart();
        while (line < stream.bufferEnd()) {
            if (std::strncmp(line, text, n) == 0) return line;
            line = static_cast<const char*>(std::memchr(line, '\n', stream.bufferEnd() - line)) + 1;
        }
        return nullptr;
    }

    ScriptStream stream;
};

void BM_IntegerExpressions(benchmark::State& state) {
    ExpressionScript script;
    std::vector<const char*> starts;
    for (const IntegerCase& c : INTEGER_CASES) {
        const char* start = script.find(c.text);
        script.stream.jumpTo(start);
        if (!start || script.stream.readInteger() != c.expected) {
            state.SkipWithError((std::string("wrong value for ") + c.text).c_str());
            return;
        }
        starts.push_back(start);
    }
    for (auto _ : state) {
        for (const char* start : starts) {
            script.stream.jumpTo(start);
            benchmark::DoNotOptimize(script.stream.readInteger());
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * starts.size()));
}

void BM_StringExpressions(benchmark::State& state) {
    ExpressionScript script;
    std::vector<const char*> starts;
    for (const StringCase& c : STRING_CASES) {
        const char* start = script.find(c.text);
        script.stream.jumpTo(start);
        if (!start || std::strcmp(script.stream.readStr(), c.expected) != 0) {
            state.SkipWithError((std::string("wrong text for ") + c.text).c_str());
            return;
        }
        starts.push_back(start);
    }
    for (auto _ : state) {
        for (const char* start : starts) {
            script.stream.jumpTo(start);
            benchmark::DoNotOptimize(script.stream.readStr());
        }
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * starts.size()));
}

} // namespace

BENCHMARK(BM_IntegerExpressions);
BENCHMARK(BM_StringExpressions);
