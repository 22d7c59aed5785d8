// The bash completion of pellix-cli, run in bash against the program just built.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "support/ScratchTest.h"

using namespace pellix::test;

namespace {

class Completion : public ScratchTest {
protected:
    void SetUp() override {
        const char* source = std::getenv("PELLIX_SOURCE_DIR");
        bin_ = BuiltProgram("pellix-cli").parent_path().string();
        if (!source || bin_.empty()) GTEST_SKIP() << "not run by ctest";
        script_ = std::string(source) + "/data/pellix-cli.bash";
        if (std::system("bash -c true") != 0) GTEST_SKIP() << "no bash";
        ScratchTest::SetUp();
    }

    // What completing the last of `words` offers (the last may be empty: a new word).
    std::vector<std::string> Complete(const std::vector<std::string>& words) {
        std::string array;
        for (const std::string& w : words)
            array += Quoted(w) + " ";
        std::string script = "source " + Quoted(script_) + "\nCOMP_WORDS=(" + array +
                             ")\nCOMP_CWORD=" + std::to_string(words.size() - 1) +
                             "\n_pellix_cli\nprintf '%s\\n' \"${COMPREPLY[@]}\"\n";
        Write("complete.sh", script);
        RunResult r = RunShell("cd " + Quoted(Path("")) + " && PATH=" + Quoted(bin_) +
                               ":\"$PATH\" bash " + Quoted(Path("complete.sh")));
        EXPECT_EQ(r.exit, 0) << r.err;
        std::vector<std::string> offered;
        std::istringstream in(r.out);
        for (std::string line; std::getline(in, line);)
            if (!line.empty()) offered.push_back(line);
        return offered;
    }
    static bool Has(const std::vector<std::string>& v, const std::string& s) {
        return std::find(v.begin(), v.end(), s) != v.end();
    }

    std::string bin_, script_;
};

} // namespace

TEST_F(Completion, CommandsOptionsValuesAndFiles) {
    std::vector<std::string> all = Complete({"pellix-cli", ""});
    for (const char* c : {"assemble", "disasm", "program", "run", "verify", "read", "clock",
                          "debug", "ports", "--help", "--version"})
        EXPECT_TRUE(Has(all, c)) << c;
    EXPECT_EQ(Complete({"pellix-cli", "pro"}), std::vector<std::string>{"program"});

    std::vector<std::string> options = Complete({"pellix-cli", "program", "x.src", "--"});
    EXPECT_EQ(options, (std::vector<std::string>{"--port", "--irc", "--no-verify", "--trace"}));
    options = Complete({"pellix-cli", "read", "-"});
    for (const char* o : {"-o", "--port", "--trace", "-v"})
        EXPECT_TRUE(Has(options, o)) << o;
    EXPECT_FALSE(Has(options, "--irc")) << "read takes no calibration";
    EXPECT_EQ(Complete({"pellix-cli", "assemble", "a.src", "-"}),
              (std::vector<std::string>{"-o", "-l"}));

    EXPECT_EQ(Complete({"pellix-cli", "run", "x.src", "--irc", ""}),
              (std::vector<std::string>{"slowest", "4mhz", "fastest"}));
    std::vector<std::string> ports = Complete({"pellix-cli", "verify", "--port", ""});
    EXPECT_TRUE(Has(ports, "sim"));
    EXPECT_TRUE(Has(ports, "COM1"));
    EXPECT_FALSE(Has(ports, "the")) << "only the first column of pellix-cli ports";

    Write("blink.src", "");
    Write("blink.sxh", "");
    std::vector<std::string> files = Complete({"pellix-cli", "program", "bli"});
    std::sort(files.begin(), files.end()); // in the folder's order
    EXPECT_EQ(files, (std::vector<std::string>{"blink.src", "blink.sxh"}));
    EXPECT_EQ(Complete({"pellix-cli", "read", "--trace", "blink.sr"}),
              std::vector<std::string>{"blink.src"});
}
