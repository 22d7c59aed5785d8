// Starting a program with an argument list (no shell) and waiting for its exit code.
#pragma once

#include <climits>
#include <optional>
#include <string>
#include <vector>

namespace pellix {

// What Run gives for a program that started but did not end by itself (a crash, a signal).
inline constexpr int kChildEndedAbnormally = INT_MIN;

class ChildProcess {
public:
    virtual ~ChildProcess() = default;
    // Runs `program` with `arguments` in `workingDirectory` (empty: the current one) and
    // waits for it without a time-out. The exit code (kChildEndedAbnormally when it did not
    // exit by itself), or nothing when it could not start.
    virtual std::optional<int> Run(const std::string& program,
                                   const std::vector<std::string>& arguments,
                                   const std::string& workingDirectory) = 0;
};

} // namespace pellix
