// pellix's command line: any arguments (one per line of the input). The file name it keeps
// is the last one that is no switch; the port is one of COM1 to COM4 or none.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileIo.h"
#include "shell/CommandLine.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> args;
    while (!text.empty()) {
        size_t end = text.find('\n');
        args.emplace_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
    pellix::CommandLine c = pellix::CommandLine::Parse(args);
    Check(c.port >= 0 && c.port <= 4);
    Check(!c.readOnly || !c.fileName.empty());
    // The file is the last argument that is no switch, with the extension it lacks.
    const std::string* last = nullptr;
    for (const std::string& a : args)
        if (!a.empty() && !(a[0] == '/' && a.size() == 2)) last = &a;
    if (!last) {
        Check(c.fileName.empty());
        return 0;
    }
    const char* ext = c.compilerMode ? ".cod" : ".src";
    Check(c.fileName == (pellix::HasExtension(*last) ? *last : *last + ext));
    return 0;
}
