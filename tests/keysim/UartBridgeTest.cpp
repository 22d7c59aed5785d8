// The UART bridge of pellix-keysim between a chip's pins and a pseudo-terminal: what it does
// when nobody has the device open, when the program that has it reads, when it does not
// read, when it closes, and how much typing it takes ahead.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>

#include "keysim/UartBridge.h"
#include "sim/SxTestProgram.h"

using namespace pellix;
using namespace pellix::keysim;
using namespace sxtest;

namespace {

constexpr uint32_t kBaud = 1'000'000; // 50 cycles a bit at 50 MHz

// A chip whose program copies RB.0 onto RA.0 every five cycles; a UART of the bench sends
// frames into RB.0, so they come out on RA.0, where the bridge listens.
class Bridge : public testing::Test {
protected:
    void SetUp() override {
        Program p;
        p.Setb(RA, 0).ModeN(0x0F).MovWLit(0xFE).MovPortW(RA);
        p.Label("loop").MovWFr(RB).MovFrW(RA).Jmp("loop");
        core_ = std::make_unique<SxCore>(Sx28());
        core_->LoadProgram(p.Words());
        core_->SetPc(0);
        bench_ = std::make_unique<LabBench>(*core_);
        const char* failure = nullptr;
        ASSERT_TRUE(pty_.Open(B9600, failure)) << failure;
        messages_ = std::tmpfile();
        UartSettings settings;
        settings.rx = LabPin::PortPin(1, 1);
        settings.tx = LabPin::PortPin(0, 0);
        settings.baud = kBaud;
        bridge_ = std::make_unique<UartBridge>(*bench_, settings, pty_, messages_);
        UartSettings feeder;
        feeder.rx = LabPin::PortPin(1, 0);
        feeder.baud = kBaud;
        feeder_ = &bench_->AttachUart(feeder);
    }
    void TearDown() override {
        if (terminal_ >= 0) ::close(terminal_);
        bridge_.reset();
        bench_.reset();
        if (messages_) std::fclose(messages_);
    }

