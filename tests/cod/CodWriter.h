// Builds small .COD files for the tests: a directory block and the tables after it.
#pragma once

#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace pellix::test {

struct CodSym {
    std::string name;
    uint8_t type = 0;
    uint16_t value = 0;
};

// An entry of the local table: a symbol, or a "__LOCAL" scope from first to last.
struct CodLocal {
    std::string name;
    uint8_t type = 0;
    uint16_t value = 0;
    uint32_t first = 0;
    uint32_t last = 0;

    static CodLocal Scope(uint32_t first, uint32_t last) { return {"__LOCAL", 0, 0, first, last}; }
};

struct CodRec {
    uint8_t file = 0;
    uint8_t flags = 0;
    uint16_t line = 0;
    uint16_t address = 0;
};

struct CodMsg {
    uint32_t address = 0;
    char type = 'w';
    std::string text;
};

class CodWriter {
public:
    using Block = std::array<uint8_t, 512>;

    // Directory offsets of the block ranges.
    static constexpr int kShort = 426, kFiles = 430, kLines = 434, kMap = 443, kLocal = 447,
                         kLong = 462, kMessages = 466, kVersion = 451, kCompiler = 350;

    explicit CodWriter(const std::string& compiler = "BCLSXC", uint16_t version = 5) {
        blocks_.emplace_back();
        Compiler(compiler);
        Put16(0, kVersion, version);
    }

    int AddBlock() {
        blocks_.emplace_back();
        return int(blocks_.size()) - 1;
    }
    Block& At(int block) { return blocks_.at(size_t(block)); }

    void Compiler(const std::string& name) {
        At(0)[kCompiler] = uint8_t(name.size());
        for (size_t i = 0; i < name.size(); ++i)
            At(0)[kCompiler + 1 + i] = uint8_t(name[i]);
    }
    void Put16(int block, int at, uint16_t v) {
        At(block)[size_t(at)] = uint8_t(v);
        At(block)[size_t(at) + 1] = uint8_t(v >> 8);
    }
    void Range(int at, uint16_t first, uint16_t last) {
        Put16(0, at, first);
        Put16(0, at + 2, last);
    }
    void CodeBlock(int index, uint16_t block) { Put16(0, 2 * index, block); }

    // A code word at a 16-bit word address of the image; its block is made when needed.
    void Word(uint32_t address, uint16_t word) {
        int index = int(address / 256);
        uint16_t block = uint16_t(At(0)[size_t(2 * index)] | At(0)[size_t(2 * index + 1)] << 8);
        if (block == 0) {
            block = uint16_t(AddBlock());
            CodeBlock(index, block);
        }
        Put16(block, int(2 * (address % 256)), word);
    }

    void ShortSymbols(const std::vector<CodSym>& symbols) {
        Fixed(kShort, symbols.size(), 32, [&](Block& b, size_t i, size_t at) {
            PutName(b, at, symbols[i].name);
            b[at + 13] = symbols[i].type;
            b[at + 14] = uint8_t(symbols[i].value);
            b[at + 15] = uint8_t(symbols[i].value >> 8);
        });
    }

    void LocalEntries(const std::vector<CodLocal>& entries) {
        Fixed(kLocal, entries.size(), 32, [&](Block& b, size_t i, size_t at) {
            const CodLocal& e = entries[i];
            PutName(b, at, e.name);
            if (e.name == "__LOCAL") {
                for (int k = 0; k < 4; ++k) {
                    b[at + 8 + size_t(k)] = uint8_t(e.first >> (8 * k));
                    b[at + 12 + size_t(k)] = uint8_t(e.last >> (8 * k));
                }
            } else {
                b[at + 13] = e.type;
                b[at + 14] = uint8_t(e.value);
                b[at + 15] = uint8_t(e.value >> 8);
            }
        });
    }

