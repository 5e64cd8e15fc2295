// The settings a game makes in its define section: window and menu looks,
// sounds, save names and directory, read marks and logs, effects, volumes,
// speeds, line-breaking lists and archives.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "archive/VlaReader.h"
#include "graphics/Screen.h"
#include "interp/CommandInterpreter.h"
#include "interp/SystemCallNumber.h"

namespace velmora {

namespace {

constexpr int32_t MIN_EFFECT_NUMBER = 2;
constexpr int32_t MAX_EFFECT_NUMBER = 255;

int32_t scaled(int32_t value, int32_t num, int32_t den) {
    int64_t result = static_cast<int64_t>(value) * num / (den == 0 ? 1 : den);
    result = std::clamp<int64_t>(result, INT32_MIN, INT32_MAX);
    return result == 0 ? 1 : static_cast<int32_t>(result);
}

} // namespace

void CommandInterpreter::resetDefineSettings() {
    // underline_value, vla_skip, kidokumode, the volumes, default_font_name and
    // the save directory outlive the reset.
    zenkakko = false;
    // The story text window as it is before any setwindow.
    story_font.glyph_size = {26, 26};
    story_font.cell_pitch = {26, 28};
    story_font.area_origin = {21, 16};
    story_font.area_cells = {23, 16};
    story_font.char_wait = 20;
    story_font.window_shade_color = {153, 153, 153};
    menu_font = menuFontDefaults();
    window_chip_sprite = -1;
    window_back = false;
    use_wheel = false;
    use_esc_spc = false;
    default_transparency = 2;
    shade_distance = {1, 1};
    select_voices = {};
    menu_select_voices = {};
    click_voices = {};
    save_slot_count = 9;
    save_menu_name = DEFAULT_SAVE_MENU_NAME;
    load_menu_name = DEFAULT_LOAD_MENU_NAME;
    save_item_name = DEFAULT_SAVE_ITEM_NAME;
    rmenu_enabled = true;
    rmenu_items.clear();
    rmenu_width = 0;
    pagetag_mode = false;
    vla_dir.clear();
    mode_saya = false;
    automode_enabled = false;
    max_pages = 17;
    lookback_sprites = {-1, -1};
    lookback_color = {255, 255, 0};
    linepage_mode = 0;
    clickstr_line = 0;
    labellog_on = false;
    filelog_on = false;
    kidokuskip_on = false;
    sprite_z_order = 499;
    globalon = false;
    effectcut = false;
    effect_blank = 10;
    effect_list.assign(1, EffectSpec{});
    window_effect = EffectSpec{0, 1, 0, {}};
    default_speeds = {40, 20, 10};
    version_text = DEFAULT_VERSION_TEXT;
}

void CommandInterpreter::setSaveDirectory(const std::string& name) {
    if (name.empty()) {
        save_dir.clear();
    } else {
        std::string dir = name;
        std::replace(dir.begin(), dir.end(), '\\', '/');
        save_dir = script.archive_path + dir + '/';
        std::error_code error;
        std::filesystem::create_directories(save_dir, error);
        if (error)
            std::fprintf(stderr, "savedir: can't create %s: %s\n", save_dir.c_str(),
                         error.message().c_str());
    }
    script.save_dir = save_dir;
}

int32_t CommandInterpreter::readEffectArgument(EffectSpec& effect) {
    effect.type = script.readInteger();
    if (script.end_flags & END_COMMA) {
        effect.duration = script.readInteger();
        if (script.end_flags & END_COMMA) {
            effect.picture = script.readStr();
            return 3;
        }
        effect.picture.clear();
        return 2;
    }
    if (effect.type < 0 || effect.type > 255) {
        std::fprintf(stderr, "Effect %d is out of range and is switched to 0.\n", effect.type);
        effect.type = 0;
    }
    return 1;
}

// ---- Flags and numbers ----

int32_t CommandInterpreter::zenkakkoCommand() {
    zenkakko = true;
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::windowchipCommand() {
    window_chip_sprite = script.readInteger();
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::windowbackCommand() {
    window_back = true;
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::usewheelCommand() {
    use_wheel = true;
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::useescspcCommand() {
    if (!force_button_shortcut) use_esc_spc = true;
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::underlineCommand() {
    underline_value = script.readInteger();
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::transmodeCommand() {
    static const struct {
        const char* word;
        int32_t mode;
    } modes[] = {{"leftup", 2}, {"copy", 3}, {"alpha", 1}, {"righttup", 7}};
    for (const auto& m : modes) {
        if (script.nextIsKeyword(m.word)) {
            default_transparency = m.mode;
            break;
        }
    }
    script.readLabelToken();
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::shadedistanceCommand() {
    int32_t x = script.readInteger();
    int32_t y = script.readInteger();
    shade_distance = {scaled(x, scale_num, scale_den), scaled(y, scale_num, scale_den)};
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::savenumberCommand() {
    save_slot_count = script.readInteger();
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::roffCommand() {
    rmenu_enabled = false;
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::pagetagCommand() {
    pagetag_mode = true;
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::modeSayaCommand() {
    mode_saya = true;
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::modeExtCommand() {
    automode_enabled = true;
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::maxkaisoupageCommand() {
    int32_t n = script.readInteger();
    // The lookback ring always keeps the page being written.
    max_pages = n < 0 ? 1 : (n == INT32_MAX ? INT32_MAX : n + 1);
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::lookbackspCommand() {
    int32_t up = script.readInteger();
    int32_t down = script.readInteger();
    lookback_sprites = {up, down};
    if (filelog_on)
        for (const char* name : LOOKBACK_CURSOR_FILES)
            script.findInLog(script.file_log, name, true);
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::lookbackcolorCommand() {
    std::string colour = script.readStr();
    script.readColor(lookback_color.data(), colour.c_str());
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::linepageCommand() {
    if (script.tokenIs("linepage2")) {
        linepage_mode = 2;
        clickstr_line = script.readInteger();
    } else {
        linepage_mode = 1;
    }
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::clickstrCommand() {
    script.clickstr_list = script.readStr();
    clickstr_line = script.readInteger();
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::labellogCommand() {
    labellog_on = true;
    script.loadLog(script.label_log);
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::filelogCommand() {
    filelog_on = true;
    script.loadLog(script.file_log);
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::kidokuskipCommand() {
    kidokuskip_on = true;
    script.loadReadMarks();
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::kidokumodeCommand() {
    kidokumode = script.readInteger() == 1;
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::humanzCommand() {
    // Sprite numbers run 0-999; -1 puts every sprite above the standing pictures.
    sprite_z_order = std::clamp(script.readInteger(), -1, 999);
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::globalonCommand() {
    globalon = true;
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::englishCommand() {
    script.english_lines = true;
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::effectcutCommand() {
    effectcut = true;
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::effectblankCommand() {
    effect_blank = script.readInteger();
    return RESULT_PROCEED;
}

// Volumes are percentages; the environment file stores 100 minus each.
int32_t CommandInterpreter::defvoicevolCommand() {
    volumes.voice_volume = std::clamp(script.readInteger(), 0, MAX_VOLUME);
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::defsevolCommand() {
    volumes.se_volume = std::clamp(script.readInteger(), 0, MAX_VOLUME);
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::defmp3volCommand() {
    volumes.music_volume = std::clamp(script.readInteger(), 0, MAX_VOLUME);
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::defaultspeedCommand() {
    for (int32_t& speed : default_speeds) speed = script.readInteger();
    return RESULT_PROCEED;
}

// ---- Strings, colours and lists ----

int32_t CommandInterpreter::versionstrCommand() {
    std::string first = script.readStr();
    std::string second = script.readStr();
    version_text = first + '\n' + second + '\n';
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::selectcolorCommand() {
    for (Rgb* colour : {&story_font.hover_color, &story_font.idle_color}) {
        std::string text = script.readStr();
        script.readColor(colour->data(), text.c_str());
    }
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::menuselectcolorCommand() {
    for (Rgb* colour : {&menu_font.hover_color, &menu_font.idle_color, &menu_font.absent_color}) {
        std::string text = script.readStr();
        script.readColor(colour->data(), text.c_str());
    }
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::menusetwindowCommand() {
    int32_t size_x = script.readInteger();
    int32_t size_y = script.readInteger();
    int32_t gap_x = script.readInteger();
    int32_t gap_y = script.readInteger();
    int32_t bold = script.readInteger();
    int32_t shadow = script.readInteger();
    std::string colour = script.readStr();
    // The font cache keeps the faces; they are looked up again at the new size.
    menu_font.face = nullptr;
    menu_font.outline_face = nullptr;
    menu_font.glyph_size = {size_x, size_y};
    menu_font.cell_pitch = {wrapAdd(gap_x, size_x), wrapAdd(gap_y, size_y)};
    menu_font.bold = bold != 0;
    menu_font.shadow = shadow != 0;
    if (colour.empty())
        menu_font.window_shade_color = {153, 153, 153};
    else
        script.readColor(menu_font.window_shade_color.data(), colour.c_str());
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::selectvoiceCommand() {
    for (std::string& name : select_voices) name = script.readStr();
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::menuselectvoiceCommand() {
    for (std::string& name : menu_select_voices) name = script.readStr();
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::clickvoiceCommand() {
    for (std::string& name : click_voices) name = script.readStr();
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::savenameCommand() {
    save_menu_name = script.readStr();
    load_menu_name = script.readStr();
    save_item_name = script.readStr();
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::savedirCommand() {
    save_dir_name = script.readStr();
    setSaveDirectory(save_dir_name);
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::defaultfontCommand() {
    default_font_name = script.readStr();
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::setkinsokuCommand() {
    std::string start_chars = script.readStr();
    std::string end_chars = script.readStr();
    kinsoku.apply(start_chars.c_str(), end_chars.c_str(), false);
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::addkinsokuCommand() {
    std::string start_chars = script.readStr();
    std::string end_chars = script.readStr();
    kinsoku.apply(start_chars.c_str(), end_chars.c_str(), true);
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::rubyonCommand() {
    story_font.ruby_space = true;
    char next = *script.read_position;
    if (next == '\n' || next == ':' || next == ';' || next == '\0') {
        ruby_glyph_size = {-1, -1};
        ruby_font_name.clear();
        return RESULT_PROCEED;
    }
    int32_t x = script.readInteger();
    int32_t y = script.readInteger();
    ruby_glyph_size = {x, y};
    if (script.end_flags & END_COMMA)
        ruby_font_name = script.readStr();
    else
        ruby_font_name.clear();
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::rubyoffCommand() {
    story_font.ruby_space = false;
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::rmenuCommand() {
    rmenu_items.clear();
    rmenu_width = 0;
    do {
        std::string label = script.readStr();
        int32_t call = systemCallNumber(script.readLabelToken());
        // Labels are Shift_JIS: two bytes make one full-width character.
        rmenu_width = std::max(rmenu_width, static_cast<int32_t>(label.size() / 2 + 1));
        rmenu_items.push_back({std::move(label), call});
    } while (script.end_flags & END_COMMA);
    return RESULT_PROCEED;
}

// ---- Effects ----

int32_t CommandInterpreter::effectCommand() {
    if (script.tokenIs("windoweffect")) {
        readEffectArgument(window_effect);
        return RESULT_PROCEED;
    }
    EffectSpec effect{script.readInteger(), 10, 0, {}};
    if (effect.id < MIN_EFFECT_NUMBER || effect.id > MAX_EFFECT_NUMBER)
        parseError("effect: effect number out of range");
    readEffectArgument(effect);
    effect_list.push_back(std::move(effect));
    return RESULT_PROCEED;
}

// ---- Archives ----
// Each command replaces or extends the ScriptStream's reader; failures only
// print, and play goes on with whatever reader is then in place.

namespace {

const std::array<uint8_t, 256>* keyTableOf(const ScriptStream& script) {
    return script.key_table_present ? &script.key_table : nullptr;
}

} // namespace

int32_t CommandInterpreter::vladirCommand() {
    vla_dir = std::string(script.readStr()) + '/';
    std::replace(vla_dir.begin(), vla_dir.end(), '\\', '/');
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::vlaCommand() {
    if (script.tokenIs("vl2")) vla_skip = 1;
    if (script.tokenIs("vl3")) vla_skip = 2;
    script.reader.reset(); // closes the old archives before the family is opened again
    script.reader = std::make_unique<VlaReader>(
        vla_skip, script.archive_path, ARCHIVE_KIND_VLA | ARCHIVE_KIND_VL2, keyTableOf(script));
    if (script.reader->openArchive(vla_dir) != 0)
        std::fprintf(stderr, " *** failed to open vla or vl2 archive, ignored.  ***\n");
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::arcCommand() {
    std::string name = script.readStr();
    name = name.substr(0, name.find('|'));
    std::replace(name.begin(), name.end(), '\\', '/'); // as vladir: '/' separates here
    const std::string kind = script.reader->kindName();
    if (kind == "direct")
        script.reader = std::make_unique<SarReader>(script.archive_path, keyTableOf(script));
    else if (kind != "sar")
        return RESULT_PROCEED;
    if (script.reader->openArchive(name) != 0)
        std::fprintf(stderr, " *** failed to open archive %s, ignored.  ***\n", name.c_str());
    return RESULT_PROCEED;
}

int32_t CommandInterpreter::spiCommand() {
    std::string text = script.readStr();
    static const char PLUGIN[] = "vbzplgin.dll";
    bool match = text.size() >= sizeof PLUGIN - 1;
    for (size_t i = 0; match && i < sizeof PLUGIN - 1; ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        match = c == PLUGIN[i];
    }
    if (!match) {
        std::fprintf(stderr, " *** plugin %s is not available, ignored. ***\n", text.c_str());
        return RESULT_PROCEED;
    }
    size_t bar = text.find('|');
    if (bar != std::string::npos)
        script.reader->addCompressionRule(text.substr(bar + 1), CompressionType::VBZ);
    return RESULT_PROCEED;
}

} // namespace velmora
