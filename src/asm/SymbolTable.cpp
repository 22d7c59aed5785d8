#include "asm/SymbolTable.h"

#include <algorithm>
#include <cstring>

namespace pellix::asmr {

SymbolTable::SymbolTable() {
    // Reserved once, so that defining symbols never reallocates during an assembly.
    entries_.reserve(kStorageBytes / (kEntryOverhead + 1) + 1);
    keys_.reserve(kStorageBytes);
    Clear();
}

void SymbolTable::Clear() {
    head_.fill(-1);
    tail_.fill(-1);
    entries_.clear();
    keys_.clear();
    used_ = 0;
}

int SymbolTable::Find(std::string_view key) const {
    for (int i = head_[Hash(key)]; i >= 0; i = entries_[size_t(i)].next) {
        const Entry& e = entries_[size_t(i)];
        if (e.keyLength != key.size()) continue;
        const char* k = keys_.data() + e.keyOffset;
        size_t j = 0;
        while (j < key.size() && k[j] == key[j])
            ++j;
        if (j == key.size()) return i;
    }
    return -1;
}

int SymbolTable::Add(std::string_view key, Kind kind, uint32_t value, bool keyword) {
    if (key.size() > kMaxKeyLength || !HasRoom(key.size())) return -1;
    Entry e{};
    e.next = -1;
    e.keyOffset = uint32_t(keys_.size());
    e.keyLength = uint8_t(key.size());
    e.kind = kind;
    e.keyword = keyword;
    e.value = value;
    keys_.insert(keys_.end(), key.begin(), key.end());
    int index = int(entries_.size());
    entries_.push_back(e);
    uint8_t h = Hash(key);
    if (tail_[h] < 0)
        head_[h] = index;
    else
        entries_[size_t(tail_[h])].next = index;
    tail_[h] = index;
    used_ += key.size() + kEntryOverhead;
    return index;
}

} // namespace pellix::asmr