    void SourceFiles(const std::vector<std::string>& names) {
        Fixed(kFiles, names.size(), 8, [&](Block& b, size_t i, size_t at) {
            b[at] = uint8_t(names[i].size());
            for (size_t k = 0; k < names[i].size(); ++k)
                b[at + 1 + k] = uint8_t(names[i][k]);
        });
    }

    // Records in blocks of 85; the zero bytes after the last one end the scan.
    void LineRecords(const std::vector<CodRec>& records) {
        Fixed(kLines, records.size(), 85, [&](Block& b, size_t i, size_t at) {
            b[at] = records[i].file;
            b[at + 1] = records[i].flags;
            b[at + 2] = uint8_t(records[i].line);
            b[at + 3] = uint8_t(records[i].line >> 8);
            b[at + 4] = uint8_t(records[i].address);
            b[at + 5] = uint8_t(records[i].address >> 8);
        });
    }

    void MemoryMap(const std::vector<std::pair<uint16_t, uint16_t>>& ranges) {
        Fixed(kMap, ranges.size(), 128, [&](Block& b, size_t i, size_t at) {
            b[at] = uint8_t(ranges[i].first);
            b[at + 1] = uint8_t(ranges[i].first >> 8);
            b[at + 2] = uint8_t(ranges[i].second);
            b[at + 3] = uint8_t(ranges[i].second >> 8);
        });
    }

    // Entries packed into blocks: length, name, type, three bytes, value high then low.
    void LongSymbols(const std::vector<CodSym>& symbols) {
        Packed(kLong, symbols.size(), [&](size_t i) {
            std::vector<uint8_t> e{uint8_t(symbols[i].name.size())};
            e.insert(e.end(), symbols[i].name.begin(), symbols[i].name.end());
            e.insert(e.end(), {symbols[i].type, 0, 0, 0, uint8_t(symbols[i].value >> 8),
                               uint8_t(symbols[i].value)});
            return e;
        });
    }

    // Records packed into blocks: address (high first), type, length, text.
    void DebugMessages(const std::vector<CodMsg>& messages) {
        Packed(kMessages, messages.size(), [&](size_t i) {
            const CodMsg& m = messages[i];
            std::vector<uint8_t> e{uint8_t(m.address >> 24), uint8_t(m.address >> 16),
                                   uint8_t(m.address >> 8),  uint8_t(m.address),
                                   uint8_t(m.type),          uint8_t(m.text.size())};
            e.insert(e.end(), m.text.begin(), m.text.end());
            return e;
        });
    }

    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> out;
        for (const Block& b : blocks_)
            out.insert(out.end(), b.begin(), b.end());
        return out;
    }

    void Write(const std::string& path) const { WriteBytes(path, Bytes()); }

    static void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }

private:
    static void PutName(Block& b, size_t at, const std::string& name) {
        b[at] = uint8_t(name.size());
        for (size_t k = 0; k < name.size() && k < 12; ++k)
            b[at + 1 + k] = uint8_t(name[k]);
    }

    template <class Fill>
    void Fixed(int rangeAt, size_t count, size_t perBlock, Fill fill) {
        size_t entrySize = 512 / perBlock;
        int first = 0, last = 0;
        for (size_t i = 0; i < count; ++i) {
            if (i % perBlock == 0) {
                last = AddBlock();
                if (first == 0) first = last;
            }
            fill(At(last), i, (i % perBlock) * entrySize);
        }
        if (count == 0) first = last = AddBlock(); // an empty table still has its block
        Range(rangeAt, uint16_t(first), uint16_t(last));
    }

    template <class Entry>
    void Packed(int rangeAt, size_t count, Entry entry) {
        int first = AddBlock(), last = first;
        size_t at = 0;
        for (size_t i = 0; i < count; ++i) {
            std::vector<uint8_t> e = entry(i);
            if (at + e.size() > 511) {
                last = AddBlock();
                at = 0;
            }
            for (uint8_t byte : e)
                At(last)[at++] = byte;
        }
        Range(rangeAt, uint16_t(first), uint16_t(last));
    }

    std::vector<Block> blocks_;
};

} // namespace pellix::test
