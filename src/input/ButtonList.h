// The buttons of the next button wait or choice: pictures cut from the button
// picture, sprites, lookback arrows and lines of text, newest first, with the
// hover state that follows the mouse and the keyboard over them.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/AnimImage.h"

namespace velmora {

enum class ButtonKind : int32_t {
    Picture = 0,       // a rectangle of the button picture (btn)
    Sprite = 1,        // a sprite that changes cell or runs control strings (spbtn, exbtn, bsp)
    LookbackArrow = 2, // an arrow of the lookback screen
    TextLine = 3,      // one line of text: a choice or a menu entry
};

// What the composition draws for a button.
enum class ButtonState : int32_t {
    Hidden = 0, // nothing
    On = 1,     // on_image
    Off = 2,    // off_image
};

struct ButtonEntry {
    ButtonKind kind = ButtonKind::Picture;
    int32_t number = 0;        // reported when the button is chosen
    int32_t sprite = 0;        // the sprite of a sprite button; the choice index of cselbtn
    std::string leave_control; // control string run when the mouse leaves (bsp)
    std::string enter_control; // control string run when the mouse enters (exbtn, bsp)
    std::string spare_control; // the third string of bsp, kept unused
    SDL_Rect hit_rect{};       // reacts to the mouse, screen pixels
    SDL_Rect image_rect{};     // redrawn when the state changes
    std::unique_ptr<AnimImage> owned_image; // the picture of picture and text-line buttons
    AnimImage* on_image = nullptr;          // drawn in state On
    AnimImage* off_image = nullptr;         // drawn in state Off
    ButtonState state = ButtonState::Hidden;

    // Gives the button its own picture, drawn in state On.
    AnimImage& ownImage();
};

class ButtonList {
  public:
    // A new button of that kind and number at the head of the list.
    ButtonEntry& prepend(ButtonKind kind, int32_t number);
    // Frees every button and forgets the hover state that pointed at them.
    void clear();
    // Frees the sprite buttons of sprite n (of every sprite for -1); the
    // hover state forgets a freed one.
    void removeSpriteButtons(int32_t n);

    bool empty() const { return entries.empty(); }
    int32_t size() const { return static_cast<int32_t>(entries.size()); }
    // The button at that position from the head, or null outside the list.
    ButtonEntry* at(int32_t index) const;
    // The position of `entry` from the head, or -1 when it is not in the list.
    int32_t indexOf(const ButtonEntry* entry) const;

    // The button under a screen point, or null. Without transparent hit
    // testing the newest button whose hit area holds the point wins; with it,
    // picture and sprite buttons compete by their opacity at the point (the
    // newest wins a tie, fully transparent points select none) and lines and
    // arrows never match. A button picked with the keyboard always matches.
    ButtonEntry* find(int32_t x, int32_t y, const std::vector<AnimImage>& sprites) const;

    // Visits every button from the newest.
    template <typename Visit> void forEach(Visit visit) {
        for (const std::unique_ptr<ButtonEntry>& entry : entries) visit(*entry);
    }
    template <typename Visit> void forEach(Visit visit) const {
        for (const std::unique_ptr<ButtonEntry>& entry : entries)
            visit(static_cast<const ButtonEntry&>(*entry));
    }

    int32_t current_button = 0;          // number of the button under the mouse; 0 none
    ButtonEntry* current_link = nullptr; // the button under the mouse
    int32_t keyboard_button = -1;        // number picked with the keyboard; -1 none
    int32_t button_index = 0;            // position of current_link, for keyboard steps
    bool transparent_hits = false;       // transbtn: hits follow the pictures' opacity
    std::string exbtn_default;           // run when the mouse is over no button (exbtn_d)
    bool exbtn_used = false;             // an exbtn control string was defined

  private:
    void forget(const ButtonEntry* entry);

    std::vector<std::unique_ptr<ButtonEntry>> entries; // newest first
};

// Whether the screen point lies in the rectangle.
inline bool rectHolds(const SDL_Rect& rect, int32_t x, int32_t y) {
    return x >= rect.x && x < rect.x + rect.w && y >= rect.y && y < rect.y + rect.h;
}

} // namespace velmora
