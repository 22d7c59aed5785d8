// What the message reporter keeps for the run: counts per pass and per message, what pass 1
// said about each line, and the error file.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "orda/Messages.h"
#include "orda/OrdaHost.h"

namespace orda {

// A message goes to the console, the error file and the list file at most this often in a
// run; the reports beyond are counted and said in one line at the end.
inline constexpr uint32_t kMaxRepeats = 1000;

// The line that says how many reports of a message were left out.
std::string LeftOutLine(int number, uint32_t shown, uint32_t leftOut);

struct Counters {
    int printed = 0, comments = 0, warnings = 0, errors = 0;
};

// The messages pass 1 reported on one statement line.
struct LineMarks {
    uint32_t line = 0; // the listing line they belong to
    int message = 0;   // the last one
    bool error = false;
};

struct Reports {
    // Pass 0 (the command line), 1 and 2.
    std::array<Counters, 3> byPass{};
    // Per message: reports written to the console and error file, and to the list file,
    // and those left out of each once kMaxRepeats were written.
    std::array<uint32_t, kMessageCount + 1> shown{}, listed{}, unshown{}, unlisted{};
    // Warnings and comments of pass 1 per listing line and message: pass 2 lists them
    // again without saying them twice.
    std::map<std::pair<uint32_t, int>, int> pass1Printed;
    LineMarks marks;
    bool fatal = false; // the report that ends the run always shows
    std::unique_ptr<OutFile> errorFile;

    Counters Total() const {
        Counters t;
        for (const Counters& c : byPass) {
            t.printed += c.printed;
            t.comments += c.comments;
            t.warnings += c.warnings;
            t.errors += c.errors;
        }
        return t;
    }
    // The marks of a statement line, empty when pass 1 said nothing about it.
    LineMarks MarksOf(uint32_t listingLine) const {
        return marks.line == listingLine ? marks : LineMarks{};
    }
};

} // namespace orda