    void Connect() {
        terminal_ = ::open(pty_.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        ASSERT_GE(terminal_, 0);
        Changes();
    }
    void Disconnect() {
        ::close(terminal_);
        terminal_ = -1;
        Changes();
    }
    void Changes() {
        pollfd p{pty_.Watch(), POLLIN, 0};
        ::poll(&p, 1, 1000);
        pty_.TakeChanges([this](bool on) { bridge_->Connected(on); });
    }
    // The chip runs until every byte given to the feeder has come out on RA.0, handed on to
    // the terminal as keysim's loop does, a few frames at a time.
    void SendThrough(const std::string& bytes) {
        feeder_->Send(bytes);
        while (feeder_->Queued() > 0 || feeder_->Sending()) {
            core_->Run(20'000);
            bridge_->Exchange(0);
        }
        core_->Run(2'000); // the last frame's stop bit
        bridge_->Exchange(0);
    }
    std::string Drain() {
        std::string got;
        for (int quiet = 0; quiet < 3;) {
            char buf[4096];
            ssize_t n = ::read(terminal_, buf, sizeof buf);
            if (n > 0) {
                got.append(buf, size_t(n));
                quiet = 0;
            } else {
                ++quiet;
                ::usleep(10'000);
            }
            bridge_->Exchange(0);
        }
        return got;
    }
    std::string Messages() {
        std::fflush(messages_);
        std::rewind(messages_);
        std::string text;
        for (int c; (c = std::fgetc(messages_)) != EOF;)
            text.push_back(char(c));
        return text;
    }

    std::unique_ptr<SxCore> core_;
    std::unique_ptr<LabBench> bench_;
    PseudoTerminal pty_;
    std::FILE* messages_ = nullptr;
    std::unique_ptr<UartBridge> bridge_;
    PinUart* feeder_ = nullptr;
    int terminal_ = -1;
};

TEST_F(Bridge, WhatTheProgramSendsReachesTheTerminalThatHasTheDevice) {
    SendThrough("lost: nobody listens\n");
    Connect();
    EXPECT_EQ(Drain(), "") << "nothing sent while nobody had it open";
    std::string text;
    for (int i = 0; i < 256; ++i)
        text.push_back(char(i));
    SendThrough(text);
    EXPECT_EQ(Drain(), text) << "every byte value, unchanged";

    // Left unread when the terminal program closes: not for the next one.
    SendThrough("stale");
    Disconnect();
    Connect();
    EXPECT_EQ(Drain(), "");
    SendThrough("fresh");
    EXPECT_EQ(Drain(), "fresh");
    bridge_->Finish();
    EXPECT_EQ(Messages(), "");
}

TEST_F(Bridge, AProgramThatDoesNotReadLosesOnlyWhatDoesNotFitAndIsTold) {
    // More than the backlog and what the pseudo-terminal itself holds (some 64 KiB).
    Connect();
    std::string text;
    for (size_t i = 0; text.size() < UartBridge::kTxBacklog + 200'000; ++i)
        text += std::to_string(i) + ",";
    SendThrough(text);
    const std::string got = Drain();
    ASSERT_GE(got.size(), UartBridge::kTxBacklog);
    ASSERT_LT(got.size(), text.size());
    EXPECT_EQ(got, text.substr(0, got.size())) << "the first bytes, in order";
    bridge_->Finish();
    // Told at once, then at most once a second; every dropped byte counted.
    const std::string prefix = "pellix-keysim: uart: ";
    const std::string suffix =
        " bytes from RA.0 dropped: the program on " + pty_.Path() + " does not read them";
    std::istringstream lines(Messages());
    size_t told = 0;
    for (std::string line; std::getline(lines, line);) {
        ASSERT_EQ(line.rfind(prefix, 0), 0u) << line;
        size_t count = line.find(' ', prefix.size());
        ASSERT_EQ(line.substr(count), suffix);
        told += std::stoul(line.substr(prefix.size(), count - prefix.size()));
    }
    EXPECT_EQ(told, text.size() - got.size());
}

TEST_F(Bridge, TypingIsTakenOnlyAsFarAsTheBacklogAllows) {
    Connect();
    EXPECT_TRUE(bridge_->WantsInput());
    const std::string typed(UartBridge::kRxBacklog + 1000, 'x');
    ASSERT_EQ(::write(terminal_, typed.data(), typed.size()), ssize_t(typed.size()));
    ::usleep(20'000);
    bridge_->Exchange(0);
    EXPECT_EQ(bench_->Uart(0).Queued(), UartBridge::kRxBacklog);
    EXPECT_FALSE(bridge_->WantsInput()) << "the rest waits in the terminal";
    // Frames go into RB.1 (11 bit times each, with the gap) and the rest follows.
    for (int i = 0; i < 20 && bench_->Uart(0).Queued() > 0; ++i) {
        core_->Run(50 * 11 * 1000);
        bridge_->Exchange(0);
        EXPECT_LE(bench_->Uart(0).Queued(), UartBridge::kRxBacklog);
    }
    EXPECT_EQ(bench_->Uart(0).Queued(), 0u) << "all of it went in at last";
    char left;
    EXPECT_LT(::read(pty_.Master(), &left, 1), 1) << "nothing left in the terminal";
}

TEST_F(Bridge, FramingErrorsAreToldNotPassedOn) {
    Connect();
    // RA.0 held low for a whole frame and more: a start bit, zeros and a low stop bit.
    bench_->Drive(LabPin::PortPin(1, 0), PinLevel::Low);
    core_->Run(50 * 30);
    bench_->Drive(LabPin::PortPin(1, 0), PinLevel::High);
    core_->Run(50 * 30);
    bridge_->Exchange(0);
    EXPECT_EQ(Drain(), "");
    EXPECT_EQ(Messages().rfind("pellix-keysim: uart: framing error on RA.0 (the stop bit of a "
                               "frame ending at ",
                               0),
              0u)
        << Messages();
}

} // namespace
