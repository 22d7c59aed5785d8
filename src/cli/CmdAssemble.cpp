// pellix-cli assemble SOURCE [-o IMAGE] [-l LISTING]
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
#include "target/HexText.h"

namespace pellix::cli {

namespace {

int Usage() {
    std::fprintf(stderr, "Usage: pellix-cli assemble SOURCE [-o IMAGE] [-l LISTING]\n");
    return 2;
}

int Run(const std::vector<std::string>& args) {
    std::string source, image, listing;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-o" || a == "-l") {
            if (i + 1 >= args.size()) return Usage();
            (a == "-o" ? image : listing) = args[++i];
        } else if (!a.empty() && a[0] == '-') {
            return Usage();
        } else if (source.empty()) {
            source = a;
        } else {
            return Usage();
        }
    }
    if (source.empty()) return Usage();
    if (image.empty()) image = std::filesystem::path(source).replace_extension(".sxh").string();

    // Never write over the source (an image name defaulted from a source named .sxh) or
    // write the listing and the image into one file.
    auto same = [](const std::string& a, const std::string& b) {
        std::error_code ec;
        return a == b || std::filesystem::equivalent(a, b, ec);
    };
    if (same(image, source) ||
        (!listing.empty() && (same(listing, source) || same(listing, image)))) {
        std::fprintf(stderr,
                     "pellix-cli: %s would be overwritten; name the outputs with -o and -l\n",
                     same(image, source) || same(listing, source) ? source.c_str() : image.c_str());
        return 2;
    }

    FileRead file = ReadWholeFile(source);
    if (!file.ok) {
        std::fprintf(stderr, "pellix-cli: cannot read %s: %s\n", source.c_str(),
                     file.error.c_str());
        return 1;
    }
    const std::string& text = file.data;
    auto record = std::make_unique<AssemblyRecord>();
    record->StartUp();
    record->source = AssemblerSource(text, source, std::cerr);
    Assemble(*record);
    if (record->status != 0) {
        std::fputs(DiagnosticText(*record, source).c_str(), stderr);
        return 1;
    }
    // The listing first: writing the image text reuses the listing buffer.
    if (!listing.empty()) {
        if (std::string e = ReplaceFileContents(listing, record->debug.ListingText()); !e.empty()) {
            std::fprintf(stderr, "pellix-cli: cannot write %s: %s\n", listing.c_str(), e.c_str());
            return 1;
        }
    }
    if (!WriteHex(*record)) {
        std::fprintf(stderr, "pellix-cli: %s\n", record->message.c_str());
        return 1;
    }
    if (std::string e = ReplaceFileContents(image, record->debug.ListingText()); !e.empty()) {
        std::fprintf(stderr, "pellix-cli: cannot write %s: %s\n", image.c_str(), e.c_str());
        return 1;
    }
    std::fputs(SummaryText(*record).c_str(), stdout);
    return 0;
}

const CliRegistration registration({"assemble", "SOURCE [-o IMAGE] [-l LISTING]",
                                    "assemble SOURCE into an .sxh image (and a listing)", Run});

} // namespace

} // namespace pellix::cli
