// pellix-cli assemble SOURCE [-o IMAGE] [-l LISTING]
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "asm/Assembler.h"
#include "asm/Report.h"
#include "cli/CliCommand.h"
#include "target/HexText.h"
#include "target/LineEnds.h"

namespace pellix::cli {

namespace {

bool ReadFile(const std::string& name, std::string& text) {
    std::ifstream in(name, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    if (in.bad()) return false;
    text = s.str();
    return true;
}

// Through a temporary file beside the target, so a failed write leaves the old file intact.
bool WriteFile(const std::string& name, std::string_view data) {
    std::string temporary = name + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(data.data(), std::streamsize(data.size()));
        out.close();
        if (!out) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, name, ec);
    if (ec) std::remove(temporary.c_str());
    return !ec;
}

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

    std::string text;
    if (!ReadFile(source, text)) {
        std::fprintf(stderr, "pellix-cli: cannot read %s: %s\n", source.c_str(),
                     std::strerror(errno));
        return 1;
    }
    auto record = std::make_unique<AssemblyRecord>();
    record->StartUp();
    record->source = ToCrLineEnds(text);
    Assemble(*record);
    if (record->status != 0) {
        std::fputs(DiagnosticText(*record, source).c_str(), stderr);
        return 1;
    }
    // The listing first: writing the image text reuses the listing buffer.
    if (!listing.empty() && !WriteFile(listing, record->debug.ListingText())) {
        std::fprintf(stderr, "pellix-cli: cannot write %s\n", listing.c_str());
        return 1;
    }
    if (!WriteHex(*record)) {
        std::fprintf(stderr, "pellix-cli: %s\n", record->message.c_str());
        return 1;
    }
    if (!WriteFile(image, record->debug.ListingText())) {
        std::fprintf(stderr, "pellix-cli: cannot write %s\n", image.c_str());
        return 1;
    }
    std::fputs(SummaryText(*record).c_str(), stdout);
    return 0;
}

const CliRegistration registration({"assemble", "SOURCE [-o IMAGE] [-l LISTING]",
                                    "assemble SOURCE into an .sxh image (and a listing)", Run});

} // namespace

} // namespace pellix::cli
