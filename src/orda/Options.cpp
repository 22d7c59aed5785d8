// Option values and the names of the run's files.
#include "orda/Options.h"

#include <utility>
#include <vector>

#include "orda/OrdaText.h"
#include "orda/Symbols.h"

namespace orda {

namespace {

// Collapses "." and ".." so the CWD line shows the folder as the system would.
std::string Normalize(const std::string& path) {
    std::vector<std::string> parts;
    size_t i = 0;
    while (i <= path.size()) {
        size_t j = path.find('/', i);
        if (j == std::string::npos) j = path.size();
        std::string part = path.substr(i, j - i);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        i = j + 1;
    }
    std::string out;
    for (auto& p : parts)
        out += "/" + p;
    return out.empty() ? "/" : out;
}

} // namespace

bool SetMnemonicSet(Settings& s, std::string_view v) {
    static constexpr std::pair<const char*, int> kSets[] = {{"SX", kSetSx},
                                                            {"CORVANEX", kSetCorvanex},
                                                            {"MCHIP", kSetMchip},
                                                            {"ALL", kSetAll},
                                                            {"DEBUGGER", kSetDebugger}};
    for (auto& [name, set] : kSets)
        if (EqualNoCase(v, name)) {
            s.mnemonicSet = set;
            return true;
        }
    s.mnemonicSet = kSetCorvanex;
    return false;
}

bool SetExtension(Settings& s, std::string_view v) {
    if (EqualNoCase(v, "CORVANEX"))
        s.corvanex = true;
    else if (EqualNoCase(v, "NOHAU"))
        s.nohau = true;
    else if (EqualNoCase(v, "NONE"))
        s.corvanex = s.nohau = false;
    else
        return false;
    return true;
}

bool SetObjectFormat(Settings& s, std::string_view v) {
    static constexpr const char* kFormats[] = {"BIN16",  "INHX16", "INHX8M",
                                               "INHX8S", "INHX32", "IEEE695"};
    for (int i = 0; i < 6; ++i)
        if (EqualNoCase(v, kFormats[i])) {
            s.objectFormat = i;
            return true;
        }
    s.objectFormat = kBin16;
    return false;
}

bool SetListMode(Settings& s, std::string_view v) {
    bool ok = true;
    if (EqualNoCase(v, "NONE") || v == "0")
        s.listMode = kListNone;
    else if (EqualNoCase(v, "PAGE") || v == "1")
        s.listMode = kListPage;
    else if (EqualNoCase(v, "NOPAGE") || v == "2")
        s.listMode = kListNoPage;
    else {
        s.listMode = kListNone;
        ok = false;
    }
    s.pageLengthInForce = s.listMode == kListNoPage ? 0 : s.pageLength;
    return ok;
}

bool SetQuiet(Settings& s, std::string_view v) {
    int n = ReadDecimal(v);
    int number = n < 0 ? -n : n;
    if (!FindMessage(number)) return false;
    s.quiet[size_t(number)] = n < 0 ? 0 : 2;
    return true;
}

bool SetRadix(Settings& s, std::string_view v) {
    int r = 0;
    if (EqualNoCase(v, "DEC") || EqualNoCase(v, "D"))
        r = 10;
    else if (EqualNoCase(v, "BIN") || EqualNoCase(v, "B"))
        r = 2;
    else if (EqualNoCase(v, "OCT") || EqualNoCase(v, "O"))
        r = 8;
    else if (EqualNoCase(v, "HEX") || EqualNoCase(v, "H"))
        r = 16;
    s.radix = r ? r : 10;
    return r != 0;
}

bool SetTabWidth(Settings& s, std::string_view v) {
    uint16_t w = uint16_t(ReadDecimal(v));
    if (w > 20) {
        s.tabWidth = 20;
        return false;
    }
    s.tabWidth = w;
    return true;
}

bool SetWarningLevel(Settings& s, std::string_view v) {
    int w = ReadDecimal(v);
    if (w >= 3) {
        s.warningLevel = 1;
        return false;
    }
    s.warningLevel = w;
    return true;
}

void Options::FormFileNames(const std::string& currentDir) {
    startDir = Normalize(currentDir);
    const std::string& source = sourceArg;
    size_t slash = source.rfind('/');
    std::string dir = slash == std::string::npos ? "" : source.substr(0, slash + 1);
    std::string name = source.substr(dir.size());
    size_t dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? "" : name.substr(dot);
    if (dot != std::string::npos) name.resize(dot);
    sourceBase = dir + name;
    sourceNameNoExt = name;
    sourceName = sourceBase + (ext.empty() ? ".asm" : ext);
    outputBase = sourceBase;
    std::string absDir = dir.empty() ? startDir : (dir[0] == '/' ? dir : startDir + "/" + dir);
    workDir = Normalize(absDir);
    errorFileName = settings.nohau ? "cmperr.log" : outputBase + ".err";
}

std::string Options::Resolve(const std::string& name, bool fromWorkDir) const {
    if (!name.empty() && name[0] == '/') return name;
    const std::string& base = fromWorkDir ? workDir : startDir;
    if (base.empty()) return name;
    return base == "/" ? "/" + name : base + "/" + name;
}

} // namespace orda
