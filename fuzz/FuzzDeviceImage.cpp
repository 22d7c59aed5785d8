// Any image file loaded into the device window, then any clicks on its controls: the words
// stay 12-bit, the family 0 or 1, the dump and its scroll range in bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "link/DeviceSettings.h"
#include "platform/ScriptedPrompter.h"
#include "target/ImageFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pellix;
    static auto record = [] {
        auto r = std::make_unique<AssemblyRecord>();
        r->StartUp();
        return r;
    }();
    // The last bytes are clicks; the rest is the file.
    size_t clicks = size < 16 ? size : 16;
    std::string_view text(reinterpret_cast<const char*>(data), size - clicks);
    record->deviceFamily = 0;
    record->ClearImage();
    if (!LoadImageText(*record, text)) return 0;
    ScriptedPrompter prompter;
    DeviceSettings model(*record, prompter);
    model.ShowDevice((size & 1) != 0);
    for (size_t i = size - clicks; i < size; ++i) {
        uint8_t c = data[i];
        if (c & 0x80)
            model.SetChecked(DeviceBox((c >> 3) % kDeviceBoxes), (c & 1) != 0);
        else
            model.ChooseItem(DeviceGroup((c >> 4) & 3), int(c & 15) - 1);
        model.SetScrollPosition(int(c) * 3);
        const ProgramImage& image = record->assembled;
        if (image.Fuse() > 0xFFF || image.Fusex() > 0xFFF) std::abort();
        if (record->deviceFamily > 1) std::abort();
        if (model.ScrollPosition() < 0 || model.ScrollPosition() > model.ScrollMax()) std::abort();
        for (const std::string& row : model.VisibleRows())
            if (row.size() != 36) std::abort();
    }
    return 0;
}
