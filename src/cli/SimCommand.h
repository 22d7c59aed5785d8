// pellix-cli sim: a program on the simulated chip from reset, without a key or the debug
// kernel, on the lab bench: stimulus files, a UART between the chip's pins and the standard
// streams, a VCD trace, a stop when a pin reaches a level.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace pellix::cli {

inline constexpr char kSimUsage[] =
    "PROGRAM --for TIME [--stimulus FILE]... [--uart RX=PIN,TX=PIN,BAUD=N[,GAP=BITS]] "
    "[--vcd FILE] [--until-pin PIN=LEVEL]... [--freq FREQ]";

struct SimContext {
    std::istream* in = nullptr; // bytes for the UART's RX pin
    std::ostream& out;          // bytes decoded on its TX pin, and nothing else
    std::ostream& err;          // messages and the summary line
};

// 0 ran (the whole time, or until a pin reached its level), 1 failed (a program that does not
// assemble or load, a bad stimulus line, a pin the chip lacks, a file that cannot be
// read or written), 2 a usage error.
int SimCommand(SimContext& context, const std::vector<std::string>& args);

} // namespace pellix::cli
