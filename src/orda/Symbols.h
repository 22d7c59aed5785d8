// The run's symbols: pass 1 defines them, pass 2 finds them again and only updates values.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>

namespace orda {

// Symbol types; 8 to 15 are watch entries.
enum SymbolType : uint8_t {
    kData = 0,
    kAddr,
    kResv,
    kDefn,
    kVar,
    kBdat,
    kBvar,
    kResb,
    kWatchFirst = 8,
    kWatchLast = 15
};
const char* SymbolTypeName(int type, bool corvanex);

// Names (of symbols and macros) compare without regard to case.
struct NoCaseLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};
bool EqualNoCase(std::string_view a, std::string_view b);

struct Symbol {
    int32_t value = 0;
    uint16_t bit = 0; // bit number, or the count of a watch entry
    uint8_t type = kData;
    uint32_t line = 0; // listing line of the definition
};
using SymbolTree = std::map<std::string, Symbol, NoCaseLess>;

class SymbolTable {
public:
    SymbolTable() { index_.reserve(1024); }
    // In name order, for the listings.
    const SymbolTree& Tree() const { return tree_; }
    size_t Count() const { return tree_.size(); }
    // Null when there is none.
    Symbol* Find(std::string_view name);
    // Defines the name, or defines it anew over an existing symbol.
    void Enter(const std::string& name, int32_t value, int bit, int type, uint32_t line);
    // Updates the value of a symbol of the same type, or defines it; false when one of
    // another type exists.
    bool DefineOrUpdate(const std::string& name, int32_t value, int bit, int type, uint32_t line);

private:
    SymbolTree tree_;
    // The same symbols by upper-cased name, for lookups; the tree gives the sorted walks.
    std::unordered_map<std::string, Symbol*> index_;
    std::string fold_;
};

} // namespace orda
