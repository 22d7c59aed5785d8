// Reader of a compiler's .COD debug file: directory, code image, symbols with their scopes,
// source files, line records, debug messages and memory map.
//
// A .COD file comes from another tool and may be damaged: every block number is checked
// against the file before it is used, every entry against its block, and a failure shows
// its message and ends the load with everything released.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Prompter.h"

namespace pellix {

inline constexpr size_t kCodBlockSize = 512;
using CodBlock = std::array<uint8_t, kCodBlockSize>;

inline constexpr int kCodCodeBlocks = 128; // directory entries, 256 words each
inline constexpr int kCodWordsPerBlock = 256;
inline constexpr int kCodCodeWords = kCodCodeBlocks * kCodWordsPerBlock; // the 64 KB image
inline constexpr uint16_t kCodVersion = 5;
inline constexpr int kSxCompilerType = 3;

// Who wrote the file: a Byte Craft compiler (version 5), or gputils' gpasm or gplink
// (version 1), whose tables differ in a few rules.
enum class CodFlavour : uint8_t { ByteCraft, Gputils };
inline constexpr uint16_t kGputilsCodVersion = 1;

// Blocks of a .COD file, by number. A block that is not there in full is a short read.
class CodBlockSource {
public:
    virtual ~CodBlockSource() = default;
    virtual bool Read(uint32_t block, CodBlock& out) = 0;
};

// Blocks of a file held in memory (the shared buffer, a test, the fuzzer).
class CodMemoryBlocks final : public CodBlockSource {
public:
    explicit CodMemoryBlocks(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    bool Read(uint32_t block, CodBlock& out) override;

private:
    std::span<const uint8_t> bytes_;
};

// A first / last pair of block numbers; first 0 means the file has no such table.
struct CodBlockRange {
    uint16_t first = 0;
    uint16_t last = 0;
    bool Present() const { return first != 0; }
};

// The fields of block 0 that the loader uses.
struct CodDirectory {
    std::array<uint16_t, kCodCodeBlocks> codeBlocks{}; // 0 = absent
    std::string compilerName;
    CodBlockRange shortSymbols, sourceFiles, lineRecords, memoryMap, localSymbols, longSymbols,
        debugMessages;
    uint16_t version = 0;
    // gputils only: the processor ("sx28"), bits 16 to 31 of the addresses this directory's
    // code blocks hold, and the block of the next directory (0 for none).
    std::string processor;
    uint16_t highAddress = 0;
    uint16_t nextDirectory = 0;

    static CodDirectory Parse(const CodBlock& block);
    // The flavour the version and compiler name say; none for a version neither has.
    std::optional<CodFlavour> Flavour() const;
};

// Line records in a block: gputils leaves the last of the 85 places empty.
int LineRecordsPerBlock(CodFlavour flavour);
// The device family of a gputils processor name (sx18, sx20, sx28: 0; sx48, sx52: 1), -1
// for another; and whether the part has the third port (FUSEX bit 10).
int FamilyOfProcessor(std::string_view processor);
bool ProcessorHasPortC(std::string_view processor);

// gpasm puts its __config word at the word address 0xFFFFFFFF, which its .COD file holds
// behind a further directory for the byte addresses 0xFFFF0000 and up: the last block of
// that range. CodFarWord is one word of that block that its memory map marks as used, by
// its byte address within the range.
struct CodFarWord {
    uint16_t address = 0;
    uint16_t word = 0;
};
inline constexpr uint16_t kGputilsConfigSegment = 0xFFFF;
inline constexpr uint16_t kGputilsConfigByte = 0xFFFE; // __config without an address: FUSE

// The compiler number of a compiler name (exact comparison); -1 for a name not known.
int CompilerType(std::string_view name);

// One line record as stored: 6 bytes.
struct CodLineRecord {
    uint8_t file = 0;
    uint8_t flags = 0;
    uint16_t sourceLine = 0;
    uint16_t address = 0;

    bool AllZero() const { return file == 0 && flags == 0 && sourceLine == 0 && address == 0; }
    static CodLineRecord At(const CodBlock& block, int index);
};
inline constexpr int kCodLineRecordsPerBlock = 85;
inline constexpr int kGputilsLineRecordsPerBlock = 84;

struct CodSymbol {
    std::string name;
    uint8_t type = 0;
    uint16_t value = 0;
};

// A node of the scope tree. The root (index 0) covers 0 to 0xFFFF and holds the short and
// long symbols; each "__LOCAL" entry adds a node below the innermost one enclosing it.
struct CodScope {
    uint32_t first = 0;
    uint32_t last = 0xFFFF;
    int parent = -1;
    std::vector<CodSymbol> symbols;              // sorted by name once the file is read
    std::set<std::pair<uint32_t, int>> children; // (first address, scope index)
};

struct CodLineEntry {
    uint16_t address = 0;
    uint8_t file = 0;
    uint16_t sourceLine = 0;
    int32_t listLine = 0;
    uint8_t flags = 0;
};

struct CodDebugMessage {
    uint32_t address = 0;
    char type = 0;
    std::string text;
};

struct CodMemoryRange {
    uint16_t first = 0; // byte addresses
    uint16_t last = 0;
};

// Message captions of the loader's own boxes.
inline constexpr const char* kCodErrorCaption = ".COD File Error";
inline constexpr const char* kCodNoticeCaption = ".COD File";
inline constexpr const char* kErrorReadingBlock = "Error reading block";

class TCode {
public:
    explicit TCode(Prompter& prompter) : prompter_(prompter) {}

