// Choices: select, selgosub and selnum offer one line of text per choice in
// the text window and jump to, call or number the one chosen; csel hands the
// choices to the script's own choice screen, which builds its buttons with
// cselbtn and goes on with cselgoto.
#include <algorithm>
#include <cstdio>

#include "engine/Velmora.h"

namespace velmora {

namespace {

// The label a script's own choice screen begins at.
constexpr const char* CUSTOM_SELECT_LABEL = "customsel";

const char* skipBlanksAndLineEnds(const char* p) {
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n') ++p;
    return p;
}

} // namespace

bool Velmora::nextChoiceArgument() {
    const char* p = script.read_position;
    if (script.end_flags & END_COMMA) {
        // A comma at the end of a line carries the list on to the next one.
        p = skipBlanksAndLineEnds(p);
    } else {
        // So does one at the start of the next line.
        const char* next = skipBlanksAndLineEnds(p);
        if (next == p || *next != ',') return false;
        p = skipBlanksAndLineEnds(next + 1);
    }
    if (*p == ',') parseError("select: double comma.");
    script.jumpTo(p);
    return true;
}

void Velmora::readChoices(bool with_labels) {
    select_list.clear();
    do {
        Choice choice;
        choice.text = script.readStr();
        if (with_labels) {
            if (!nextChoiceArgument()) parseError("select: missing comma.");
            choice.label = labelName(script.readStr());
        }
        select_list.push_back(std::move(choice));
    } while (nextChoiceArgument());
    select_return = script.read_position;
}

ButtonEntry& Velmora::buildChoiceButton(const std::string& text, FontState& font, bool absent) {
    const Vec2 start = font.pen;
    ButtonEntry& button = buttons.prepend(ButtonKind::TextLine, 0);
    button.state = ButtonState::On;
    AnimImage& picture = button.ownImage();
    picture.transparency_mode = TransparencyMode::Text;
    picture.cell_count = 2;
    picture.cell_colours = {toRgbColour(absent ? font.absent_color : font.idle_color),
                            toRgbColour(font.hover_color)};
    picture.image_name = text;
    placeOnScreen(picture, font.pixelX(true), font.pixelY(true));
    picture.visible = true;
    loadTextPicture(picture, &font);
    button.hit_rect = button.image_rect = picture.screen_rect;
    // The next choice starts on the next line, under this one.
    font.breakLine();
    font.pen[font.direction()] = start[font.direction()];
    screen.damage.add(picture.screen_rect);
    return button;
}

int32_t Velmora::selectCommand() {
    const bool numbered = script.tokenIs("selnum");
    const bool subroutine = script.tokenIs("selgosub");
    const bool custom = script.tokenIs("csel");
    VarRef result_ref;
    if (numbered) {
        script.readVariableRef();
        result_ref = script.last_ref;
        nextChoiceArgument();
    }
    if (custom) {
        // The save image is taken here when a new page is due.
        if (text.save_allowed && text.save_point_pending) {
            takeSaveImage();
            text.save_point_pending = false;
        }
        text.save_allowed = false;
    } else {
        showTextWindow(true);
    }
    const Vec2 pen = story_font.pen;
    buttons.button_index = -1;
    sound.playSystemSound(select_voices[SELECT_VOICE_OPEN]);
    readChoices(!numbered);
    if (custom) {
        jumpToLabel(CUSTOM_SELECT_LABEL);
        return RESULT_PROCEED;
    }

    std::vector<const ButtonEntry*> offered;
    for (size_t i = 0; i < select_list.size(); ++i) {
        if (select_list[i].text.empty()) continue; // keeps its number, without a button
        ButtonEntry& button = buildChoiceButton(select_list[i].text, story_font, false);
        button.number = static_cast<int32_t>(i + 1);
        offered.push_back(&button);
    }
    story_font.pen = pen;
    if (offered.empty()) {
        // Nothing could ever be chosen: the choice is passed over.
        std::fprintf(stderr, "select: no choice has a text\n");
        select_list.clear();
        jumpToPosition(select_return);
        return RESULT_PROCEED;
    }
    input.automode = false;
    flushText();
    refreshButtons();
    input.event_mode = MODE_SELECT;
    for (;;) {
        skip_mode &= ~SKIP_TEXT;
        if (runWait(-1)) return RESULT_PROCEED;
        // A button left from before the choice is not a choice.
        const bool offered_one =
            std::find(offered.begin(), offered.end(), buttons.current_link) != offered.end();
        if (input.button_result >= 1 && !(skip_mode & SKIP_TEXT) && offered_one) break;
    }
    const int32_t chosen = input.button_result;
    input.event_mode = 0;
    sound.playSystemSound(select_voices[SELECT_VOICE_CLICK]);
    deleteButtons();
    const Choice choice = select_list[static_cast<size_t>(chosen - 1)];
    if (numbered) {
        script.setInt(result_ref, chosen - 1);
        jumpToPosition(select_return);
    } else if (subroutine) {
        callSubroutine(choice.label, select_return, CallKind::Plain);
    } else {
        jumpToLabel(choice.label);
    }
    select_list.clear();
    startNewPage();
    return RESULT_PROCEED;
}

int32_t Velmora::cselbtnCommand() {
    const int32_t index = script.readInteger();
    const int32_t number = script.readInteger();
    const int32_t x = script.readInteger();
    const int32_t y = script.readInteger();
    if (index < 0 || index >= static_cast<int32_t>(select_list.size())) return RESULT_PROCEED;
    const std::string& choice = select_list[static_cast<size_t>(index)].text;
    if (choice.empty()) return RESULT_PROCEED;
    FontState layout = story_font;
    layout.ruby_space = false;
    layout.area_origin = Vec2{x, y};
    layout.setSingleLine(static_cast<int32_t>(choice.size() / 2 + 1));
    layout.clearPosition();
    ButtonEntry& button = buildChoiceButton(choice, layout, false);
    button.number = number;
    button.sprite = index;
    // The faces the copy opened serve the story text too.
    if (!story_font.face) {
        story_font.face = layout.face;
        story_font.outline_face = layout.outline_face;
        story_font.face_height = layout.face_height;
    }
    return RESULT_PROCEED;
}

int32_t Velmora::cselgotoCommand() {
    const int32_t index = script.readInteger();
    if (index < 0 || index >= static_cast<int32_t>(select_list.size()))
        parseError("cselgoto: no select link");
    const std::string label = select_list[static_cast<size_t>(index)].label;
    jumpToLabel(label);
    select_list.clear();
    startNewPage();
    return RESULT_PROCEED;
}

int32_t Velmora::getcselnumCommand() {
    script.readVariableRef();
    script.setInt(script.last_ref, static_cast<int32_t>(select_list.size()));
    return RESULT_PROCEED;
}

int32_t Velmora::getcselstrCommand() {
    script.readVariableRef();
    const VarRef target = script.last_ref;
    const int32_t index = script.readInteger();
    const bool present = index >= 0 && index < static_cast<int32_t>(select_list.size());
    if (target.kind == RefString)
        script.variableSlot(target.number).text =
            present ? select_list[static_cast<size_t>(index)].text : "";
    return RESULT_PROCEED;
}

} // namespace velmora
