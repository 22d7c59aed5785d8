// The commands of pellix-cli. Each command's file registers itself with a static
// CliRegistration, so adding a command touches no other file.
#pragma once

#include <string>
#include <vector>

namespace pellix::cli {

// How every error of pellix-cli's own begins (assembly diagnostics keep their
// "FILE:LINE:COL: error: " form).
inline constexpr char kErrorPrefix[] = "pellix-cli: error: ";

struct CliCommand {
    const char* name;
    const char* usage;                                // arguments, as shown by --help
    const char* summary;                              // one line
    int (*run)(const std::vector<std::string>& args); // args after the command name
};

struct CliRegistration {
    explicit CliRegistration(const CliCommand& command);
};

const std::vector<CliCommand>& RegisteredCommands();

} // namespace pellix::cli
