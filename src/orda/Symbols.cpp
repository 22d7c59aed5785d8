#include "orda/Symbols.h"

#include "orda/OrdaText.h"

namespace orda {

Symbol* SymbolTable::Find(std::string_view name) {
    fold_.assign(name);
    for (char& c : fold_)
        c = Upper(c);
    auto it = index_.find(fold_);
    return it == index_.end() ? nullptr : it->second;
}

void SymbolTable::Enter(const std::string& name, int32_t value, int bit, int type, uint32_t line) {
    Symbol* existing = Find(name);
    if (!existing) {
        existing = &tree_[name];
        index_.emplace(fold_, existing);
    }
    Symbol& s = *existing;
    s.value = value;
    s.bit = uint16_t(bit);
    s.type = uint8_t(type);
    s.line = line;
}

bool SymbolTable::DefineOrUpdate(const std::string& name, int32_t value, int bit, int type,
                                 uint32_t line) {
    if (Symbol* s = Find(name)) {
        if (s->type != type) return false;
        s->value = value;
        s->bit = uint16_t(bit);
        return true;
    }
    Enter(name, value, bit, type, line);
    return true;
}

bool NoCaseLess::operator()(std::string_view a, std::string_view b) const {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = (unsigned char)a[i], y = (unsigned char)b[i];
        if (x >= 'A' && x <= 'Z') x = (unsigned char)(x + 32);
        if (y >= 'A' && y <= 'Z') y = (unsigned char)(y + 32);
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

const char* SymbolTypeName(int type, bool corvanex) {
    static const char* kNames[] = {"DATA", "ADDR", "RESV", "DEFN", "VAR",  "BDAT", "BVAR", "RESB",
                                   "UDEC", "SDEC", "UHEX", "SHEX", "UBIN", "SBIN", "FSTR", "ZSTR"};
    if (type < 0 || type > 15) return "ERR";
    if (type >= 8 && !corvanex) return "ERR";
    return kNames[type];
}

} // namespace orda
