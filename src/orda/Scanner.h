// The scanner's part of a statement: its place in the line, the tokens and the state of
// the expression being evaluated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orda {

struct Value {
    int32_t v = 0;
    int bit = 0;
};

struct Token {
    int type = 7;
    std::string text; // name (without a leading @) or string contents
    int32_t number = 0;
    size_t start = 0; // position in the line
};

// Token types.
enum Tok : int {
    kTokIllegal = 1,
    kTokComma = 6,
    kTokEnd = 7,
    kTokName = 8,
    kTokNumber = 9,
    kTokString = 10,
    kTokLParen = 11,
    kTokRParen = 12,
    kTokLBracket = 13,
    kTokRBracket = 14,
    kTokPlus = 15,
    kTokMinus = 16,
    kTokStar = 17,
    kTokSlash = 18,
    kTokRem = 19,
    kTokCaret = 20,
    kTokTilde = 21,
    kTokAssign = 22,
    kTokEq = 23,
    kTokNe = 24,
    kTokNot = 25,
    kTokAnd = 27,
    kTokOr = 28,
    kTokLAnd = 29,
    kTokLOr = 30,
    kTokLt = 31,
    kTokGt = 32,
    kTokLe = 33,
    kTokGe = 34,
    kTokShl = 35,
    kTokShr = 36,
    kTokHash = 37,
    kTokAtName = 38,
    kTokDot = 39,
    kTokRev = 40,
    kTokQQ = 41,
    kTokQ = 42,
};

struct Cursor {
    std::string_view text; // the line being scanned
    size_t pos = 0;
    Token tok;
    Token peek;
    bool havePeek = false;
    int stackDepth = 0;
    // the expression being evaluated
    bool demand = false;  // undefined names are errors already in pass 1
    bool inWatch = false; // a WATCH operand: bit numbers up to 31
    bool exprError = false;
    // Names pass 1 took as 0 because they are defined further down.
    uint32_t unresolved = 0;
};

} // namespace orda
