// Runs every golden case under golden/: a source with its expected listing, image words,
// configuration words, summary, disassembly or error message with its position. Only the
// sections a case holds are compared. PELLIX_UPDATE_GOLDEN=1 rewrites them from the output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "asm/Assembler.h"
#include "asm/Disassembler.h"
#include "asm/Report.h"
#include "target/LineEnds.h"

using namespace pellix;
namespace fs = std::filesystem;

namespace {

struct Section {
    std::string name;
    std::string body; // LF line ends
};

struct Case {
    fs::path path;
    std::string header; // text before the first section
    std::vector<Section> sections;

    const Section* Find(const std::string& name) const {
        for (const auto& s : sections)
            if (s.name == name) return &s;
        return nullptr;
    }
};

Case Load(const fs::path& path) {
    Case c;
    c.path = path;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    Section* current = nullptr;
    while (std::getline(in, line)) {
        if (line.rfind("@@ ", 0) == 0) {
            c.sections.push_back({line.substr(3), ""});
            current = &c.sections.back();
        } else if (current) {
            current->body += line + "\n";
        } else {
            c.header += line + "\n";
        }
    }
    return c;
}

std::string Hex(unsigned value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, value);
    return buf;
}

std::string Words(const AssemblyRecord& r) {
    std::string out;
    int run = 0;
    for (int a = 0; a < kCodeWords; ++a) {
        if (!r.assembled.Written(a)) {
            run = 0;
            continue;
        }
        if (run % 8 == 0) {
            if (run > 0) out += "\n";
            out += Hex(unsigned(a), 3) + ":";
        }
        out += " " + Hex(r.assembled.Code(a), 3);
        ++run;
        if (a + 1 == kCodeWords || !r.assembled.Written(a + 1)) out += "\n";
    }
    return out;
}

std::string Config(const AssemblyRecord& r) {
    std::string out =
        "FUSE " + Hex(r.assembled.Fuse(), 3) + " FUSEX " + Hex(r.assembled.Fusex(), 3);
    out += "\n";
    bool any = false;
    std::string id = "ID";
    for (int i = 0; i < kIdWords; ++i) {
        uint16_t w = r.assembled[kIdIndex + i];
        any = any || w != kUnwritten;
        id += " " + Hex(w, 3);
    }
    if (any) out += id + "\n";
    return out;
}

std::string Listing(const AssemblyRecord& r) {
    std::string out(r.debug.ListingText());
    std::replace(out.begin(), out.end(), '\r', '\n');
    return out;
}

// The source section is the program: each of its lines ends in CR.
std::string SourceOf(const Case& c) {
    const Section* s = c.Find("source");
    return s ? ToCrLineEnds(s->body) : std::string();
}

std::string Actual(const std::string& section, const AssemblyRecord& r) {
    if (section == "listing") return r.status == 0 ? Listing(r) : "(failed)\n";
    if (section == "words") return Words(r);
    if (section == "config") return Config(r);
    if (section == "summary") return r.status == 0 ? SummaryText(r) : "(failed)\n";
    if (section == "disasm") return DisassemblyText(r);
    if (section == "error") return r.status != 0 ? DiagnosticText(r, "case") : "(succeeded)\n";
    return "";
}

// Properties every successful assembly must have, whatever the program.
void CheckTables(const AssemblyRecord& r) {
    const DebugInfo& d = r.debug;
    ASSERT_GE(d.lineCount, 1) << "the end entry is always there";
    ASSERT_LE(d.lineCount, kMaxListLines + 1);
    for (int i = 0; i < d.lineCount; ++i) {
        EXPECT_LE(size_t(d.lineText[size_t(i)]), d.listingLength) << "line " << i;
        EXPECT_LE(size_t(d.lineSource[size_t(i)]), r.source.size()) << "line " << i;
        if (i > 0) {
            EXPECT_GE(d.lineText[size_t(i)], d.lineText[size_t(i - 1)]) << "line " << i;
        }
        if (i + 1 < d.lineCount) {
            EXPECT_EQ(d.listing[size_t(d.lineText[size_t(i + 1)] - 1)], '\r')
                << "line " << i << " ends in CR";
        }
    }
    EXPECT_EQ(size_t(d.lineText[size_t(d.lineCount - 1)]), d.listingLength);
    for (int a = 0; a < kCodeWords; ++a) {
        if (r.assembled.Written(a)) {
            EXPECT_GE(d.lineOfAddress[size_t(a)], 0) << "address " << a;
            EXPECT_LT(d.lineOfAddress[size_t(a)], d.lineCount - 1) << "address " << a;
        } else {
            EXPECT_EQ(d.lineOfAddress[size_t(a)], -1) << "address " << a;
        }
    }
    EXPECT_EQ(r.transfer, r.assembled);
    EXPECT_EQ(r.errorStart, 0u);
    EXPECT_EQ(r.errorEnd, 0u);
}

std::vector<fs::path> AllCases() {
    std::vector<fs::path> out;
    fs::path root = "golden";
    if (!fs::exists(root)) return out;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file() && e.path().extension() == ".case") out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

std::string NameOf(const fs::path& p) {
    std::string s = fs::relative(p, "golden").replace_extension("").string();
    for (char& c : s)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return s;
}

class Golden : public testing::TestWithParam<fs::path> {};

TEST_P(Golden, MatchesExpectedOutput) {
    Case c = Load(GetParam());
    ASSERT_NE(c.Find("source"), nullptr) << "a case needs a source section";
    auto r = std::make_unique<AssemblyRecord>();
    r->StartUp();
    r->source = SourceOf(c);
    Assemble(*r);
    if (r->status == 0) CheckTables(*r);

    const bool update = std::getenv("PELLIX_UPDATE_GOLDEN") != nullptr;
    bool changed = false;
    for (auto& s : c.sections) {
        if (s.name == "source") continue;
        std::string actual = Actual(s.name, *r);
        if (update) {
            changed = changed || actual != s.body;
            s.body = actual;
        } else {
            EXPECT_EQ(actual, s.body) << "section " << s.name << " of " << c.path;
        }
    }
    if (update && changed) {
        std::ofstream out(c.path, std::ios::binary | std::ios::trunc);
        out << c.header;
        for (const auto& s : c.sections)
            out << "@@ " << s.name << "\n" << s.body;
    }
    if (c.Find("error") == nullptr) {
        EXPECT_EQ(r->status, 0) << r->message;
    }

    // A second assembly into the same record gives the same result: no state survives.
    if (r->status == 0) {
        std::string listing(r->debug.ListingText());
        ProgramImage image = r->assembled;
        Assemble(*r);
        EXPECT_EQ(r->status, 0);
        EXPECT_EQ(std::string(r->debug.ListingText()), listing);
        EXPECT_EQ(r->assembled, image);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden, testing::ValuesIn(AllCases()),
                         [](const testing::TestParamInfo<fs::path>& info) {
                             return NameOf(info.param);
                         });

TEST(GoldenCases, ThereAreCasesInEveryTopic) {
    for (const char* topic :
         {"scanner", "expressions", "instructions", "directives", "macros", "driver", "disasm"}) {
        bool found = false;
        for (const auto& p : AllCases())
            found = found || p.parent_path().filename() == topic;
        EXPECT_TRUE(found) << topic;
    }
}

} // namespace
