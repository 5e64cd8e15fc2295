// The script dialogs yesnobox and okcancelbox: a small generated picture with
// a title, a message and two buttons, centred on the screen. The script's own
// buttons are put aside while it is up, so only the dialog's two can answer.
#include <cstring>
#include <string>
#include <utility>

#include "engine/Velmora.h"
#include "graphics/PictureSurface.h"
#include "text/TextRenderer.h"

namespace velmora {

namespace {

// The dialog picture, in its own pixels: a title bar above a framed body
// whose lower band holds the buttons.
constexpr int DIALOG_WIDTH = 241;
constexpr int DIALOG_HEIGHT = 167;
constexpr int TITLE_BAR_HEIGHT = 32;
constexpr int TITLE_X = 5;
constexpr SDL_Rect DIALOG_FRAME{2, 32, 237, 133};
constexpr SDL_Rect DIALOG_INSIDE{3, 33, 235, 131};
constexpr SDL_Rect DIALOG_BAND{3, 100, 235, 64};
constexpr Vec2 MESSAGE_ORIGIN{7, 37};
constexpr int MESSAGE_WIDTH = 227;
constexpr int MESSAGE_ROWS = 3;

// A button: an idle and a lit cell side by side, each a raised face.
constexpr int BUTTON_CELLS = 2;
constexpr int BUTTON_CELL_WIDTH = 96;
constexpr int BUTTON_HEIGHT = 42;
constexpr int FACE_INSET = 2;
constexpr int FACE_WIDTH = BUTTON_CELL_WIDTH - 2 * FACE_INSET;
constexpr int FACE_HEIGHT = BUTTON_HEIGHT - 2 * FACE_INSET;
// Where the buttons sit on the dialog.
constexpr int FIRST_BUTTON_X = 30;
constexpr int SECOND_BUTTON_X = 134;
constexpr int BUTTONS_Y = 111;

// The dialog's button numbers: what the wait reports for each.
constexpr int32_t ANSWER_YES = 1;
constexpr int32_t ANSWER_NO = 2;

// The greys the dialog is drawn in.
constexpr uint8_t WHITE = 255;
constexpr uint8_t GREY_EDGE = 105; // frame, and the dark edge of a button
constexpr uint8_t GREY_BAND = 240; // lower band, and an idle button face
constexpr uint8_t GREY_RING = 227; // the ring around a button face
constexpr uint8_t GREY_LIT = 214;  // the face of the button under the pointer
constexpr Rgb BLACK{0, 0, 0};

void fillGrey(SDL_Surface* surface, SDL_Rect rect, uint8_t grey) {
    SDL_FillRect(surface, &rect, SDL_MapRGBA(surface->format, grey, grey, grey, SDL_ALPHA_OPAQUE));
}

// Draws `text` in black with the dialog layout `font` from `origin` in a grid
// of `cells`, cut to `clip` (pixels of the picture). Dialog text is no part
// of the story: nothing is recorded into the page and the screen is not touched.
void drawDialogText(TextRenderContext context, FontState font, AnimImage& picture,
                    const std::string& text, Vec2 origin, Vec2 cells, const SDL_Rect& clip) {
    context.record = nullptr;
    context.indent_count = 0;
    font.area_origin = origin;
    font.area_cells = cells;
    font.clearPosition();
    renderString(context, text.c_str(), BLACK, font, false, nullptr, nullptr, &picture, &clip);
}

// Columns enough for `text` on one line: each byte takes at most a half-cell.
int32_t oneLineColumns(const char* text) {
    return static_cast<int32_t>(std::strlen(text) / 2 + 1);
}

} // namespace

ButtonEntry& Velmora::buildDialogButton(int32_t number, const char* label, int32_t x, int32_t y) {
    ButtonEntry& button = buttons.prepend(ButtonKind::TextLine, number);
    button.state = ButtonState::On;
    AnimImage& picture = button.ownImage();
    picture.cell_count = BUTTON_CELLS;
    picture.image_name = label;
    placeOnScreen(picture, x, y);
    picture.visible = true;
    if (picture.allocSurface(BUTTON_CELL_WIDTH * BUTTON_CELLS, BUTTON_HEIGHT, ENGINE_FORMAT_CODE)) {
        picture.paint(GREY_EDGE, GREY_EDGE, GREY_EDGE, SDL_ALPHA_OPAQUE);
        const TextRenderContext context = textContext();
        const int32_t label_width =
            dialog_font.cell_pitch.x * static_cast<int32_t>(std::strlen(label)) / 2;
        for (int j = 0; j < BUTTON_CELLS; ++j) {
            const int left = BUTTON_CELL_WIDTH * j;
            fillGrey(picture.surface,
                     {static_cast<Sint16>(left), 0, BUTTON_CELL_WIDTH - 1, BUTTON_HEIGHT - 1},
                     WHITE);
            fillGrey(picture.surface,
                     {static_cast<Sint16>(left + 1), 1, BUTTON_CELL_WIDTH - 2, BUTTON_HEIGHT - 2},
                     GREY_RING);
            const SDL_Rect face{static_cast<Sint16>(left + FACE_INSET), FACE_INSET, FACE_WIDTH,
                                FACE_HEIGHT};
            fillGrey(picture.surface, face, j == 0 ? GREY_BAND : GREY_LIT);
            const Vec2 origin{left + FACE_INSET + (FACE_WIDTH - label_width) / 2,
                              (FACE_HEIGHT - dialog_font.glyph_size.y) / 2 + FACE_INSET};
            drawDialogText(context, dialog_font, picture, label, origin,
                           Vec2{oneLineColumns(label), 1}, face);
        }
    }
    button.hit_rect = button.image_rect = picture.screen_rect;
    return button;
}

int32_t Velmora::dialogCommand() {
    // The token names the labels; reading the arguments overwrites it.
    const bool ok_cancel = script.tokenIs("okcancelbox");
    script.readVariableRef();
    const VarRef answer_ref = script.last_ref;
    const std::string message = script.readStr();
    const std::string title = script.readStr();

    ButtonList put_aside = std::move(buttons);
    buttons = ButtonList{};

    AnimImage& dialog = screen.dialog_image;
    dialog.cell_count = 1;
    dialog.cell_index = 0;
    const int32_t x = (screen_width - DIALOG_WIDTH) / 2;
    const int32_t y = (screen_height - DIALOG_HEIGHT) / 2;
    placeOnScreen(dialog, x, y);
    if (dialog.allocSurface(DIALOG_WIDTH, DIALOG_HEIGHT, ENGINE_FORMAT_CODE)) {
        dialog.paint(WHITE, WHITE, WHITE, SDL_ALPHA_OPAQUE);
        fillGrey(dialog.surface, DIALOG_FRAME, GREY_EDGE);
        fillGrey(dialog.surface, DIALOG_INSIDE, WHITE);
        fillGrey(dialog.surface, DIALOG_BAND, GREY_BAND);
        const TextRenderContext context = textContext();
        // The message keeps to its rows; what does not fit is cut off.
        const SDL_Rect message_area{MESSAGE_ORIGIN.x, MESSAGE_ORIGIN.y, MESSAGE_WIDTH,
                                    static_cast<Uint16>(MESSAGE_ROWS * dialog_font.cell_pitch.y)};
        drawDialogText(context, dialog_font, dialog, message, MESSAGE_ORIGIN,
                       Vec2{MESSAGE_WIDTH / dialog_font.cell_pitch.x, MESSAGE_ROWS}, message_area);
        const SDL_Rect title_bar{0, 0, DIALOG_WIDTH, TITLE_BAR_HEIGHT};
        drawDialogText(context, dialog_font, dialog, title,
                       Vec2{TITLE_X, (TITLE_BAR_HEIGHT - dialog_font.glyph_size.y) / 2},
                       Vec2{oneLineColumns(title.c_str()), 1}, title_bar);
    }
    screen.dialog_shown = true;
    screen.damage.add(dialog.screen_rect);

    // Script coordinates: placing a button scales them to the screen.
    buildDialogButton(ANSWER_YES, ok_cancel ? "OK" : "Yes", x + FIRST_BUTTON_X, y + BUTTONS_Y);
    buildDialogButton(ANSWER_NO, ok_cancel ? "Cancel" : "No", x + SECOND_BUTTON_X, y + BUTTONS_Y);
    flushText();
    refreshButtons();

    bool replaced = false;
    input.event_mode = WAIT_BUTTONS;
    for (;;) {
        if (runWait(-1)) {
            replaced = true;
            break;
        }
        const int32_t result = input.button_result;
        if (result == ANSWER_YES || result == ANSWER_NO || result == RESULT_RIGHT_CLICK) break;
    }
    // After a load or a reset the variable belongs to another game.
    if (!replaced) script.setInt(answer_ref, input.button_result == ANSWER_YES ? 1 : 0);

    screen.dialog_shown = false;
    screen.damage.add(dialog.screen_rect);
    deleteButtons();
    buttons = std::move(put_aside);
    flushText();
    input.event_mode = 0;
    return RESULT_PROCEED;
}

} // namespace velmora
