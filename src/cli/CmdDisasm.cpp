// pellix-cli disasm IMAGE|SOURCE
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "asm/Assembler.h"
#include "asm/Report.h"
#include "cli/CliCommand.h"
#include "cli/SourceText.h"
#include "platform/FileIo.h"
#include "target/DeviceTables.h"
#include "target/ImageFile.h"

namespace pellix::cli {

namespace {

// The extensions the device window loads as images; anything else is a source.
bool IsImageName(const std::string& name) {
    std::string ext = std::filesystem::path(name).extension().string();
    return EqualsNoCase(ext, ".sxh") || EqualsNoCase(ext, ".obj") || EqualsNoCase(ext, ".hex");
}

int Run(const std::vector<std::string>& args) {
    if (args.size() != 1 || args[0].empty() || args[0][0] == '-') {
        std::string problem = args.empty()      ? "IMAGE or SOURCE is missing"
                              : args.size() > 1 ? "unexpected argument '" + args[1] + "'"
                              : args[0].empty() ? "an empty file name"
                                                : "unknown option '" + args[0] + "'";
        std::fprintf(stderr, "%s%s\nUsage: pellix-cli disasm IMAGE|SOURCE\n", kErrorPrefix,
                     problem.c_str());
        return 2;
    }
    const std::string& name = args[0];
    FileRead file = ReadWholeFile(name);
    if (!file.ok) {
        std::fprintf(stderr, "%scannot read %s: %s\n", kErrorPrefix, name.c_str(),
                     file.error.c_str());
        return 1;
    }
    const std::string& text = file.data;
    auto record = std::make_unique<AssemblyRecord>();
    record->StartUp();
    if (IsImageName(name)) {
        if (!LoadImageText(*record, text)) {
            std::fprintf(stderr, "%s%s: %s\n", kErrorPrefix, name.c_str(), record->message.c_str());
            return 1;
        }
    } else {
        record->source = AssemblerSource(text, name, std::cerr);
        Assemble(*record);
        if (record->status != 0) {
            std::fputs(DiagnosticText(*record, name).c_str(), stderr);
            return 1;
        }
    }
    std::fputs(DisassemblyText(*record).c_str(), stdout);
    return 0;
}

const CliRegistration registration({"disasm", "IMAGE|SOURCE",
                                    "list the written code words of an image or a source", Run});

} // namespace

} // namespace pellix::cli
