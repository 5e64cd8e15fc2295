// The label table against a line-by-line walk of the script, over many
// generated scripts with labels in every position the tokenizer allows.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "script/ByteScan.h"
#include "script/ScriptStream.h"

namespace {

struct Expected {
    std::string name;
    size_t header, body;
    int32_t first_line, line_count;
};

bool isIdent(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// The plain walk: at each line start skip blanks; a '*' there starts a label
// whose statements begin after its name, blanks and one comma; every other
// line adds one to the current label.
std::vector<Expected> walk(const std::string& b) {
    std::vector<Expected> out;
    size_t p = 0;
    int32_t line = 0;
    while (p < b.size()) {
        while (b[p] == ' ' || b[p] == '\t') ++p;
        if (b[p] != '*') {
            if (!out.empty()) ++out.back().line_count;
            p = b.find('\n', p) + 1;
            ++line;
            continue;
        }
        Expected e{"", p, 0, line, 1};
        size_t q = p + 1;
        while (b[q] == ' ' || b[q] == '\t') ++q;
        while (isIdent(b[q])) e.name += static_cast<char>(std::tolower(b[q++]));
        while (b[q] == ' ' || b[q] == '\t') ++q;
        if (b[q] == ',') {
            ++q;
            while (b[q] == ' ' || b[q] == '\t') ++q;
        }
        if (b[q] == '\n') {
            ++q;
            ++line;
        }
        e.body = q;
        out.push_back(e);
        p = q;
    }
    return out;
}

} // namespace

TEST(LabelIndex, MatchesTheLineWalkOnGeneratedScripts) {
    const char* pieces[] = {"*a",  "*Lab_1", " ",  "\t", ",",  "x",     "2*3",  "*",
                            "mov", ":",      "\n", "\n", "\n", "\x81*", "*b ,", "foo *c"};
    std::mt19937 rng(12345);
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        int n = static_cast<int>(rng() % 40);
        for (int i = 0; i < n; ++i) text += pieces[rng() % std::size(pieces)];
        velmora::ScriptStream s;
        s.loadFromMemory(text.data(), text.size());
        std::string buffer(s.bufferStart(), s.scriptLength());
        std::vector<Expected> expected = walk(buffer);
        const auto& table = s.labelTable();
        ASSERT_EQ(table.size(), expected.size() + 1) << text;
        for (size_t i = 0; i < expected.size(); ++i) {
            SCOPED_TRACE(testing::Message()
                         << "script: " << testing::PrintToString(text) << " label " << i);
            EXPECT_EQ(table[i].name, expected[i].name);
            EXPECT_EQ(static_cast<size_t>(table[i].header - s.bufferStart()), expected[i].header);
            EXPECT_EQ(static_cast<size_t>(table[i].body - s.bufferStart()), expected[i].body);
            EXPECT_EQ(table[i].first_line, expected[i].first_line);
            EXPECT_EQ(table[i].line_count, expected[i].line_count);
        }
        EXPECT_EQ(table.back().body, nullptr);
    }
}

// The name index over thousands of labels: every name leads to its first
// label, later labels of a name are not reached, and absent names are -1.
TEST(LabelIndex, FirstLabelOfEachNameAmongThousands) {
    std::vector<velmora::LabelEntry> labels(5000);
    for (size_t i = 0; i < labels.size(); ++i) labels[i].name = "n" + std::to_string(i % 3000);
    velmora::LabelIndex index;
    EXPECT_EQ(index.find(labels, "n0"), -1); // nothing built yet
    index.build(labels, labels.size());
    const std::pair<const char*, int32_t> cases[] = {
        {"n0", 0}, {"n1999", 1999}, {"n2999", 2999}, {"n3000", -1}, {"", -1}, {"n", -1}};
    for (const auto& [name, position] : cases)
        EXPECT_EQ(index.find(labels, name), position) << name;
    for (size_t i = 0; i < 3000; ++i)
        ASSERT_EQ(index.find(labels, labels[i].name), static_cast<int32_t>(i));
}

// The sixteen-byte scans against plain loops, over random bytes rich in the
// searched values and at every alignment of start and end.
TEST(LabelIndex, ByteScansMatchPlainLoops) {
    std::mt19937 rng(99);
    std::string bytes(70000, ' ');
    for (char& c : bytes) c = "*\n\rab"[rng() % 5 == 0 ? rng() % 3 : 3 + rng() % 2];
    for (size_t from = 0; from < 20; from += 3) {
        const char* begin = bytes.data() + from;
        const char* end = bytes.data() + bytes.size() - from;
        EXPECT_EQ(velmora::countByte(begin, end, '*'),
                  static_cast<size_t>(std::count(begin, end, '*')));
        int32_t line = 0;
        int32_t expected_line = 0;
        for (const char* p = begin; p < end;) {
            const char* star = velmora::nextStar(p, end, line);
            const char* plain = std::find(p, end, '*');
            expected_line += static_cast<int32_t>(std::count(p, plain, '\n'));
            ASSERT_EQ(star, plain);
            ASSERT_EQ(line, expected_line);
            p = star == end ? end : star + 1;
        }
    }
}
