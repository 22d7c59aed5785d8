// Programming and verifying through a key that takes the wire's real time: pellix-keysim
// --line-speed behind a pseudo-terminal at 57600 baud, pellix-cli as a user runs it. For a
// full SX28 and SX52 image it reports the wall time against the time the key's line needs
// (every byte the key sends, the echo included, at 10 bits a byte, plus the 100 ms the link
// waits after opening the port) and the process's processor time against the wall time.
//
// Goal: programming the SX52 image within 2 % of the line's time, using under 10 % of the
// wall time on the processor.
//
//   bench_keyline [RUNS]    (default 3 runs each; the median is reported)
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "link/KeysimProcess.h"

namespace {

namespace fs = std::filesystem;

constexpr double kBaud = 57600;
constexpr double kSettleSeconds = 0.100;

fs::path BinFolder() {
    if (const char* bin = std::getenv("PELLIX_BIN_DIR")) return bin;
    return fs::canonical("/proc/self/exe").parent_path().parent_path() / "bin";
}

struct Timed {
    int exit = -1;
    double wall = 0, cpu = 0;
};

// Runs `args` to its end with its output dropped; its wall and processor time.
Timed Run(const std::vector<std::string>& args) {
    auto start = std::chrono::steady_clock::now();
    pid_t pid = ::fork();
    if (pid == 0) {
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    Timed t;
    t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    t.cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    t.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return t;
}

// What the key's line carried in a traced run: the bytes from the key and the connections.
struct Wire {
    long fromKey = 0;
    int connections = 0;
    double Seconds() const { return double(fromKey) * 10.0 / kBaud + connections * kSettleSeconds; }
};

Wire CountTrace(const fs::path& trace) {
    Wire w;
    std::ifstream in(trace);
    for (std::string line; std::getline(in, line);) {
        size_t dir = line.find(' ');
        size_t bar = line.find(" |");
        if (dir == std::string::npos || bar == std::string::npos) continue;
        if (line.compare(dir, 24, " > 20 50 65 6C 6C 69 78 ") == 0) ++w.connections;
        if (line[dir + 1] == '<') w.fromKey += long((bar - dir - 2) / 3);
    }
    return w;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const fs::path bin = BinFolder();
    ::setenv("PELLIX_BIN_DIR", bin.c_str(), 1); // where KeysimProcess looks
    const fs::path cli = bin / "pellix-cli", keysim = bin / "pellix-keysim";
    if (!fs::exists(cli) || !fs::exists(keysim)) {
        std::fprintf(stderr, "bench_keyline: pellix-cli and pellix-keysim are needed in %s\n",
                     bin.c_str());
        return 1;
    }
    const fs::path dir =
        fs::temp_directory_path() / ("pellix-keyline-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    // Programs write the whole memory whatever the image holds; a full image it is.
    struct Part {
        const char* name;
        int words;
    };
    std::printf("%-5s %-8s %8s %8s %7s %8s %7s %7s %8s %7s\n", "part", "step", "wire s",
                "wall s", "over %", "best s", "over %", "cpu s", "cpu/wall", "goal");
    bool met = true;
    for (Part part : {Part{"SX28", 2048}, Part{"SX52", 4096}}) {
        std::string source = std::string(" DEVICE ") + part.name + "\n RESET 0\n";
        for (int a = 0; a + 1 < part.words; ++a)
            source += " MOV W,#" + std::to_string(a & 0xFF) + "\n";
        const fs::path src = dir / (std::string(part.name) + ".src");
        const fs::path image = dir / (std::string(part.name) + ".sxh");
        std::ofstream(src) << source;
        if (Run({cli.string(), "assemble", src.string(), "-o", image.string()}).exit != 0) {
            std::fprintf(stderr, "bench_keyline: cannot assemble %s\n", src.c_str());
            return 1;
        }
        pellix::test::KeysimProcess key({"--line-speed", std::string("--device=") + part.name});
        if (key.Device().empty()) {
            std::fprintf(stderr, "bench_keyline: pellix-keysim did not start\n");
            return 1;
        }
        for (const char* step : {"program", "verify"}) {
            const fs::path trace = dir / "line.trace";
            if (Run({cli.string(), step, image.string(), "--port", key.Device(), "--trace",
                     trace.string()})
                    .exit != 0) {
                std::fprintf(stderr, "bench_keyline: %s %s failed\n", step, part.name);
                return 1;
            }
            const Wire wire = CountTrace(trace);
            std::vector<double> walls, cpus, shares;
            for (int r = 0; r < runs; ++r) {
                Timed t = Run({cli.string(), step, image.string(), "--port", key.Device()});
                if (t.exit != 0) return 1;
                walls.push_back(t.wall);
                cpus.push_back(t.cpu);
                shares.push_back(t.cpu / t.wall);
            }
            const double wall = Median(walls), cpu = Median(cpus), share = Median(shares);
            const double best = *std::min_element(walls.begin(), walls.end());
            const double over = (wall / wire.Seconds() - 1.0) * 100.0;
            const double bestOver = (best / wire.Seconds() - 1.0) * 100.0;
            std::string goal = "-";
            if (std::string(part.name) == "SX52" && std::string(step) == "program") {
                bool ok = over <= 2.0 && share < 0.10;
                goal = ok ? "met" : "missed";
                met = met && ok;
            }
            std::printf("%-5s %-8s %8.3f %8.3f %7.2f %8.3f %7.2f %7.3f %7.1f%% %7s\n", part.name,
                        step, wire.Seconds(), wall, over, best, bestOver, cpu, share * 100.0,
                        goal.c_str());
        }
    }
    std::printf("\nwire: the bytes the key sends (echo included) at 10 bits a byte and %.0f baud,\n"
                "plus %.0f ms after each opening of the port. wall and cpu: medians of %d runs;\n"
                "best: the shortest. The goal is judged on the medians.\n",
                kBaud, kSettleSeconds * 1000, runs);
    fs::remove_all(dir);
    return met ? 0 : 1;
}
