// Whole exchanges with pellix-keysim over a real pseudo-terminal, run once for each device
// adapter. No scenario waits for a time-out: each failure here is answered at once.
#pragma once

#include <vector>

#include "link/KeysimProcess.h"
#include "link/LinkTestSupport.h"

namespace pellix::test {

struct PtyRig {
    PtyRig(const std::vector<std::string>& options, DeviceOpener opener)
        : keysim(options), ports(nullptr, ticks, std::move(opener)) {
        link.portName = keysim.Device();
    }
    KeysimProcess keysim;
    SteadyTickSource ticks;
    ScriptedPrompter prompter;
    PortFactory ports;
    KeyLink link{ports, ticks, prompter};
    KeyProtocol protocol{link};
};

inline void ProgramAndReadBackOverAPty(const DeviceOpener& opener) {
    // The lagging end echo makes every reconnect meet a stray byte.
    PtyRig r({"--device=SX28", "--late-end-echo=30"}, opener);
    ASSERT_FALSE(r.link.portName.empty()) << "pellix-keysim did not start";
    ASSERT_EQ(r.link.portName.rfind("/dev/", 0), 0u) << r.link.portName;

    r.link.RequireFullKey();
    r.link.ConnectKey();
    EXPECT_EQ(r.link.baudRate, kFastBaud);
    EXPECT_EQ(r.link.FirmwareVersion(), 3);

    std::vector<uint16_t> code(2048), id(16, 0xFF1);
    for (size_t i = 0; i < code.size(); ++i)
        code[i] = uint16_t((i * 131 + 7) & 0xFFF);
    // The chip runs what it is given: from the reset vector into a loop at 0.
    code[0x7FF] = 0xA00;
    code[0] = 0xA00;
    r.protocol.EraseFor();
    r.protocol.ProgramStart();
    const uint16_t config[] = {0xF7F, 0xFDA};
    r.protocol.ProgramBlock(config, kConfigPulseTime);
    r.protocol.ProgramWords(code, kCodePulseTime);
    r.protocol.ProgramWords(id, kCodePulseTime, 16);
    r.protocol.ProgramEnd();
    r.protocol.ClockOn(0x3D4620);
    r.protocol.Reset();
    r.link.ReleaseKey();

    r.link.ConnectKey();
    uint16_t head[3];
    std::vector<uint16_t> back(2048), backId(16);
    r.protocol.ReadStart();
    r.protocol.ReadBlock(head);
    r.protocol.ReadWords(back);
    r.protocol.ReadBlock(backId);
    r.protocol.ReadEnd();
    EXPECT_EQ(head[0], 0x001) << "an SX28's device code";
    EXPECT_EQ(head[1], 0xF7F);
    EXPECT_EQ(head[2], 0xFDA);
    EXPECT_EQ(back, code);
    EXPECT_EQ(backId, id);

    EXPECT_EQ(r.protocol.Poll(), 0) << "running after the reset";
    KernelState s = r.protocol.ReadState(0, 8, 2048);
    EXPECT_TRUE(s.programCounter == 0x000 || s.programCounter == 0x7FF) << s.programCounter;
    r.protocol.StopRequest(0);
    r.protocol.ClockOff();
    r.link.ReleaseKey();
    EXPECT_TRUE(r.prompter.messages.empty());
    EXPECT_EQ(r.keysim.Stop(), 0) << "ends cleanly on SIGTERM";
}

inline void FailuresOverAPty(const DeviceOpener& opener) {
    {
        // Erase 255, erase 245, then the programming start fails.
        PtyRig r({"--status=3:3"}, opener);
        ASSERT_FALSE(r.link.portName.empty());
        r.link.ConnectKey();
        r.protocol.EraseFor();
        ExpectLinkError(
            r.link, r.prompter, [&] { r.protocol.ProgramStart(); }, "Programming failed");
        // No end byte was sent, yet the key starts afresh when the device is reopened.
        r.link.ConnectKey();
        r.protocol.Reset();
        r.link.ReleaseKey();
    }
    {
        PtyRig r({"--wrong-ident=2"}, opener);
        ASSERT_FALSE(r.link.portName.empty());
        ExpectLinkError(
            r.link, r.prompter, [&] { r.link.ConnectKey(); },
            "Pellix not found on " + r.link.portName);
    }
    {
        PtyRig r({"--zero-seed", "--firmware=1"}, opener);
        ASSERT_FALSE(r.link.portName.empty());
        r.link.ConnectKey();
        EXPECT_EQ(r.link.FirmwareVersion(), 1);
        r.protocol.Reset();
        r.link.ReleaseKey();
        ExpectLinkError(
            r.link, r.prompter, [&] { r.link.RequireFullKey(); },
            "Brisand does not support this function");
    }
}

// A port named by a link to the device (as /dev/serial/by-id/ names an adapter) is the
// device: it connects, and the device itself is then busy.
inline void ConnectsThroughAStableName(const DeviceOpener& opener) {
    std::string stable = "/tmp/pellix-stable-" + std::to_string(::getpid());
    PtyRig r({"--link=" + stable}, opener);
    ASSERT_FALSE(r.link.portName.empty());
    const std::string device = r.link.portName;
    r.link.portName = stable;
    r.link.ConnectKey();
    r.protocol.Reset();
    KeyLink other(r.ports, r.ticks, r.prompter);
    other.portName = device;
    EXPECT_THROW(other.ConnectKey(), SilentAbort);
    ASSERT_EQ(r.prompter.messages.size(), 1u);
    EXPECT_EQ(r.prompter.messages[0].text.rfind("Unable to open " + device +
                                                    "\rCOM port in use by another process.\r"
                                                    "Device or resource busy\rIn use by this "
                                                    "program",
                                                0),
              0u)
        << r.prompter.messages[0].text;
    r.link.ReleaseKey();
    EXPECT_EQ(r.keysim.Stop(), 0);
}

} // namespace pellix::test
