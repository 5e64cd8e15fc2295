// The script-level half of the engine: execution position, the commands that
// shape variables and control flow, and the parse-error report.
#pragma once

#include <cstdint>
#include <string>

#include "graphics/Effect.h"
#include "interp/CallStack.h"
#include "persist/FileBuffer.h"
#include "script/ScriptStream.h"
#include "sound/SoundVolumes.h"
#include "text/FontState.h"
#include "text/KinsokuLists.h"

namespace velmora {

// Result codes of command handlers, the text display and Parseline.
constexpr int32_t RESULT_DROP_LINE = 1; // the rest of the line is not executed
constexpr int32_t RESULT_PROCEED = 2;   // ordinary completion
constexpr int32_t RESULT_LINE_DONE = 8; // the current line has ended

// A label argument names its label after the leading '*'.
inline const char* labelName(const char* argument) {
    return argument[0] ? argument + 1 : argument;
}

// The sounds of selectvoice, by their place in select_voices.
enum SelectVoice : size_t { SELECT_VOICE_OPEN, SELECT_VOICE_OVER, SELECT_VOICE_CLICK };
// The sounds of menuselectvoice, by their place in menu_select_voices.
enum MenuVoice : size_t {
    MENU_VOICE_OPEN,
    MENU_VOICE_CANCEL,
    MENU_VOICE_OVER,
    MENU_VOICE_CLICK,
    MENU_VOICE_WARNING,
    MENU_VOICE_YES,
    MENU_VOICE_NO,
};

// Bits of skip_mode.
constexpr int32_t SKIP_TEXT = 1;        // skip mode: text and click waits pass by themselves
constexpr int32_t SKIP_SHOW_REST = 2;   // the rest of the current text shows at once
constexpr int32_t SKIP_TO_PAGE_END = 4; // a click passes on to the end of the page

// The layout of the yesnobox and okcancelbox dialogs: plain 18 x 18 glyphs,
// 20 pixels from one line to the next.
constexpr int32_t DIALOG_GLYPH_SIZE = 18;
constexpr int32_t DIALOG_LINE_PITCH = 20;

// The layout of the system menus before menusetwindow.
inline FontState menuFontDefaults() {
    FontState font;
    font.glyph_size = {26, 26};
    font.cell_pitch = {26, 28};
    font.area_origin = {0, 16};
    font.area_cells = {32, 23};
    font.window_shade_color = {204, 204, 204};
    return font;
}

inline FontState dialogFontDefaults() {
    FontState font;
    font.glyph_size = Vec2{DIALOG_GLYPH_SIZE, DIALOG_GLYPH_SIZE};
    font.cell_pitch = Vec2{DIALOG_GLYPH_SIZE, DIALOG_LINE_PITCH};
    font.bold = false;
    font.shadow = false;
    return font;
}

class CommandInterpreter {
  public:
    // Prints " *** Parse error at label:line [message] ***" and ends the process.
    [[noreturn]] void parseError(const char* message, const char* detail = nullptr) const;
    // Stops with `message` as a parse error unless the define section is running.
    void requireDefineSection(const char* message) const;

    // Makes the label current and reads on from its body.
    void jumpToLabel(const std::string& name);
    // Reads on from pos, making the label that contains it current.
    void jumpToPosition(const char* pos);

    // ---- Control flow: call stack, user commands, jumps, loops, conditions ----
    int32_t gotoCommand();
    int32_t gosubCommand();
    int32_t returnCommand();
    int32_t skipCommand();
    int32_t forCommand();
    int32_t nextCommand();
    int32_t breakCommand();
    int32_t ifCommand();       // if, notif
    int32_t getparamCommand(); // getparam, getparam2
    int32_t defsubCommand();
    int32_t luasubCommand();
    int32_t luacallCommand();
    int32_t textgosubCommand();
    int32_t pretextgosubCommand();
    int32_t loadgosubCommand();

    // A command declared by the script with defsub (or luasub, which does nothing).
    struct UserCommand {
        std::string name; // lower-case
        bool lua = false;
    };
    // The first user command declared with exactly that name, or null.
    const UserCommand* findUserCommand(const char* name) const;
    // Pushes a gosub frame returning to return_position and jumps to the label;
    // a textgosub frame also records where the interrupted text goes on.
    void callSubroutine(const std::string& label, const char* return_position, CallKind call);
    // Forgets the hook labels and user commands that the define section declared.
    void resetControlFlowSettings();
    // No loop skip, no ~ mark, no text line started.
    void resetExecutionState();

