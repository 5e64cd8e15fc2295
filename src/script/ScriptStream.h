// The loaded scenario script and everything that reads it: the script buffer,
// the label table, the tokenizer and argument readers, the variable store and
// the expression evaluator.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "archive/BaseReader.h"
#include "script/LabelIndex.h"
#include "script/ScriptBuffer.h"
#include "script/Variables.h"

namespace velmora {

constexpr int32_t TOKEN_BUFFER_SIZE = 2048;
constexpr int32_t DEFAULT_SCREEN_WIDTH = 640;
constexpr int32_t DEFAULT_SCREEN_HEIGHT = 480;
constexpr int32_t DEFAULT_VARIABLE_COUNT = 4096;
constexpr int32_t DEFAULT_GLOBAL_BORDER = 200;

// Bits of ScriptStream::end_flags.
constexpr int32_t END_COMMA = 1;    // a comma followed the last token or argument
constexpr int32_t END_ONE_BYTE = 2; // the last token was one-byte text

// The script files that may make up a game, by how their bytes are decoded.
enum class ScriptMode : int32_t { Plain = 0, Xor = 1, KeyedSecret = 2, KeyTable = 3 };

// One file of a loaded script: its name and where its bytes begin in the
// script buffer (each file starts on a line of its own).
struct ScriptPart {
    std::string file_name; // as found under the archive path; empty for a script from memory
    size_t offset = 0;
};

// A list of names kept upper-cased with '/' read as '\' (the label and file logs).
struct NameLog {
    std::vector<std::string> names;                 // in the order they were added
    std::unordered_map<std::string, int32_t> index; // name -> position in names
    std::string file_name;
};

class ScriptStream {
  public:
    ScriptStream();

    // ---- Loading ----
    // Reads the script files under archive_path; 0, or -1 when none exists.
    int32_t loadScript(const std::string& archive_path);
    // Copies the 256-byte substitution table, or installs the identity for null.
    void installKeyTable(const uint8_t* table);
    // Loads a script held in memory as if read from a plain text file (tests and
    // tools); 0, or -1 when the header asks for more variables than can be had.
    int32_t loadFromMemory(const char* bytes, size_t length);

    // The files the script was read from, in buffer order.
    const std::vector<ScriptPart>& scriptParts() const { return parts; }
    const char* bufferStart() const { return script_buffer.data(); }
    const char* bufferEnd() const { return script_buffer.data() + script_length; }
    size_t scriptLength() const { return script_length; }
    // Line feeds in [from, to).
    static int32_t countLineFeeds(const char* from, const char* to);
    size_t offsetOf(const char* pos) const { return static_cast<size_t>(pos - bufferStart()); }

    // ---- Tokens ----
    const char* readToken();
    bool lastTokenWasText() const { return text_token; }
    bool lastTokenWasRead() const { return was_read; }
    // The current token, less one leading '_', begins with `name`.
    bool tokenIs(const char* name) const;

    // ---- Argument readers ----
    int32_t readInteger();
    const char* readStr();
    void readVariableRef();
    const char* readLabelToken();
    void saveVariableRef() { saved_ref = last_ref; }
    void copyTokenToSaved();
    // Parses "#rrggbb" into rgb[0..2]; a parse error ends the process.
    void readColor(uint8_t rgb[3], const char* text) const;

    // ---- Position control ----
    void jumpTo(const char* pos) { token_start = read_position = pos; }
    void pushPosition(const char* pos);
    void popPosition();
    void skipStatement();
    void advanceLines(int32_t n);
    bool nextIsKeyword(const char* word);
    // True, with the word consumed, when the next token is exactly `word`.
    bool takeKeyword(const char* word);
    void addStringBuffer(char byte);
    int32_t clickWaitKind(const char* text, bool nested) const;
    static int32_t formatNumber(char* out, int32_t value, int32_t width, bool zero_pad);

    // ---- Labels ----
    int32_t labelIndexOf(const std::string& name) const;
    LabelEntry labelNamed(const std::string& name);
    LabelEntry labelAfter(const std::string& name);
    const LabelEntry& labelAt(const char* pos) const;
    const LabelEntry& labelAtLine(int32_t line) const;
    int32_t lineInLabel(const char* pos) const;
    const char* addressOfLine(int32_t line) const;
    const std::vector<LabelEntry>& labelTable() const { return labels; }

    // ---- Variables and expressions ----
    VariableSlot& variableSlot(int32_t n);
    void setNumber(int32_t n, int32_t v);
    void setInt(const VarRef& ref, int32_t v, int32_t offset = 0);
    int32_t valueOfRef(const VarRef& ref);
    int32_t& arrayCell(int32_t number, const VarRef& ref, int32_t offset);
    static void setString(std::string& text, const char* source, int32_t length = -1);
    int32_t parseOperand(const char*& p);
    int32_t parseOpTerm(const char*& p, bool want_operator, int32_t& op);
    int32_t evalIntExpr(const char*& p);
    int32_t applyOperator(int32_t x, int32_t op, int32_t y);
    void parseStr(const char*& p);
    void parseArray(const char*& p);
    void declareArray();
    void addNumAlias(const std::string& name, int32_t value);
    void addStrAlias(const std::string& name, const std::string& text);
    const NumAlias* findNumAlias(const std::string& name) const;
    const StrAlias* findStrAlias(const std::string& name) const;
    const ArrayVar* findArray(int32_t number) const;
    void resetScriptState();
    // Sets the local variables (below global_border) to 0 and no text.
    void clearLocalVariables();

