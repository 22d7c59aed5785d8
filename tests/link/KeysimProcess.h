// Runs pellix-keysim for a test (or a benchmark) and tells where its pseudo-terminal is.
#pragma once

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace pellix::test {

inline std::string KeysimProgram() {
    const char* dir = std::getenv("PELLIX_BIN_DIR");
    return std::string(dir ? dir : ".") + "/pellix-keysim";
}

class KeysimProcess {
public:
    // Starts the program with `options`; Device() is empty when it did not come up. Its
    // standard error goes to the file `errors` when one is named.
    explicit KeysimProcess(const std::vector<std::string>& options,
                           const std::string& errors = "") {
        int out[2];
        if (::pipe(out) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            if (!errors.empty()) {
                int fd = ::open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
                if (fd >= 0) ::dup2(fd, 2);
            }
            ::close(out[0]);
            ::close(out[1]);
            std::string program = KeysimProgram();
            std::vector<char*> argv{program.data()};
            std::vector<std::string> copy = options;
            for (auto& o : copy)
                argv.push_back(o.data());
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        out_ = out[0];
        device_ = NextLine();
    }

    // The next line of its output (without the line end), empty at its end.
    std::string NextLine() {
        std::string line;
        char c;
        while (out_ >= 0 && ::read(out_, &c, 1) == 1 && c != '\n')
            line.push_back(c);
        return line;
    }
    ~KeysimProcess() { Stop(); }

    const std::string& Device() const { return device_; }

    // Ends it as a user would; the exit status.
    int Stop() {
        if (pid_ <= 0) return status_;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        if (out_ >= 0) ::close(out_);
        out_ = -1;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return status_;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    int status_ = -1;
    std::string device_;
};

// Runs the program to its end; its exit code and standard output.
inline int RunKeysim(const std::vector<std::string>& options, std::string& output) {
    std::string command = "'" + KeysimProgram() + "'";
    for (const auto& o : options)
        command += " '" + o + "'";
    command += " 2>&1";
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return -1;
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
        output.append(buf, n);
    int status = ::pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace pellix::test
