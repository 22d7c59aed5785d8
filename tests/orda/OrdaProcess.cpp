#include "OrdaProcess.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace ordatest {

std::string OrdaPath() {
    const char* bin = std::getenv("PELLIX_BIN_DIR");
    return std::string(bin ? bin : "../../BUILD/bin") + "/orda";
}

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::filesystem::path& dir) {
    int pipefd[2];
    ProcessResult r;
    if (pipe(pipefd) != 0) return r;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(pipefd[1], 1);
        close(pipefd[0]);
        close(pipefd[1]);
        int in = open("/dev/null", O_RDONLY);
        if (in >= 0) dup2(in, 0);
        if (chdir(dir.c_str()) != 0) _exit(127);
        setenv("LC_ALL", "C", 1);
        setenv("TZ", "UTC", 1);
        setenv("SOURCE_DATE_EPOCH", "1735787045", 1); // Thu Jan  2 03:04:05 2025
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipefd[1]);
    char buf[4096];
    ssize_t n;
    while ((n = read(pipefd[0], buf, sizeof buf)) > 0)
        r.out.append(buf, size_t(n));
    close(pipefd[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "orda-test-XXXXXX").string();
    char* made = mkdtemp(tmpl.data());
    path_ = made ? made : tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void TempDir::Write(const std::string& name, const std::string& text) const {
    auto p = path_ / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}

std::string TempDir::Read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool TempDir::Exists(const std::string& name) const {
    return std::filesystem::exists(path_ / name);
}

std::vector<std::string> SplitArgs(const std::string& line) {
    std::vector<std::string> out;
    std::string cur;
    bool quoted = false, any = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (c == ' ' && !quoted) {
            if (any) out.push_back(cur);
            cur.clear();
            any = false;
        } else {
            cur += c;
            any = true;
        }
    }
    if (any) out.push_back(cur);
    return out;
}

std::string FromCrLf(const std::string& text, bool& ok) {
    ok = true;
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) ok = false;
        out += text[i];
    }
    return out;
}

std::string Steady(const std::string& out) {
    std::string s = out;
    size_t at = s.find("CWD = ");
    if (at != std::string::npos) {
        size_t end = s.find('\n', at);
        s.replace(at, (end == std::string::npos ? s.size() : end) - at, "CWD = .");
    }
    const std::string key = "compiled in ";
    at = s.find(key);
    if (at != std::string::npos) {
        size_t from = at + key.size();
        size_t to = s.find(" seconds", from);
        if (to != std::string::npos) s.replace(from, to - from, "0.00");
    }
    return s;
}

} // namespace ordatest
