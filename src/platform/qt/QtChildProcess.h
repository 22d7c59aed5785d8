#pragma once

#include "platform/ChildProcess.h"

namespace pellix {

class QtChildProcess final : public ChildProcess {
public:
    std::optional<int> Run(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& workingDirectory) override;
};

} // namespace pellix
