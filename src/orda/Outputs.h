// What the run writes: the code image the statements store into, and the list and map
// files while pass 2 writes them.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "orda/OrdaHost.h"

namespace orda {

inline constexpr int kImageWords = 16448;
inline constexpr int kIdBase = 0x1000;
inline constexpr int kConfigBase = 0x1010;
inline constexpr uint16_t kBlank = 0x0FFF;

// Program words, the ID area and the configuration block; every word blank to begin with.
class CodeImage {
public:
    CodeImage() : words_(kImageWords, kBlank) {}
    const std::vector<uint16_t>& Words() const { return words_; }
    uint16_t operator[](size_t address) const { return words_[address]; }
    // False when the place already held a word (it is overwritten all the same).
    bool Store(uint32_t address, uint16_t word) {
        bool blank = words_[address] == kBlank;
        words_[address] = word;
        return blank;
    }
    // The ID text, two words a character.
    void SetId(const std::string& text) {
        idText_ = text;
        for (int i = 0; i < 16; ++i)
            words_[size_t(kIdBase + i)] = kBlank;
        for (size_t i = 0; i < text.size(); ++i) {
            unsigned char c = (unsigned char)text[i];
            words_[kIdBase + 2 * i] = uint16_t(0x0FF0 | (c >> 4));
            words_[kIdBase + 2 * i + 1] = uint16_t(0x0FF0 | (c & 15));
        }
    }
    const std::string& IdText() const { return idText_; }
    void SetConfig(const std::array<uint16_t, 8>& words) {
        for (size_t i = 0; i < words.size(); ++i)
            words_[kConfigBase + i] = words[i];
    }
    // The binary object holds 12-bit words.
    void MaskProgram() {
        for (int i = 0; i < 16384; ++i)
            words_[size_t(i)] &= 0x0FFF;
    }

private:
    std::vector<uint16_t> words_;
    std::string idText_;
};

// The list file and the map file of pass 2, with the messages waiting to be listed after
// their statement's line.
struct Listing {
    std::unique_ptr<OutFile> listFile; // null when there is none, or no longer
    std::unique_ptr<OutFile> mapFile;
    std::string mapData;
    size_t mapPos = 2048;
    uint32_t listCount = 0; // lines written through the list-line writer
    int pageNumber = 0;
    int pageLines = 0;
    std::string columnHeader;
    bool crossReference = false; // the pages of the symbol table
    std::vector<std::string> queue;
};

} // namespace orda
