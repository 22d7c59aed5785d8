// A KeyLink on the in-process virtual key with a fake clock, and a port that plays back
// bytes a test wrote out, for checking the wire itself.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "link/KeyLink.h"
#include "link/KeyProtocol.h"
#include "link/PortFactory.h"
#include "link/SilentAbort.h"
#include "platform/ScriptedPrompter.h"
#include "platform/TickSource.h"
#include "sim/VirtualKey.h"

namespace pellix::test {

using Bytes = std::vector<uint8_t>;

struct SimRig {
    explicit SimRig(int family = 0) : key(family) {
        link.portName = "sim";
        key.logRequests = true;
    }

    FakeTickSource ticks;
    ScriptedPrompter prompter;
    VirtualKey key;
    PortFactory ports{&key, ticks};
    KeyLink link{ports, ticks, prompter};
    KeyProtocol protocol{link};

    // Request bytes the key took since the last call.
    Bytes TakeRequests() {
        Bytes r = key.requestLog;
        key.requestLog.clear();
        return r;
    }
};

// Runs `action`, expecting it to end in a link error with `text` (before the added ".")
// and `detail` on the lines after it, that leaves the port closed.
inline void ExpectLinkError(KeyLink& link, ScriptedPrompter& prompter,
                            const std::function<void()>& action, const std::string& text,
                            const std::string& detail = {}) {
    size_t before = prompter.messages.size();
    EXPECT_THROW(action(), SilentAbort);
    ASSERT_EQ(prompter.messages.size(), before + 1) << "exactly one message";
    const auto& m = prompter.messages.back();
    EXPECT_EQ(m.text, text + "." + (detail.empty() ? "" : "\r" + detail));
    EXPECT_EQ(m.caption, kLinkErrorCaption);
    EXPECT_EQ(m.buttons, PromptButtons::Abort);
    EXPECT_EQ(m.icon, PromptIcon::Error);
    EXPECT_FALSE(link.PortOpen()) << "a link error closes the port";
}

// A line that answers from a script: each write brings the next answer onto the line,
// and each read takes one chunk of what is there (an empty chunk is a read that finds
// nothing yet). Every write and line setting is recorded.
struct PortScript {
    std::deque<Bytes> arrived;             // on the line now, one chunk a read
    std::deque<std::deque<Bytes>> answers; // brought onto the line by successive writes
    std::vector<Bytes> writes;
    std::vector<uint32_t> bauds;
    int opens = 0;
    bool open = false;
};

class ScriptedPort final : public SerialPort {
public:
    explicit ScriptedPort(PortScript& s) : s_(s) { s_.open = true; }
    ~ScriptedPort() override { Close(); }
    bool SetLine(uint32_t baud) override {
        s_.bauds.push_back(baud);
        return true;
    }
    long Read(uint8_t* data, size_t max) override {
        if (s_.arrived.empty()) return 0;
        Bytes& chunk = s_.arrived.front();
        size_t n = std::min(max, chunk.size());
        std::copy(chunk.begin(), chunk.begin() + long(n), data);
        chunk.erase(chunk.begin(), chunk.begin() + long(n));
        if (chunk.empty()) s_.arrived.pop_front();
        return long(n);
    }
    long Write(const uint8_t* data, size_t count) override {
        s_.writes.emplace_back(data, data + count);
        if (!s_.answers.empty()) {
            for (Bytes& chunk : s_.answers.front())
                s_.arrived.push_back(std::move(chunk));
            s_.answers.pop_front();
        }
        return long(count);
    }
    void Close() override { s_.open = false; }

private:
    PortScript& s_;
};

class ScriptedFactory final : public SerialPortFactory {
public:
    explicit ScriptedFactory(PortScript& s) : s_(s) {}
    std::unique_ptr<SerialPort> Open(const std::string&) override {
        ++s_.opens;
        if (!refusal.empty()) return nullptr;
        return std::make_unique<ScriptedPort>(s_);
    }
    std::string LastFailure() const override { return refusal; }
    // When set, every open fails for this reason.
    std::string refusal;

private:
    PortScript& s_;
};

struct ScriptRig {
    ScriptRig() { link.portName = "COM2"; }
    PortScript script;
    FakeTickSource ticks;
    ScriptedPrompter prompter;
    ScriptedFactory ports{script};
    KeyLink link{ports, ticks, prompter};
};

inline Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

inline Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A line of the line trace, "MS DIR HEX ... | PLAIN ..." exactly; a byte shown as ".." is
// 0x100 in `plainOrUntaken` and 0 in `plain`.
struct TraceLine {
    uint32_t time = 0;
    char direction = 0;
    Bytes raw;
    std::vector<int> plainOrUntaken;
    Bytes plain; // with ".." as 0
};

inline TraceLine ParseTraceLine(const std::string& line) {
    static const std::regex form(
        R"(^(0|[1-9][0-9]*) ([<>])((?: [0-9A-F]{2})+) \|((?: (?:[0-9A-F]{2}|\.\.))+)$)");
    TraceLine t;
    std::smatch m;
    EXPECT_TRUE(std::regex_match(line, m, form)) << "not a trace line: " << line;
    if (m.empty()) return t;
    t.time = uint32_t(std::stoul(m[1]));
    t.direction = m[2].str()[0];
    const std::string raw = m[3];
    for (size_t i = 1; i < raw.size(); i += 3)
        t.raw.push_back(uint8_t(std::stoi(raw.substr(i, 2), nullptr, 16)));
    const std::string plain = m[4];
    for (size_t i = 1; i < plain.size(); i += 3) {
        std::string b = plain.substr(i, 2);
        int v = b == ".." ? 0x100 : std::stoi(b, nullptr, 16);
        t.plainOrUntaken.push_back(v);
        t.plain.push_back(uint8_t(v));
    }
    EXPECT_EQ(t.raw.size(), t.plain.size()) << "as many bytes on both sides: " << line;
    return t;
}

} // namespace pellix::test
