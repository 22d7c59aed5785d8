// Runs orda in-process on files held in memory (fast checks of the language and files).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "OrdaProcess.h"
#include "orda/Orda.h"

namespace ordatest {

struct InProcess {
    orda::MemoryHost host;
    std::unique_ptr<orda::Orda> orda;
    int exitCode = -1;

    const std::string& console() const { return host.console; }
    const orda::PassState& State() const { return orda->State(); }
    // A file the run wrote or read, by its name in the working folder.
    std::string File(const std::string& name) const {
        auto it = host.files.find("/work/" + name);
        return it == host.files.end() ? std::string() : it->second;
    }
    bool Has(const std::string& name) const { return host.files.count("/work/" + name) > 0; }
    std::vector<uint16_t> Words(int from, int count) const {
        const auto& img = orda->Image();
        return std::vector<uint16_t>(img.begin() + from, img.begin() + from + count);
    }
    const orda::Symbol* Sym(const std::string& name) const {
        auto it = orda->Symbols().find(name);
        return it == orda->Symbols().end() ? nullptr : &it->second;
    }
    bool Says(const std::string& text) const {
        return host.console.find(text) != std::string::npos;
    }
    int Count(const std::string& text) const {
        int n = 0;
        for (size_t at = host.console.find(text); at != std::string::npos;
             at = host.console.find(text, at + 1))
            ++n;
        return n;
    }
};

// `files` maps names in the working folder to their text; the first argument after the
// options is the source.
// `setUp` may adjust the host first.
inline std::unique_ptr<InProcess>
Assemble(const std::map<std::string, std::string>& files, const std::string& args,
         uint32_t maxLines = 4000000, const std::function<void(orda::MemoryHost&)>& setUp = {}) {
    auto r = std::make_unique<InProcess>();
    if (setUp) setUp(r->host);
    for (const auto& [name, text] : files)
        r->host.files["/work/" + name] = text;
    r->orda = std::make_unique<orda::Orda>(r->host);
    r->orda->maxLinesPerPass = maxLines;
    std::vector<std::string> argv{"/bin/orda"};
    for (auto& a : SplitArgs(args))
        argv.push_back(a);
    r->exitCode = r->orda->Run(argv);
    return r;
}

// One source file "t.asm" under the extension, listing on.
inline std::unique_ptr<InProcess> Source(const std::string& text,
                                         const std::string& options = "/E CORVANEX") {
    return Assemble({{"t.asm", text}}, options + " t");
}

} // namespace ordatest
