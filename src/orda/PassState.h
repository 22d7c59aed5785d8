// Everything a pass builds from nothing: rebuilt whole at the start of each pass, so that
// pass 2 cannot inherit what pass 1 left half done.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "orda/Options.h"
#include "orda/Sources.h"

namespace orda {

// Values the device set-up derives from the device index.
struct DeviceValues {
    int index = 0;
    int memSize = 2048;
    int highest = 2047;
    uint16_t deviceWord = 0xAB00;
    int family = 1;
};

struct CondLevel {
    bool skip = false;
    bool elseSeen = false;
    bool parentSkip = false;
};

// Line-number information for the debug module.
struct LineEntry {
    enum Kind : uint8_t { kEnter, kLeave, kLine } kind;
    int fileIndex = 0;
    uint32_t line = 0;
    uint32_t address = 0;
};

struct PassState {
    int pass = 0;
    Settings s; // the options, changed by directives
    DeviceValues dev;
    uint16_t fuse = 0x0FFB, fusex = 0x0BFF;
    // where code goes
    uint32_t pc = 0;
    uint32_t statementPc = 0;
    int selPage = 0, pageCountdown = 0, selBank = 0, bankCountdown = 0;
    // reading
    SourceStacks src;
    std::vector<CondLevel> conds;
    std::string lastGlobal;
    uint32_t listingLine = 0; // statement lines delivered
    uint32_t linesRead = 0;   // lines read from files
    bool ended = false;
    // the configuration and debug directives
    bool seenFreq = false, seenReset = false, seenBreak = false, seenIrc = false;
    bool oscLineSeen = false;
    bool oscChecked = false;
    uint32_t freq = 50000000;
    uint16_t irc = 0;
    uint16_t breakAddr = 0xFFFF;
    std::string title, subtitle;
    std::vector<LineEntry> lineEntries;

    bool Skipping() const { return !conds.empty() && conds.back().skip; }
    // A local label's full name: the last global label followed by it.
    std::string LocalLabelName(std::string_view name) const {
        return lastGlobal + std::string(name);
    }
};

} // namespace orda
