// The call stack of gosub, user-command, text-hook and for frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>

namespace velmora {

enum class FrameKind : int32_t { Gosub = 0, For = 1 };

// Who pushed a gosub frame: the text hooks are told apart so that `return`
// resumes the interrupted text and `gettag` finds the line that ran its hook.
enum class CallKind : int32_t {
    Plain = 0,   // gosub, a user command, a choice, the load hook
    TextWait,    // the textgosub routine at a click or page wait
    PretextLine, // the pretextgosub routine before a text line
};

// One nesting record. Positions point into the script buffer.
struct CallFrame {
    FrameKind kind = FrameKind::Gosub;
    // Gosub: where execution resumes after `return` (the caller's arguments
    // included). For: the start of the loop body.
    const char* address = nullptr;
    int32_t var_number = 0;          // for: the loop variable
    int32_t to = 0;                  // for: the limit
    int32_t step = 0;                // for: the step
    CallKind call = CallKind::Plain; // gosub: who pushed the frame
    const char* resume = nullptr;    // textgosub: where the interrupted text goes on; null if none
};

// The frames above the root, oldest first. The root itself holds nothing and
// is never popped, so it is not stored: an empty stack is the root alone.
// A deque keeps every frame in place while others are pushed, so the return
// slot may point into it.
class CallStack {
  public:
    // The most frames the stack holds. Games nest gosubs, loops and text
    // hooks a few hundred deep at most; a script that calls itself without
    // end reaches this within milliseconds and about half a megabyte, and is
    // stopped there instead of taking all the machine's memory.
    static constexpr size_t MAX_DEPTH = 10000;

    // A new zeroed frame of that kind, now the top. The caller checks full() first.
    CallFrame& push(FrameKind kind);
    // Drops the top frame; the root stays.
    void pop();
    // Drops every frame above the root.
    void clear();

    // The newest frame, or null at the root.
    CallFrame* top() { return frames.empty() ? nullptr : &frames.back(); }
    // The top is a frame of that kind (never the root).
    bool topIs(FrameKind kind) const { return !frames.empty() && frames.back().kind == kind; }
    size_t depth() const { return frames.size(); }
    // No frame can be pushed: the stack holds MAX_DEPTH frames.
    bool full() const { return frames.size() >= MAX_DEPTH; }
    const std::deque<CallFrame>& all() const { return frames; }

    // Makes the top frame's address the return slot (gosub and subroutine calls).
    void markReturnSlot() { return_slot = frames.empty() ? nullptr : &frames.back().address; }
    // The address of the gosub frame most recently marked, or null once it is popped.
    const char* const* returnSlot() const { return return_slot; }

  private:
    std::deque<CallFrame> frames;
    const char** return_slot = nullptr;
};

} // namespace velmora
