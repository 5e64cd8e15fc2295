#include "interp/CallStack.h"

namespace velmora {

CallFrame& CallStack::push(FrameKind kind) {
    CallFrame& frame = frames.emplace_back();
    frame.kind = kind;
    return frame;
}

void CallStack::pop() {
    if (frames.empty()) return;
    // The slot must never outlive its frame.
    if (return_slot == &frames.back().address) return_slot = nullptr;
    frames.pop_back();
}

void CallStack::clear() {
    frames.clear();
    return_slot = nullptr;
}

} // namespace velmora