    // Reads the whole file. On a failure its messages have been shown, every table is
    // released and ErrorText() holds the error that ended the load.
    bool Open(const std::string& fileName);
    // The same from bytes already in memory; fileName only names it in messages.
    bool Open(std::span<const uint8_t> bytes, const std::string& fileName);
    void Close();

    bool IsOpen() const { return open_; }
    const std::string& ErrorText() const { return error_; }
    const std::string& FileName() const { return fileName_; }

    const CodDirectory& Directory() const { return directory_; }
    CodFlavour Flavour() const { return flavour_; }
    // gputils: the words behind the further directories that hold gpasm's __config.
    const std::vector<CodFarWord>& ConfigWords() const { return configWords_; }
    const std::string& CompilerName() const { return directory_.compilerName; }
    int CompilerTypeNumber() const { return compilerType_; }

    // The 32768 words of the code blocks, zero where a block is absent.
    const std::vector<uint16_t>& CodeImage() const { return code_; }
    const std::vector<CodScope>& Scopes() const { return scopes_; }
    // Source file names by number; an empty entry of the file is an empty name.
    const std::vector<std::string>& SourceFiles() const { return sourceFiles_; }
    const std::vector<CodLineEntry>& LineEntries() const { return lines_; }
    const std::vector<CodLineEntry>& LineEntriesByAddress() const { return linesByAddress_; }
    const std::vector<CodDebugMessage>& DebugMessages() const { return messages_; }
    const std::vector<CodMemoryRange>& MemoryMap() const { return memoryMap_; }

    // Searches the scopes holding the address, innermost first. A symbol matches when its
    // name is equal and its type byte is not the compiler's "no symbol" mark (156 for the
    // SX compiler, 255 for the others).
    const CodSymbol* FindSymbol(std::string_view name, uint32_t address) const;
    // The source line of the entry at the address or, when none is there, at the nearest
    // address; -1 without line entries.
    int SourceLineOfAddress(uint32_t address) const;
    // The file of that entry, from the nearest entry at or before it that starts a file
    // (flag bit 7); empty when there is none.
    std::string SourceFileOfAddress(uint32_t address) const;
    // The source file and line of the entry at exactly this address; false when no entry
    // is there.
    bool SourcePlaceOfAddress(uint32_t address, std::string& file, int& line) const;

private:
    struct Failure {
        std::string text;
    };

    bool Read(CodBlockSource& source);
    void Release();
    void Show(const std::string& text, bool error);
    [[noreturn]] void Fail(const std::string& message, const std::string& errorText);
    void ReadBlock(CodBlockSource& source, uint32_t block, CodBlock& out, const char* blockMessage);
    template <class Stage>
    void RunStage(const char* tableMessage, const char* memoryMessage, Stage stage);

    void ReadDirectory(CodBlockSource& source);
    void ReadCode(CodBlockSource& source);
    void ReadShortSymbols(CodBlockSource& source);
    void ReadLongSymbols(CodBlockSource& source);
    void ReadLocalSymbols(CodBlockSource& source);
    void ReadSourceFiles(CodBlockSource& source);
    void ReadLineRecords(CodBlockSource& source);
    void ReadDebugMessages(CodBlockSource& source);
    void ReadMemoryMap(CodBlockSource& source);
    void ReadConfigDirectories(CodBlockSource& source);
    void Finish();

    int PlaceScope(uint32_t first, uint32_t last);
    int ChildHolding(int scope, uint32_t first, uint32_t last) const;
    long NearestEntry(uint32_t address) const;

    Prompter& prompter_;
    std::string fileName_;
    std::string error_;
    bool open_ = false;
    CodDirectory directory_;
    CodFlavour flavour_ = CodFlavour::ByteCraft;
    int compilerType_ = -1;
    std::vector<CodFarWord> configWords_;
    std::vector<uint16_t> code_;
    std::vector<CodScope> scopes_;
    int lastScope_ = 0;
    std::vector<std::string> sourceFiles_;
    std::vector<CodLineEntry> lines_;
    std::vector<CodLineEntry> linesByAddress_;
    std::vector<int> fileStartBefore_; // per address-order entry: last file start at or before
    std::vector<CodDebugMessage> messages_;
    std::vector<CodMemoryRange> memoryMap_;
};

} // namespace pellix
