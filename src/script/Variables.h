// The records of the variable store: numbered variables, declared arrays,
// aliases and the reference through which commands write results.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

constexpr int32_t MAX_ARRAY_DIMENSIONS = 20;

// Bits of VarRef::kind.
enum RefKind : int32_t {
    RefInteger = 1,  // %n
    RefArray = 2,    // ?n[i]...
    RefString = 4,   // $n
    RefConstant = 8, // a literal, an alias or an expression with an operator
    RefPointer = 16, // an i or s mark before the reference
};

// Operators of integer expressions.
enum ExprOperator : int32_t {
    OpNone = 0,
    OpPlus = 2,
    OpMinus = 3,
    OpMult = 4,
    OpDiv = 5,
    OpMod = 6
};

// One numbered variable: %n is its integer, $n its text.
struct VariableSlot {
    int32_t value = 0;
    bool limited = false; // stores are clamped to lower..upper
    int32_t upper = 0;
    int32_t lower = 0;
    std::string text;
};

// A variable numbered outside 0 .. variable_count - 1, created on first use.
struct OverflowSlot {
    int32_t number = 0;
    VariableSlot slot;
};

// An integer array declared with `dim`.
struct ArrayVar {
    int32_t number = 0;
    int32_t dimension_count = 0;
    std::array<int32_t, MAX_ARRAY_DIMENSIONS> extents{}; // declared size + 1 per dimension
    std::vector<int32_t> cells;                          // row-major, the last index fastest
};

struct NumAlias {
    std::string name;
    int32_t value = 0;
};

struct StrAlias {
    std::string name;
    std::string text;
};

// The last variable reference the stream parsed.
struct VarRef {
    int32_t kind = 0;
    int32_t number = 0;
    int32_t index_count = 0;
    std::array<int32_t, MAX_ARRAY_DIMENSIONS> indices{};
};

// int32 arithmetic that wraps instead of overflowing.
inline int32_t wrapAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t wrapSub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t wrapMul(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
inline int32_t wrapNeg(int32_t a) {
    return static_cast<int32_t>(0u - static_cast<uint32_t>(a));
}

} // namespace velmora
