// The built-in assembler as the main window's assembler service.
#pragma once

#include "asm/Assembler.h"
#include "shell/Services.h"

namespace pellix {

class BuiltInAssembler final : public AssemblerService {
public:
    void Assemble(AssemblyRecord& record) override { pellix::Assemble(record); }
};

} // namespace pellix