    // ---- Read marks and logs ----
    void markRead(const char* pos);
    // Index of the normalised name in the log, appending it when `add`; -1 if absent.
    int32_t findInLog(NameLog& log, const char* name, bool add);
    static void clearLog(NameLog& log) {
        log.names.clear();
        log.index.clear();
    }
    // Turns read marks on and fills them from kidoku.dat when it exists.
    void loadReadMarks();
    // Writes kidoku.dat; a failure is reported and play goes on.
    void saveReadMarks();
    // Replaces the log's names by those of its file, when it exists.
    void loadLog(NameLog& log);
    // Writes the log's file; a failure ends the process.
    void saveLog(NameLog& log);
    // save_dir when set, else archive_path, followed by name.
    std::string sideFilePath(const char* name) const;

    // ---- Errors ----
    // Prints the script error with the label and line of token_start; ends the process.
    [[noreturn]] void scriptError(const char* message) const;

    // ---- State (see the data model of each part of the stream) ----
    // Header settings.
    int32_t screen_width = DEFAULT_SCREEN_WIDTH;
    int32_t screen_height = DEFAULT_SCREEN_HEIGHT;
    int32_t variable_count = DEFAULT_VARIABLE_COUNT;
    int32_t global_border = DEFAULT_GLOBAL_BORDER;

    std::string archive_path;
    std::array<uint8_t, 256> key_table{};
    bool key_table_present = false;
    // Every script file is UTF-8 (--utf8), not only those that begin with the
    // byte-order mark; either way it is converted to Shift_JIS as it is read.
    bool utf8_scripts = false;
    // What the last load's conversion could not show, as "FILE:LINE: message"
    // lines; they are also printed on standard error unless this is cleared.
    std::vector<std::string> conversion_problems;
    bool print_conversion_problems = true;

    const char* token_start = nullptr;
    const char* read_position = nullptr;
    std::array<char, TOKEN_BUFFER_SIZE> token_buffer{};
    int32_t token_length = 0;
    std::array<char, TOKEN_BUFFER_SIZE> saved_buffer{};
    std::array<char, TOKEN_BUFFER_SIZE> piece_buffer{};
    int32_t piece_length = 0;
    int32_t end_flags = 0;
    bool text_token = false;
    const char* wait_mark = nullptr;
    bool english_lines = false;
    // Click-wait characters set by `clickstr`: two-byte characters, and after a
    // backquote one-byte characters.
    std::string clickstr_list;

    VarRef last_ref;
    VarRef saved_ref;

    std::vector<VariableSlot> slots;
    std::deque<OverflowSlot> overflow_slots; // a deque keeps slot references valid as it grows
    std::vector<ArrayVar> arrays;
    std::vector<NumAlias> num_aliases;
    std::vector<StrAlias> str_aliases;

    bool read_marks_on = false;
    std::vector<uint8_t> read_marks;
    bool was_read = false;
    NameLog label_log{{}, {}, "Vlscllog.dat"};
    NameLog file_log{{}, {}, "Vlscflog.dat"};
    std::string save_dir;               // where the read marks and logs go, when set
    std::unique_ptr<BaseReader> reader; // every resource is read through it

  private:
    // Reads and decodes one file at cursor, which has room for `size` bytes and
    // a line feed, moves cursor past it and adds the '*' bytes read to stars;
    // false when memory ran out.
    bool readScriptSub(std::FILE* file, const std::string& name, size_t size, char*& cursor,
                       ScriptMode mode, size_t& stars);
    // Replaces the n UTF-8 bytes at cursor by their Shift_JIS, reporting what
    // has no code, and growing the buffer when they outgrow `room`; false when
    // memory ran out.
    bool convertFromUtf8(const std::string& name, size_t room, char*& cursor, size_t& n);
    // Makes the buffer `extra` bytes larger, keeping what precedes cursor.
    bool growBuffer(char*& cursor, size_t extra);
    void readHeaderLine();
    // Builds the label table; label_bound is at least the number of labels.
    void indexLabels(size_t label_bound);
    int32_t finishLoad(size_t label_bound);
    void endArgument(const char* p);
    const char* skipBlanks(const char* p) const;
    void appendToken(const char* bytes, size_t n);
    void appendPiece(const char* bytes, size_t n);
    void appendInteger(int32_t value);
    // Copies a two-byte character; false when the line ends after its lead byte.
    bool appendDoubleByte(const char*& p);
    // Appends the value of the %, ? or $ operand at p and skips the blanks after it.
    void appendOperandValue(const char*& p);
    void readTextToken(const char* p);
    void readOneByteText(const char* p);
    void readEnglishLine(const char* p);
    const char* scanLabelToken(const char* p);

    ScriptBuffer script_buffer; // the script, then a NUL
    size_t script_length = 0;
    size_t script_capacity = 0;     // bytes allocated while the files are read
    std::vector<ScriptPart> parts;  // the files, in buffer order
    std::vector<LabelEntry> labels; // script order, then the sentinel
    LabelIndex label_index;         // first label of each name
    bool labels_ready = false;
    const char* pushed_token_start = nullptr;
    const char* pushed_read_position = nullptr;
};

// Writes " *** Parse error at %s:%d [%s] ***" (or with "; detail") and ends the process.
[[noreturn]] void reportParseError(const char* label, int32_t line, const char* message,
                                   const char* detail = nullptr);

} // namespace velmora
