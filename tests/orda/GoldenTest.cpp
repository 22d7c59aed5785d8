// One runner for every golden case in golden/: each case names its command line, its
// source files and what the program must print, return and write. ORDA_GOLDEN_UPDATE=1
// rewrites the expectations from what the program does (review the diff before keeping it).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "OrdaProcess.h"

using namespace ordatest;

namespace {

struct Section {
    std::string kind; // "input", "console", "words", "file", "absent"
    std::string name;
    std::string text;
};

struct Case {
    std::string preamble; // comments and the args/exit lines, kept on update
    std::string args;
    int exitCode = 0;
    std::vector<Section> sections;
};

Case Parse(const std::string& text) {
    Case c;
    std::istringstream in(text);
    std::string line;
    Section* cur = nullptr;
    while (std::getline(in, line)) {
        if (line.rfind("=== ", 0) == 0) {
            c.sections.push_back({"input", line.substr(4), ""});
            cur = &c.sections.back();
        } else if (line.rfind("--- ", 0) == 0) {
            std::string what = line.substr(4);
            Section s;
            if (what == "console")
                s.kind = "console";
            else if (what.rfind("words ", 0) == 0)
                s = {"words", what.substr(6), ""};
            else if (what.rfind("absent ", 0) == 0)
                s = {"absent", what.substr(7), ""};
            else
                s = {"file", what, ""};
            c.sections.push_back(s);
            cur = &c.sections.back();
        } else if (cur) {
            cur->text += line + "\n";
        } else {
            c.preamble += line + "\n";
            if (line.rfind("args:", 0) == 0) c.args = line.substr(5);
            if (line.rfind("exit:", 0) == 0) c.exitCode = std::atoi(line.c_str() + 5);
        }
    }
    return c;
}

std::string NormaliseConsole(std::string out) {
    const std::string banner = "\nORDA Cross-Assembler for Halvane SX-based microcontrollers "
                               "        Version 1.50\nPart of the pellix development "
                               "environment.\n";
    if (out.rfind(banner, 0) == 0) out = out.substr(banner.size());
    out = Steady(out);
    if (out.empty() || out.back() != '\n') out += "\n"; // case sections end in a line feed
    return out;
}

// Program memory from address 0 to its last written word, eight words to a line, lines that
// are all blank left out; a BIN16 object with the extension's 48-byte tail is cut before it.
std::string Words(const std::string& obj) {
    size_t words = obj.size() / 2;
    if (obj.size() == 2 * 2048 + 48 || obj.size() == 2 * 4096 + 48) words -= 24;
    size_t last = 0;
    bool any = false;
    auto at = [&](size_t i) {
        return unsigned(uint8_t(obj[2 * i]) | (uint8_t(obj[2 * i + 1]) << 8));
    };
    for (size_t i = 0; i < words; ++i)
        if (at(i) != 0x0FFF) last = i, any = true;
    std::string out;
    char buf[16];
    for (size_t row = 0; any && row <= last; row += 8) {
        size_t end = std::min(row + 8, last + 1);
        bool blank = true;
        for (size_t i = row; i < end; ++i)
            blank = blank && at(i) == 0x0FFF;
        if (blank) continue;
        std::snprintf(buf, sizeof buf, "%03X:", unsigned(row));
        out += buf;
        for (size_t i = row; i < end; ++i) {
            std::snprintf(buf, sizeof buf, " %03X", at(i));
            out += buf;
        }
        out += "\n";
    }
    return out;
}

std::vector<std::string> CaseFiles() {
    std::vector<std::string> out;
    for (auto& e : std::filesystem::directory_iterator("golden"))
        if (e.path().extension() == ".case") out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

class Golden : public testing::TestWithParam<std::string> {};

TEST_P(Golden, MatchesExpectations) {
    std::string path = "golden/" + GetParam();
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    Case c = Parse(ss.str());
    TempDir dir;
    for (const Section& s : c.sections)
        if (s.kind == "input") dir.Write(s.name, s.text);
    ProcessResult r = RunProcess(OrdaPath(), SplitArgs(c.args), dir.path());
    bool update = std::getenv("ORDA_GOLDEN_UPDATE") != nullptr;
    std::string rewritten = c.preamble;
    if (update) {
        size_t at = rewritten.find("exit:");
        if (at != std::string::npos)
            rewritten.replace(at, rewritten.find('\n', at) - at,
                              "exit: " + std::to_string(r.exitCode));
    } else {
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out;
    }
    for (const Section& s : c.sections) {
        std::string actual;
        if (s.kind == "input") {
            rewritten += "=== " + s.name + "\n" + s.text;
            continue;
        }
        if (s.kind == "console") {
            actual = NormaliseConsole(r.out);
            rewritten += "--- console\n";
        } else if (s.kind == "words") {
            EXPECT_TRUE(dir.Exists(s.name)) << s.name;
            actual = Words(dir.Read(s.name));
            rewritten += "--- words " + s.name + "\n";
        } else if (s.kind == "absent") {
            EXPECT_FALSE(dir.Exists(s.name)) << s.name << " should not be written";
            rewritten += "--- absent " + s.name + "\n";
            continue;
        } else {
            EXPECT_TRUE(dir.Exists(s.name)) << s.name;
            bool crlf;
            actual = FromCrLf(dir.Read(s.name), crlf);
            EXPECT_TRUE(crlf) << s.name << ": every line ends in CR LF";
            rewritten += "--- " + s.name + "\n";
        }
        rewritten += actual;
        if (!update) {
            EXPECT_EQ(actual, s.text) << "section " << s.kind << " " << s.name;
        }
    }
    if (update) std::ofstream(path, std::ios::binary) << rewritten;
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden, testing::ValuesIn(CaseFiles()),
                         [](const testing::TestParamInfo<std::string>& info) {
                             std::string n = info.param.substr(0, info.param.size() - 5);
                             for (char& ch : n)
                                 if (!std::isalnum((unsigned char)ch)) ch = '_';
                             return n;
                         });

} // namespace
