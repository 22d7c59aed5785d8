// Any bytes as a .COD file: reading it, and preparing the image, list and watches from what
// was read, never crash nor read outside the input. The list file is the same bytes, or,
// when they hold the marker "\0LST\n", what follows it (the seeds of gputils' output carry
// their real listing there, so the lines are placed as for a real file).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "shell/SXCUnit.h"
#include "shell/TCode.h"
#include "target/AssemblyRecord.h"

namespace {

class QuietPrompter final : public pellix::Prompter {
public:
    pellix::PromptAnswer Message(const std::string&, const std::string&, pellix::PromptButtons,
                                 pellix::PromptIcon) override {
        return pellix::PromptAnswer::Ok;
    }
    std::optional<std::string> OpenFileName(const pellix::FileDialogRequest&) override {
        return std::nullopt;
    }
    std::optional<std::string> SaveFileName(const pellix::FileDialogRequest&) override {
        return std::nullopt;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QuietPrompter prompter;
    static auto record = [] {
        auto r = std::make_unique<pellix::AssemblyRecord>();
        r->StartUp();
        return r;
    }();
    auto code = std::make_unique<pellix::TCode>(prompter);
    if (!code->Open(std::span<const uint8_t>(data, size), "fuzz.cod")) return 0;

    // Lookups on whatever the tables hold.
    for (const auto& m : code->DebugMessages()) {
        code->SourceFileOfAddress(m.address);
        code->SourceLineOfAddress(m.address);
    }

    pellix::SXCLoader loader(*record, prompter);
    loader.UseCode(std::move(code));
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (!record->debug.SetListingText(bytes)) return 0;
    loader.PrepareEEPROM();
    // The list file: any text, any line ends.
    constexpr std::string_view kListMarker("\0LST\n", 5);
    std::string_view list = bytes;
    if (size_t at = bytes.find(kListMarker); at != std::string_view::npos)
        list = bytes.substr(at + kListMarker.size());
    record->debug.SetListingText(list);
    if (loader.PrepareList()) loader.SetCodWatchesAndBreak();
    return 0;
}
