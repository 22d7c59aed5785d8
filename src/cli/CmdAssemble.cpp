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

int Usage(const std::string& problem) {
    std::fprintf(stderr, "%s%s\nUsage: pellix-cli assemble SOURCE [-o IMAGE] [-l LISTING]\n",
                 kErrorPrefix, problem.c_str());
    return 2;
}

int Run(const std::vector<std::string>& args) {
    std::string source, image, listing;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-o" || a == "-l") {
            if (i + 1 >= args.size()) return Usage(a + " needs a value");
            (a == "-o" ? image : listing) = args[++i];
        } else if (!a.empty() && a[0] == '-') {
            return Usage("unknown option '" + a + "'");
        } else if (source.empty()) {
            source = a;
        } else {
            return Usage("unexpected argument '" + a + "'");
        }
    }
    if (source.empty()) return Usage("SOURCE is missing");
    if (image.empty()) image = std::filesystem::path(source).replace_extension(".sxh").string();

    // Never write over the source (an image name defaulted from a source named .sxh) or
    // write the listing and the image into one file.
    auto same = [](const std::string& a, const std::string& b) {
        std::error_code ec;
        return a == b || std::filesystem::equivalent(a, b, ec);
    };
    if (same(image, source) ||
        (!listing.empty() && (same(listing, source) || same(listing, image)))) {
        std::fprintf(stderr, "%s%s would be overwritten; name the outputs with -o and -l\n",
                     kErrorPrefix,
                     same(image, source) || same(listing, source) ? source.c_str() : image.c_str());
        return 2;
    }

    FileRead file = ReadWholeFile(source);
    if (!file.ok) {
        std::fprintf(stderr, "%scannot read %s: %s\n", kErrorPrefix, source.c_str(),
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
            std::fprintf(stderr, "%scannot write %s: %s\n", kErrorPrefix, listing.c_str(),
                         e.c_str());
            return 1;
        }
    }
    if (!WriteHex(*record)) {
        std::fprintf(stderr, "%s%s\n", kErrorPrefix, record->message.c_str());
        return 1;
    }
    if (std::string e = ReplaceFileContents(image, record->debug.ListingText()); !e.empty()) {
        std::fprintf(stderr, "%scannot write %s: %s\n", kErrorPrefix, image.c_str(), e.c_str());
        return 1;
    }
    std::fputs(SummaryText(*record).c_str(), stdout);
    return 0;
}

const CliRegistration registration({"assemble", "SOURCE [-o IMAGE] [-l LISTING]",
                                    "assemble SOURCE into an .sxh image (and a listing)", Run});

} // namespace

} // namespace pellix::cli
