// The one table of keywords, operators, predefined names and user symbols.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace pellix::asmr {

enum class Kind : uint8_t {
    Undefined,
    Constant,
    Variable,
    Prefix,  // 0 "\", 1 "||", 2 negate, 3 "~"
    Not,     // 4
    Arith,   // 5 "&" .. 16 "."
    Logical, // 17 AND, 18 OR, 19 XOR
    Compare, // 20 "<=" .. 25 ">"
    Open,
    Close,
    W,
    M,
    Option,
    Wdt,
    Comma,
    Hash,
    At,
    Bang,
    IncDec, // 0 "++", 1 "--"
    DeviceWord,
    WatchFormat,
    Macro,
    Directive,
    Instruction,
    EndOfLine,
};

// Operator codes shared by the scanner's tokens and the expression machinery.
enum Op : uint8_t {
    kOpArg = 0,
    kOpAbs = 1,
    kOpNegate = 2,
    kOpComplement = 3,
    kOpNot = 4,
    kOpAnd = 5,
    kOpOr = 6,
    kOpXor = 7,
    kOpAdd = 8,
    kOpSub = 9,
    kOpMul = 10,
    kOpDiv = 11,
    kOpMod = 12,
    kOpShl = 13,
    kOpShr = 14,
    kOpReverse = 15,
    kOpBit = 16,
    kOpLogAnd = 17,
    kOpLogOr = 18,
    kOpLogXor = 19,
    kOpLe = 20,
    kOpGe = 21,
    kOpEq = 22,
    kOpNe = 23,
    kOpLt = 24,
    kOpGt = 25,
};

// Longest key: a local name of 32 characters behind a prefix of up to 32.
inline constexpr size_t kMaxNameLength = 32;
inline constexpr size_t kMaxKeyLength = 2 * kMaxNameLength;

class SymbolTable {
public:
    // The storage budget of the original fixed area: each entry costs a chain link, the key
    // with its NUL, a kind byte and a value.
    static constexpr size_t kStorageBytes = 98'901;
    static constexpr size_t kEntryOverhead = 4 + 1 + 1 + 4;

    struct Entry {
        int32_t next;
        uint32_t keyOffset;
        uint8_t keyLength;
        Kind kind;
        uint8_t aux;  // macro argument count (0x80: any)
        bool keyword; // added by the device identifier, not by the program
        uint32_t value;
    };

    SymbolTable();

    void Clear();
    // Index of the first entry whose key matches byte for byte, or -1.
    int Find(std::string_view key) const;
    bool HasRoom(size_t keyLength) const {
        return used_ + keyLength + kEntryOverhead <= kStorageBytes;
    }
    // Appends to the end of the key's chain; -1 when the storage is used up.
    int Add(std::string_view key, Kind kind, uint32_t value, bool keyword = false);

    Entry& operator[](int index) { return entries_[size_t(index)]; }
    const Entry& operator[](int index) const { return entries_[size_t(index)]; }
    std::string_view Key(int index) const {
        const Entry& e = entries_[size_t(index)];
        return {keys_.data() + e.keyOffset, e.keyLength};
    }

private:
    static uint8_t Hash(std::string_view key) {
        unsigned sum = 0;
        for (char c : key)
            sum += static_cast<unsigned char>(c);
        return uint8_t(sum);
    }

    std::array<int32_t, 256> head_;
    std::array<int32_t, 256> tail_;
    std::vector<Entry> entries_;
    std::vector<char> keys_;
    size_t used_ = 0;
};

} // namespace pellix::asmr
