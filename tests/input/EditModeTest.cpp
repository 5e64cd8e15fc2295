// The edit mode's keys: typed numbers, signs, variables, volumes and captions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/EditMode.h"

namespace velmora {
namespace {

// Keys as text: the SDL codes of printable keys, Return, Backspace and Escape are their characters.
constexpr char RET = '\r', BS = '\b', ESC = '\x1b';

struct KeyCase {
    const char* what;
    EditState start;
    std::string keys;
    EditState end;
    EditAction action; // of the last key, with its target and value
    int32_t target, value;
    bool caption_changed;
    const char* caption;
};

constexpr EditState OFF{}, MENU{EditStep::Menu, 0, 0, 1};
constexpr EditStep VALUE = EditStep::VariableValue;
constexpr EditAction NONE = EditAction::None;
const std::string MENU_CAPTION =
    "[EDIT MODE]  MP3 vol (m)  SE vol (s)  Voice vol (v)  Numeric variable (n)";

TEST(EditModeTest, KeysStepTheStateAndAskForChanges) {
    const std::vector<int32_t> variables = {0, 0, 0, 0, 0, 0, 0, -8, 0, 0, 0, 0, 34};
    const EditView view{SoundVolumes{70, 80, 40}, 300, [&](int32_t n) {
                            return n < static_cast<int32_t>(variables.size()) ? variables[n] : 0;
                        }};
    // clang-format off
    const KeyCase cases[] = {
        {"z opens the menu", OFF, "z", MENU, NONE, 0, 0, true, MENU_CAPTION.c_str()},
        {"other keys do nothing while off", OFF, "m", OFF, NONE, 0, 0, false, ""},
        {"Return shows the variable's value", OFF, std::string("zn12") + RET, {VALUE, 12, 34, 1}, NONE, 0, 0, true, "[EDIT MODE]  Current %12=34  New value? 34"},
        {"erase, minus, 5, Return stores -5", {VALUE, 12, 34, 1}, std::string{BS, BS, '-', '5', RET}, {EditStep::Menu, 12, 5, -1}, EditAction::SetVariable, 12, -5, true, MENU_CAPTION.c_str()},
        {"a negative value keeps its sign", MENU, std::string("n7") + RET, {VALUE, 7, 8, -1}, NONE, 0, 0, true, "[EDIT MODE]  Current %7=-8  New value? -8"},
        {"Backspace on no number drops the sign", {VALUE, 7, 0, -1}, std::string{BS}, {VALUE, 7, 0, 1}, NONE, 0, 0, true, nullptr},
        {"minus only signs a variable's value", MENU, "s-", {EditStep::SeVolume, 0, 80, 1}, NONE, 0, 0, true, "[EDIT MODE]  Current Sound effect Volume=80  New value? 80"},
        {"digits past int32 are dropped", {VALUE, 3, 0, 1}, std::string("21474836479") + RET, {EditStep::Menu, 3, 2147483647, 1}, EditAction::SetVariable, 3, 2147483647, true, nullptr},
        {"a variable out of range is refused", MENU, std::string("n300") + RET, {EditStep::VariableNumber, 0, 0, 1}, NONE, 0, 0, true, "[EDIT MODE]  Variable Index?  %0"},
        {"n clears a stale sign", {EditStep::Menu, 7, 0, -1}, "n", {EditStep::VariableNumber, 7, 0, 1}, NONE, 0, 0, true, nullptr},
        {"a volume is clamped to 100", MENU, std::string("m1") + RET, {EditStep::Menu, 0, 401, 1}, EditAction::SetMusicVolume, 0, 100, true, nullptr},
        {"menu letters are ignored while typing", {VALUE, 7, 4, 1}, "v", {VALUE, 7, 4, 1}, NONE, 0, 0, false, nullptr},
        {"Escape goes back to the menu, then leaves", MENU, std::string{'s', ESC, ESC}, {EditStep::Off, 0, 80, 1}, EditAction::Leave, 0, 0, false, ""},
    };
    // clang-format on
    for (const KeyCase& c : cases) {
        EditOutcome out{c.start};
        for (char key : c.keys) out = editKey(out.state, static_cast<SDLKey>(key), view);
        EXPECT_TRUE(out.state == c.end) << c.what << ": step " << static_cast<int>(out.state.step)
                                        << " number " << out.state.number;
        EXPECT_EQ(out.action, c.action) << c.what;
        EXPECT_EQ(out.target, c.target) << c.what;
        EXPECT_EQ(out.value, c.value) << c.what;
        EXPECT_EQ(out.caption_changed, c.caption_changed) << c.what;
        if (c.caption) {
            EXPECT_EQ(editCaption(out.state, view), c.caption) << c.what;
        }
    }
    // The keypad types digits and confirms like the main keys.
    EditOutcome out = editKey(MENU, SDLK_v, view);
    for (SDLKey key : {SDLK_BACKSPACE, SDLK_BACKSPACE, SDLK_KP5, SDLK_KP_ENTER})
        out = editKey(out.state, key, view);
    EXPECT_EQ(out.action, EditAction::SetVoiceVolume);
    EXPECT_EQ(out.value, 5);
}

} // namespace
} // namespace velmora
