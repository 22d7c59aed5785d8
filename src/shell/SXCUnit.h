// Compiler-output mode: turns a compiler's .COD and .LST files into the shared record's
// image, listing and debug information, so the debugger runs without assembling.
//
// The window of this mode is an invisible container; everything it does is here.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/Prompter.h"
#include "shell/TCode.h"
#include "target/AssemblyRecord.h"

namespace pellix {

inline constexpr const char* kSxcCaption = "ByteCraft SXC Mode";
inline constexpr const char* kPragmaCaption = "ParsePragma()";
inline constexpr const char* kTooManyWatchesCaption = "Too Many Watch Variables";
inline constexpr const char* kTooManyBreaksCaption = "Too Many Breakpoints";

// The breakpoint the compiler's BREAK message set.
struct SxcBreak {
    bool set = false;
    std::string name;
    uint32_t address = 0;
    int line = -1;
};

// One WATCH of the compiler's debug messages, as parsed.
struct SxcWatch {
    std::string name;
    uint16_t address = 0;
    uint8_t bits = 0;
    uint8_t format = 0;
};

class SXCLoader {
public:
    SXCLoader(AssemblyRecord& record, Prompter& prompter) : record_(record), prompter_(prompter) {}

    // Loads base + ".cod" and base + ".lst" and prepares the record for debugging. False
    // when a step failed: its messages have been shown and ErrorText() says what ended it.
    bool SXCLoad(const std::string& base);

    // The first half of SXCLoad: the .COD file read and its image prepared, without a
    // list file (programming needs no lines).
    bool LoadCode(const std::string& codName);

    // The whole file into the shared listing buffer; a file larger than the buffer is
    // refused with a message and leaves the buffer as it was.
    bool LoadFile(const std::string& name);
    // Image, frequency, marks, address-to-line map and device family from the .COD file
    // held in the listing buffer and the symbols of the open TCode.
    void PrepareEEPROM();
    // Line table of the list file held in the listing buffer, and for gputils' output the
    // line of each address. False (with a message) when it has more lines than the tables
    // take.
    bool PrepareList();
    // Watches and the breakpoint from the debug messages.
    void SetCodWatchesAndBreak();

    // "Src. File:<file>\rLine #<n>\r\r" of an address, as the messages show it.
    std::string LocationText(uint32_t address) const;

    // A TCode opened elsewhere (tests, the fuzzer) for the preparation steps.
    void UseCode(std::unique_ptr<TCode> code) { code_ = std::move(code); }
    const TCode* Code() const { return code_.get(); }
    const SxcBreak& Break() const { return break_; }
    const std::vector<SxcWatch>& Watches() const { return watches_; }
    const std::string& ErrorText() const { return error_; }

    // The flavour PrepareEEPROM found.
    CodFlavour Flavour() const { return flavour_; }

private:
    // An instruction's line record of gputils' output: its address and its count.
    struct LineMark {
        uint16_t address = 0;
        int64_t count = 0;
    };

    bool ParseWatch(const CodDebugMessage& message, SxcWatch& out);
    void Fail(const std::string& text);
    void PlaceGputilsLines();
    bool LineShowsAddress(int64_t line, uint16_t address) const;

    AssemblyRecord& record_;
    Prompter& prompter_;
    std::unique_ptr<TCode> code_;
    SxcBreak break_;
    std::vector<SxcWatch> watches_;
    std::string error_;
    CodFlavour flavour_ = CodFlavour::ByteCraft;
    std::vector<LineMark> marks_;
};

// What the main window needs of the mode around the loader.
namespace sxc {

// The name without its extension (the folder part is kept).
std::string BaseName(const std::string& fileName);
// base + extension when that file exists, else base + the extension in upper case when
// that one does (files made on systems that ignore case); empty when neither exists.
std::string Companion(const std::string& base, std::string_view extension);
// Both base + ".cod" and base + ".lst" exist.
bool FilesExist(const std::string& base);
// The main window's caption in this mode.
std::string MainCaption(const std::string& appTitle, const std::string& fileName, bool readOnly);
// The code view's caption in this mode: the file name part, " -  ", the previous caption.
std::string CodeViewCaption(const std::string& sxcFileName, const std::string& caption);

} // namespace sxc

} // namespace pellix