    CallStack call_stack;
    // By first letter, each in the order of declaration.
    std::array<std::vector<UserCommand>, 26> user_commands;
    std::string textgosub_label;    // without the '*'; empty: none
    std::string pretextgosub_label; // without the '*'; empty: none
    std::string loadgosub_label;    // without the '*'; empty: none
    int32_t line_enter_state = 0;   // 0 the text line has not started
    bool pagetag_started = false;

    // ---- Value commands ----
    int32_t movCommand(); // mov, mov3 ... mov10, movl
    int32_t addCommand();
    int32_t subCommand();
    int32_t mulCommand();
    int32_t divCommand();
    int32_t modCommand();
    int32_t incCommand();
    int32_t decCommand();
    int32_t sinCommand();
    int32_t cosCommand();
    int32_t tanCommand();
    int32_t cmpCommand();
    int32_t lenCommand();
    int32_t midCommand();
    int32_t atoiCommand();
    int32_t itoaCommand(); // itoa, itoa2
    int32_t dateCommand();
    int32_t timeCommand();
    // Destination, operand; stores destination `op` operand (an ExprOperator).
    int32_t arithmeticCommand(int32_t op);
    // Destination, degrees; stores 1000 × fn(degrees) truncated toward zero.
    int32_t trigonometryCommand(double (*fn)(double));

    // ---- Define-section settings ----
    int32_t zenkakkoCommand();
    int32_t windowchipCommand();
    int32_t windowbackCommand();
    int32_t usewheelCommand();
    int32_t useescspcCommand();
    int32_t underlineCommand();
    int32_t transmodeCommand();
    int32_t shadedistanceCommand();
    int32_t savenumberCommand();
    int32_t roffCommand();
    int32_t pagetagCommand();
    int32_t modeSayaCommand();
    int32_t modeExtCommand(); // mode_ext, automode
    int32_t maxkaisoupageCommand();
    int32_t lookbackspCommand();
    int32_t lookbackcolorCommand();
    int32_t linepageCommand(); // linepage, linepage2
    int32_t clickstrCommand();
    int32_t labellogCommand();
    int32_t filelogCommand();
    int32_t kidokuskipCommand();
    int32_t kidokumodeCommand();
    int32_t humanzCommand();
    int32_t globalonCommand();
    int32_t englishCommand();
    int32_t effectcutCommand();
    int32_t effectblankCommand();
    int32_t defvoicevolCommand();
    int32_t defsevolCommand();
    int32_t defmp3volCommand();
    int32_t defaultspeedCommand();
    int32_t versionstrCommand();
    int32_t selectcolorCommand();
    int32_t menuselectcolorCommand();
    int32_t menusetwindowCommand();
    int32_t selectvoiceCommand();
    int32_t menuselectvoiceCommand();
    int32_t clickvoiceCommand();
    int32_t savenameCommand();
    int32_t savedirCommand();
    int32_t defaultfontCommand();
    int32_t setkinsokuCommand();
    int32_t addkinsokuCommand();
    int32_t rubyonCommand();
    int32_t rubyoffCommand();
    int32_t rmenuCommand();
    int32_t effectCommand(); // effect, windoweffect
    int32_t vladirCommand();
    int32_t vlaCommand(); // vla, vl2, vl3, sar
    int32_t arcCommand();
    int32_t spiCommand(); // spi, soundpressplgin
    // Restores the settings to their defaults, except those that outlive a reset.
    void resetDefineSettings();
    // Reads the type, then duration and picture while commas follow; returns how many.
    int32_t readEffectArgument(EffectSpec& effect);
    // Files the game writes go to archive_path + name; the directory is created.
    void setSaveDirectory(const std::string& name);

    // Shift_JIS defaults of the save menus: the save title, the load title and the slot word.
    static constexpr const char* DEFAULT_SAVE_MENU_NAME =
        "\x81\x83\x83\x5a\x81\x5b\x83\x75\x81\x84";
    static constexpr const char* DEFAULT_LOAD_MENU_NAME =
        "\x81\x83\x83\x8d\x81\x5b\x83\x68\x81\x84";
    static constexpr const char* DEFAULT_SAVE_ITEM_NAME = "\x82\xb5\x82\xa8\x82\xe8";
    static constexpr const char* DEFAULT_VERSION_TEXT =
        "Velmora\nA script engine for visual novels\n";

    struct RmenuItem {
        std::string label;
        int32_t system_call = 0;
    };

