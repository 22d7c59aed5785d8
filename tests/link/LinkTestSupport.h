// A KeyLink on the in-process virtual key with a fake clock, and a port that plays back
// bytes a test wrote out, for checking the wire itself.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
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
    TraceLine t;
    auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); };
    size_t i = 0;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9')
        ++i;
    bool ok = i > 0 && (line[0] != '0' || i == 1) && i + 2 < line.size() && line[i] == ' ' &&
              (line[i + 1] == '<' || line[i + 1] == '>');
    if (ok) {
        t.time = uint32_t(std::stoul(line.substr(0, i)));
        t.direction = line[i + 1];
        i += 2;
    }
    // " XX" a byte, then " |", then " XX" or " .." a byte.
    bool plain = false;
    while (ok && i < line.size()) {
        if (line.compare(i, 2, " |") == 0 && !plain) {
            plain = true;
            i += 2;
            continue;
        }
        ok = i + 3 <= line.size() && line[i] == ' ';
        if (!ok) break;
        const std::string b = line.substr(i + 1, 2);
        if (plain && b == "..") {
            t.plainOrUntaken.push_back(0x100);
            t.plain.push_back(0);
        } else if (hex(b[0]) && hex(b[1])) {
            int v = std::stoi(b, nullptr, 16);
            if (plain) {
                t.plainOrUntaken.push_back(v);
                t.plain.push_back(uint8_t(v));
            } else {
                t.raw.push_back(uint8_t(v));
            }
        } else {
            ok = false;
        }
        i += 3;
    }
    EXPECT_TRUE(ok && plain && !t.raw.empty()) << "not a trace line: " << line;
    EXPECT_EQ(t.raw.size(), t.plain.size()) << "as many bytes on both sides: " << line;
    return t;
}

} // namespace pellix::test
