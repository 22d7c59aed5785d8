// pellix-keysim: the virtual key behind a pseudo-terminal, so that any program can talk
// to it as to a key on a serial port; and the lab bench on its chip's pins: a UART behind a
// second pseudo-terminal, stimulus files, a trace.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <memory>
#include <optional>
#include <poll.h>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

#include "keysim/PseudoTerminal.h"
#include "keysim/UartBridge.h"
#include "platform/FileIo.h"
#include "sim/VirtualKey.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

constexpr size_t kMaxUnsent = 64 * 1024;

void OnSignal(int) {
    g_stop = 1;
}

void PrintHelp() {
    std::printf(
        "Usage: pellix-keysim [options]\n"
        "Serves the virtual key (the key and a simulated SX chip) on a pseudo-terminal.\n"
        "The first line of output is the device to connect to; it serves until it is\n"
        "interrupted or terminated.\n"
        "\n"
        "The chip and the key:\n"
        "  --device=NAME       the part on the board: SX18, SX20, SX28 (default), SX48, SX52\n"
        "  --firmware=N        the firmware version the key reports, 0 to 255 (default 3)\n"
        "  --link=PATH         also make PATH a symbolic link to the device (removed at exit)\n"
        "  --verbose           tell on standard error when the line (and the UART's device)\n"
        "                      opens and closes\n"
        "  --line-speed        deliver each byte no faster than the line's baud rate allows\n"
        "                      (10 bit times a byte), as a key on a real serial line does\n"
        "\n"
        "Faults:\n"
        "  --no-answer         no key: nothing comes back, not even the echo\n"
        "  --only-baud=RATE    answer only at RATE; other rates get the echo and nothing else\n"
        "  --wrong-ident=N     byte N (1 to 6) of the identification comes back wrong\n"
        "  --zero-seed         the programming-only key: a seed that leaves the scrambler at 0\n"
        "  --status=N:S        the N-th status byte is S (0 to 255); the operation it reports\n"
        "                      is not carried out\n"
        "  --latency=MS        every reply starts MS milliseconds after its request\n"
        "  --unit-time=MS      one erase or pulse-time unit takes MS milliseconds (default 0)\n"
        "  --silent-after=N    the key falls silent after N reply bytes\n"
        "  --garble=N          the N-th reply byte is damaged on the wire\n"
        "  --late-end-echo=MS  the echo of the end byte lags MS milliseconds, as on some USB\n"
        "                      serial adapters\n"
        "Faults of the line itself (failed or short reads and writes) belong to the\n"
        "in-process key, port sim; a pseudo-terminal cannot fake them.\n"
        "\n"
        "The chip's pins (docs/simulator.md):\n"
        "  --uart=RX=PIN,TX=PIN,BAUD=N[,GAP=BITS]\n"
        "                      a UART on those pins (8N1) behind a second pseudo-terminal,\n"
        "                      whose device is the second line of output: what a terminal\n"
        "                      program writes there goes into RX, what the chip sends on TX\n"
        "                      comes out there (RX or TX may be left out)\n"
        "  --uart-link=PATH    also make PATH a symbolic link to the UART's device\n"
        "  --stimulus=FILE     pin levels and clocks from FILE, from each reset of the chip\n"
        "                      (repeatable)\n"
        "  --vcd=FILE          a trace of every port pin until keysim ends (GTKWave reads it)\n"
        "\n"
        "  --help              this text\n"
        "  --version           the version\n"
        "\n"
        "Exit codes: 0 ended by a signal, 1 a failure (a pseudo-terminal, a stimulus file,\n"
        "the trace), 2 usage error.\n");
}

int Usage(const std::string& text) {
    std::fprintf(stderr, "pellix-keysim: %s (try --help)\n", text.c_str());
    return 2;
}

std::optional<unsigned long> Number(const std::string& text, unsigned long max) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    unsigned long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + unsigned(c - '0');
    }
    if (v > max) return std::nullopt;
    return v;
}

int64_t NowNs() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count();
}

uint32_t NowMs() {
    return uint32_t(NowNs() / 1'000'000);
}