    bool zenkakko = false;
    int32_t window_chip_sprite = -1;
    bool window_back = false;
    bool use_wheel = false;
    bool use_esc_spc = false;
    bool force_button_shortcut = false;              // command line: useescspc changes nothing
    int32_t underline_value = DEFAULT_SCREEN_HEIGHT; // not reset
    int32_t default_transparency = 2;                // top-left pixel is the key colour
    Vec2 shade_distance{1, 1};
    std::array<std::string, 3> select_voices;      // open, over, click (SelectVoice)
    std::array<std::string, 7> menu_select_voices; // open, cancel, over, click, warning, yes, no
    std::array<std::string, 2> click_voices;       // click wait, page wait
    int32_t save_slot_count = 9;
    std::string save_menu_name = DEFAULT_SAVE_MENU_NAME;
    std::string load_menu_name = DEFAULT_LOAD_MENU_NAME;
    std::string save_item_name = DEFAULT_SAVE_ITEM_NAME;
    std::string save_dir;      // with its separator; empty: archive_path. Not reset
    std::string save_dir_name; // as the script or the environment file named it. Not reset
    bool rmenu_enabled = true;
    std::vector<RmenuItem> rmenu_items;
    int32_t rmenu_width = 0; // widest label in full-width characters, plus one
    bool pagetag_mode = false;
    std::string vla_dir;
    int32_t vla_skip = 0; // not reset
    bool mode_saya = false;
    bool automode_enabled = false;
    int32_t max_pages = 17;
    std::array<int32_t, 2> lookback_sprites{-1, -1};
    Rgb lookback_color{255, 255, 0};
    int32_t linepage_mode = 0; // 1 linepage, 2 linepage2
    int32_t clickstr_line = 0;
    bool labellog_on = false;
    bool filelog_on = false;
    bool kidokuskip_on = false;
    bool kidokumode = true; // not reset
    int32_t sprite_z_order = 499;
    bool globalon = false;
    bool effectcut = false;
    int32_t effect_blank = 10;
    std::vector<EffectSpec> effect_list{EffectSpec{}}; // [0] is the root, id 0
    EffectSpec window_effect{0, 1, 0, {}};
    SoundVolumes volumes; // not reset
    std::array<int32_t, 3> default_speeds{40, 20, 10};
    std::string default_font_name; // not reset
    std::string version_text = DEFAULT_VERSION_TEXT;
    FontState story_font;
    FontState menu_font = menuFontDefaults(); // the system menus; menusetwindow changes it
    // The dialogs' layout: no command changes it, and it is not reset.
    FontState dialog_font = dialogFontDefaults();
    Vec2 ruby_glyph_size{-1, -1}; // -1: half the story glyph size
    std::string ruby_font_name;   // empty: the story font
    KinsokuLists kinsoku;
    int32_t scale_num = 1; // screen pixels per script pixel
    int32_t scale_den = 1;

    // ---- Global variables, environment file, read marks and logs ----
    // gloval.sav: the variables from global_border up, when globalon. A failure is reported.
    void writeGlobalVariables();
    void readGlobalVariables();
    // envdata: the player's preferences, always under archive_path.
    void readEnvironmentFile();
    void writeEnvironmentFile();
    // The file log, label log and read marks whose switches are on.
    void writeLogsAndMarks();
    // envdata, gloval.sav when globalon, then the logs and read marks.
    void writeQuitFiles();

    FileBuffer file_buffer;        // builds and reads the side files and save files
    bool fullscreen = false;       // the window covers the screen
    bool window_requested = false; // command line: never switch to full screen
    int32_t text_speed_index = 1;  // into default_speeds
    int32_t skip_mode = 0;         // SKIP_ bits
    int32_t automode_time = 1000;
    int32_t env_flag_a = 1; // kept only for envdata, as read
    int32_t env_flag_b = 1;
    std::string env_text;
    int32_t env_reserved = 0;         // the field after kidokumode, kept as read
    std::vector<uint8_t> env_unknown; // bytes after the known fields, written back unchanged

    // Define-section commands of the variable store.
    int32_t intlimitCommand();
    int32_t dimCommand();
    int32_t numaliasCommand();
    int32_t straliasCommand();

    ScriptStream script;

    LabelEntry current_label;         // the label being executed; a null body ends the script
    int32_t current_line = 0;         // line within current_label, 0 on the label's own line
    int32_t token_offset = 0;         // bytes of the current text token already shown
    const char* tilde_mark = nullptr; // just after the last '~' passed; target of jumpb
    bool skipping_to_next = false;    // pass over statements until a `next`
    bool in_define_section = false;   // from definereset until game
};

} // namespace velmora
