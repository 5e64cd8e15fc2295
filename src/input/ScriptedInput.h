// Scripted input: a file of instructions that plays a game without a person.
// Each line injects one input event, or looks at the screen, when the engine
// waits and the line's guard allows it.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velmora {

class ScriptedInput {
  public:
    enum class Action {
        Click,
        RightClick,
        Press,
        Release,
        Move,
        Wheel,
        Key,
        KeyDown,
        KeyUp,
        Joy,
        Quit,
        Shot,
        Caption,
        Buttons
    };
    struct Line {
        int32_t number = 0; // line number in the file, from 1
        bool any = false;   // `any`: at every wait; `idle`: only at waits with no time limit
        Action action = Action::Click;
        bool right = false; // press / release: the right button; wheel: down
        bool has_point = false;
        int32_t x = 0;
        int32_t y = 0;
        SDLKey key = SDLK_UNKNOWN;
        int32_t axis = 0;
        int32_t value = 0;
        std::string file; // shot
    };
    // What the look-only lines look at, given by the engine.
    struct View {
        SDL_Surface* window = nullptr;
        std::string title;
        std::string icon_title;
        std::vector<std::string> buttons; // one description per button, in list order
    };

    // Parses the file's text; on a line that does not parse, its number is
    // stored in `bad_line` and false is returned.
    bool parse(const std::string& text, int32_t& bad_line);
    // Called when the engine is about to block with an empty event queue.
    // Runs the look-only lines that are due, then injects the next event
    // line if its guard holds; reports each on standard error. When the lines
    // are used up, the first idle wait sends the window-close event.
    void act(bool idle, int32_t event_mode, const std::function<View()>& view);

    bool finished() const { return next >= lines.size() && quit_sent; }

  private:
    void inject(const Line& line);
    void look(const Line& line, const View& view) const;

    std::vector<Line> lines;
    size_t next = 0;
    bool quit_sent = false;
};

} // namespace velmora
