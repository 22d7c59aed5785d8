// The one shared record of the assembled program.
#pragma once

#include <cstdint>
#include <string>

#include "target/DebugInfo.h"
#include "target/ProgramImage.h"

namespace pellix {

struct AssemblyRecord {
    uint8_t status = 0;   // 1 while an operation runs or after it failed, 0 after success
    std::string message;  // the first error's text, meaningful while status is 1
    uint8_t deviceFamily = 0;
    std::string source;   // CR line ends; c_str() gives the NUL the assembler stops at
    uint32_t errorStart = 0;
    uint32_t errorEnd = 0;
    DebugInfo debug;
    ProgramImage assembled;
    ProgramImage transfer;

    // The state the main window sets up at start-up: listing of 2,000,000 characters,
    // 50 MHz, family 0, `assembled` cleared.
    void StartUp();

    // Clears `assembled` with the current deviceFamily.
    AssemblyRecord& ClearImage();

    void Fail(std::string text) {
        status = 1;
        message = std::move(text);
    }
};

} // namespace pellix