// The key's side of a line that carries one byte each 10 bit times: a byte the key sends
// arrives when those bits have passed and the bytes before it have arrived.
class PacedLine {
public:
    void Send(const uint8_t* data, size_t count, int64_t now, uint32_t baud) {
        const int64_t byteNs = baud == 0 ? 0 : int64_t(10'000'000'000LL / baud);
        for (size_t i = 0; i < count; ++i) {
            free_ = std::max(free_, now) + byteNs;
            bytes_.push_back({data[i], free_});
        }
    }
    // The bytes that have arrived by `now`, moved to `out`.
    void Arrived(int64_t now, std::deque<uint8_t>& out) {
        while (!bytes_.empty() && bytes_.front().at <= now) {
            out.push_back(bytes_.front().byte);
            bytes_.pop_front();
        }
    }
    bool Empty() const { return bytes_.empty(); }
    // When to look again: the bytes of a reply are handed on in pieces about a millisecond
    // apart (fewer wake-ups on both sides), but the last one the moment it has arrived.
    int64_t WakeAt() const { return std::min(bytes_.front().at + kBatchNs, bytes_.back().at); }

private:
    static constexpr int64_t kBatchNs = 1'000'000;
    struct Byte {
        uint8_t byte;
        int64_t at;
    };
    std::deque<Byte> bytes_;
    int64_t free_ = 0; // when the line has carried every byte given so far
};

uint32_t BaudOf(speed_t s) {
    switch (s) {
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    case B230400:
        return 230400;
    default:
        return 0;
    }
}

struct Options {
    int family = 0;
    int firmware = 3;
    std::string link;
    bool verbose = false;
    bool lineSpeed = false;
    pellix::KeyFaults faults;
    std::optional<std::string> uart;
    std::string uartLink;
    std::vector<std::string> stimuli;
    std::optional<std::string> vcd;
};

// 0 to go on, else the exit code.
int Parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        std::string name = a, value;
        bool hasValue = false;
        if (size_t eq = a.find('='); eq != std::string::npos) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
            hasValue = true;
        }
        auto needValue = [&](const char* what) -> bool {
            if (hasValue) return true;
            if (i + 1 < argc) {
                value = argv[++i];
                return true;
            }
            std::fprintf(stderr, "pellix-keysim: %s needs %s (try --help)\n", name.c_str(), what);
            return false;
        };
        auto flag = [&]() -> bool {
            if (!hasValue) return true;
            std::fprintf(stderr, "pellix-keysim: %s takes no value (try --help)\n", name.c_str());
            return false;
        };
        auto count = [&](const char* what, unsigned long max,
                         unsigned long min = 0) -> std::optional<unsigned long> {
            if (!needValue(what)) return std::nullopt;
            auto v = Number(value, max);
            if (!v || *v < min) {
                std::fprintf(stderr, "pellix-keysim: %s needs %s, not '%s' (try --help)\n",
                             name.c_str(), what, value.c_str());
                return std::nullopt;
            }
            return v;
        };
        if (name == "--help" || name == "-h") {
            PrintHelp();
            return -1;
        } else if (name == "--version") {
            std::printf("pellix-keysim %s\n", PELLIX_VERSION);
            return -1;
        } else if (name == "--line-speed") {
            if (!flag()) return 2;
            o.lineSpeed = true;
        } else if (name == "--device") {
            if (!needValue("a part name")) return 2;
            std::string v;
            for (char c : value)
                v.push_back(char(std::toupper(static_cast<unsigned char>(c))));
            if (v == "SX18" || v == "SX20" || v == "SX28" || v == "SX18AC" || v == "SX20AC" ||
                v == "SX28AC")
                o.family = 0;
            else if (v == "SX48" || v == "SX52" || v == "SX48BD" || v == "SX52BD")
                o.family = 1;
            else
                return Usage("--device needs SX18, SX20, SX28, SX48 or SX52, not '" + value + "'");
        } else if (name == "--firmware") {
            auto v = count("a version 0 to 255", 255);
            if (!v) return 2;
            o.firmware = int(*v);
        } else if (name == "--link") {
            if (!needValue("a path")) return 2;
            o.link = value;
        } else if (name == "--verbose") {
            if (!flag()) return 2;
            o.verbose = true;
        } else if (name == "--no-answer") {
            if (!flag()) return 2;
            o.faults.noAnswer = true;
        } else if (name == "--only-baud") {
            auto v = count("a baud rate", 4'000'000, 1);
            if (!v) return 2;
            o.faults.onlyBaud = uint32_t(*v);
        } else if (name == "--wrong-ident") {
            auto v = count("a byte number 1 to 6", 6, 1);
            if (!v) return 2;
            o.faults.wrongIdentByte = int(*v);
        } else if (name == "--zero-seed") {
            if (!flag()) return 2;
            o.faults.zeroSeed = true;
        } else if (name == "--status") {
            if (!needValue("N:S")) return 2;
            size_t colon = value.find(':');
            auto n = colon == std::string::npos ? std::nullopt
                                                : Number(value.substr(0, colon), 1'000'000'000);
            auto s =
                colon == std::string::npos ? std::nullopt : Number(value.substr(colon + 1), 255);
            if (!n || !s || *n == 0)
                return Usage("--status needs N:S, N from 1 and S 0 to 255, not '" + value + "'");
            o.faults.statusOn = int(*n);
            o.faults.statusValue = uint8_t(*s);
        } else if (name == "--latency") {
            auto v = count("milliseconds", 600'000);
            if (!v) return 2;
            o.faults.latencyMs = uint32_t(*v);
        } else if (name == "--unit-time") {
            auto v = count("milliseconds", 10'000);
            if (!v) return 2;
            o.faults.unitMs = uint32_t(*v);
        } else if (name == "--silent-after") {
            auto v = count("a byte count", 1'000'000'000);
            if (!v) return 2;
            o.faults.replyBytesLeft = int(*v);
        } else if (name == "--garble") {
            auto v = count("a byte number from 1", 1'000'000'000, 1);
            if (!v) return 2;
            o.faults.garbleReplyOn = int(*v);
        } else if (name == "--late-end-echo") {
            auto v = count("milliseconds", 600'000);
            if (!v) return 2;
            o.faults.lateEndEchoMs = uint32_t(*v);
        } else if (name == "--uart") {
            if (!needValue("RX=PIN,TX=PIN,BAUD=N")) return 2;
            if (o.uart) return Usage("--uart is given twice");
            std::string error;
            if (!pellix::ParseUartSettings(value, nullptr, error)) return Usage("--uart: " + error);
            o.uart = value;
        } else if (name == "--uart-link") {
            if (!needValue("a path")) return 2;
            o.uartLink = value;
        } else if (name == "--stimulus") {
            if (!needValue("a file")) return 2;
            o.stimuli.push_back(value);
        } else if (name == "--vcd") {
            if (!needValue("a file")) return 2;
            if (o.vcd) return Usage("--vcd is given twice");
            o.vcd = value;
        } else {
            return Usage("unknown option '" + a + "'");
        }
    }
    if (!o.uartLink.empty() && !o.uart) return Usage("--uart-link needs --uart");
    return 0;
}

int Fail(const char* what) {
    std::fprintf(stderr, "pellix-keysim: %s: %s\n", what, std::strerror(errno));
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    if (int rc = Parse(argc, argv, o); rc != 0) return rc < 0 ? 0 : rc;

    // Declared first, so that it outlives the chip's bench, which writes to it until the
    // trace stops.
    std::ofstream vcd;
    pellix::VirtualKey key(o.family);
    key.firmwareVersion = uint8_t(o.firmware);
    key.faults = o.faults;
    pellix::VirtualChip& chip = key.Chip();

    // Everything the chip's pins are given is checked before anything is served.
    std::optional<pellix::UartSettings> uartSettings;
    if (o.uart) {
        std::string error;
        uartSettings = pellix::ParseUartSettings(*o.uart, &chip.Core().Ports(), error);
        if (!uartSettings) return Usage("--uart: " + error);
    }
    for (const std::string& name : o.stimuli) {
        pellix::FileRead file = pellix::ReadWholeFile(name);
        std::string error;
        if (!file.ok) error = "cannot read " + name + ": " + file.error;
        if (file.ok &&
            pellix::LoadStimulusText(chip.Lab(), name, file.data, chip.ResetCycle(), error))
            continue;
        std::fprintf(stderr, "pellix-keysim: %s\n", error.c_str());
        return 1;
    }
    if (o.vcd) {
        vcd.open(*o.vcd, std::ios::binary | std::ios::trunc);
        if (!vcd) {
            std::fprintf(stderr, "pellix-keysim: cannot write %s: %s\n", o.vcd->c_str(),
                         std::strerror(errno));
            return 1;
        }
    }

    const char* failure = nullptr;
    pellix::keysim::PseudoTerminal line;
    if (!line.Open(B57600, failure)) return Fail(failure);
    if (!o.link.empty() && !line.Link(o.link)) return Fail("cannot make the link");
    pellix::keysim::PseudoTerminal uartLine;
    std::unique_ptr<pellix::keysim::UartBridge> uart;
    if (uartSettings) {
        if (!uartLine.Open(B9600, failure)) return Fail(failure);
        if (!o.uartLink.empty() && !uartLine.Link(o.uartLink))
            return Fail("cannot make the UART's link");
        uart = std::make_unique<pellix::keysim::UartBridge>(chip.Lab(), *uartSettings, uartLine,
                                                            stderr);
    }
    if (o.vcd) chip.Lab().StartTrace(vcd);

    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGHUP, &sa, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    std::printf("%s\n", line.Path().c_str());
    if (uart) std::printf("%s\n", uartLine.Path().c_str());
    std::fflush(stdout);

    const int master = line.Master();
    std::deque<uint8_t> unsent;
    PacedLine paced;
    uint8_t buf[4096];
    termios t{};
    while (!g_stop) {
        int64_t timeout = 50'000'000; // ns
        if (key.Queued() > 0) {
            int64_t wait = int64_t(int32_t(key.NextDue() - NowMs())) * 1'000'000;
            timeout = std::clamp<int64_t>(wait, 0, timeout);
        }
        if (!paced.Empty()) timeout = std::clamp<int64_t>(paced.WakeAt() - NowNs(), 0, timeout);
        if (!unsent.empty()) timeout = std::min<int64_t>(timeout, 5'000'000);
        // A chip that runs freely talks on its UART at its own pace: run it in small steps.
        if (uart && chip.Clocked()) timeout = std::min<int64_t>(timeout, 10'000'000);
        if (uart && uart->HasOutput()) timeout = std::min<int64_t>(timeout, 5'000'000);
        pollfd p[4] = {{master, POLLIN, 0}, {line.Watch(), POLLIN, 0}};
        nfds_t count = 2;
        if (uart) {
            p[count++] = {uartLine.Master(), short(uart->WantsInput() ? POLLIN : 0), 0};
            p[count++] = {uartLine.Watch(), POLLIN, 0};
        }
        timespec wait{time_t(timeout / 1'000'000'000), long(timeout % 1'000'000'000)};
        if (::ppoll(p, count, &wait, nullptr) < 0 && errno != EINTR) return Fail("poll");
        const int64_t nowNs = NowNs();
        const uint32_t now = uint32_t(nowNs / 1'000'000);

        // What was sent before a close belongs to the connection that closed, so it is
        // taken before the line events.
        for (;;) {
            ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0) break;
            if (::tcgetattr(master, &t) == 0) key.SetBaud(BaudOf(::cfgetospeed(&t)));
            key.Receive(buf, size_t(n), now);
        }
        // Opening and closing the device are the line's connect and disconnect.
        line.TakeChanges([&](bool connected) {
            if (connected) {
                key.SetBaud(BaudOf(line.Speed()));
                key.LineOpened(now);
            } else {
                key.LineClosed(now);
            }
            if (o.verbose)
                std::fprintf(stderr, "pellix-keysim: line %s\n", connected ? "opened" : "closed");
        });
        if (uart) {
            uartLine.TakeChanges([&](bool connected) {
                uart->Connected(connected);
                if (o.verbose)
                    std::fprintf(stderr, "pellix-keysim: uart %s\n",
                                 connected ? "opened" : "closed");
            });
        }

        key.Advance(now);
        if (uart) uart->Exchange(now);
        size_t n = key.Transmit(buf, sizeof buf, now);
        std::deque<uint8_t> arrived(buf, buf + n);
        if (o.lineSpeed) {
            paced.Send(buf, n, nowNs, key.Baud());
            arrived.clear();
            paced.Arrived(nowNs, arrived);
        }
        // Nobody reading: like a UART's receiver, the line loses what does not fit.
        if (unsent.size() + arrived.size() <= kMaxUnsent)
            unsent.insert(unsent.end(), arrived.begin(), arrived.end());
        while (!unsent.empty()) {
            size_t chunk = 0;
            for (auto it = unsent.begin(); it != unsent.end() && chunk < sizeof buf; ++it)
                buf[chunk++] = *it;
            ssize_t w = ::write(master, buf, chunk);
            if (w <= 0) break;
            unsent.erase(unsent.begin(), unsent.begin() + w);
        }
    }

    if (uart) uart->Finish();
    if (o.vcd && (!chip.Lab().StopTrace() || !vcd.flush())) {
        std::fprintf(stderr, "pellix-keysim: writing %s failed\n", o.vcd->c_str());
        return 1;
    }
    return 0;
}
