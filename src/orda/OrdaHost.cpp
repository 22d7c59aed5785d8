#include "orda/OrdaHost.h"

#include "orda/UserFolder.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace orda {

namespace {

class StdFile final : public OutFile {
public:
    explicit StdFile(std::FILE* f) : f_(f) { std::setvbuf(f_, nullptr, _IOFBF, 1 << 16); }
    ~StdFile() override {
        if (f_) std::fclose(f_);
    }
    size_t Write(const void* data, size_t size) override {
        if (!f_ || size == 0) return 0;
        size_t n = std::fwrite(data, 1, size, f_);
        if (n < size) Fail(errno);
        return n;
    }
    std::string Close() override {
        if (!f_) return error_;
        if (std::fflush(f_) != 0) Fail(errno);
        if (std::fclose(f_) != 0) Fail(errno);
        f_ = nullptr;
        return error_;
    }

private:
    void Fail(int code) {
        if (error_.empty()) error_ = std::strerror(code ? code : EIO);
    }
    std::FILE* f_;
    std::string error_;
};

class MemoryFile final : public OutFile {
public:
    MemoryFile(std::string& target, size_t limit, size_t& space, bool failClose)
        : target_(target), limit_(limit), space_(space), failClose_(failClose) {}
    size_t Write(const void* data, size_t size) override {
        size_t n = size;
        if (limit_ && n > limit_) n = limit_;
        if (n > space_) n = space_;
        space_ -= n;
        target_.append(static_cast<const char*>(data), n);
        if (n < size && error_.empty()) error_ = std::strerror(ENOSPC);
        return n;
    }
    std::string Close() override {
        if (failClose_ && error_.empty()) error_ = std::strerror(EIO);
        return error_;
    }

private:
    std::string& target_;
    size_t limit_;
    size_t& space_;
    bool failClose_;
    std::string error_;
};

} // namespace

void SystemHost::Print(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

void SystemHost::WaitKey() {
    std::fflush(stdout);
    if (!isatty(STDIN_FILENO)) return;
    termios saved{};
    if (tcgetattr(STDIN_FILENO, &saved) != 0) return;
    termios raw = saved;
    raw.c_lflag &= ~tcflag_t(ICANON | ECHO);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    char c;
    [[maybe_unused]] ssize_t n = read(STDIN_FILENO, &c, 1);
    tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

std::optional<std::string> SystemHost::ReadFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    struct stat st {};
    if (fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        std::fclose(f);
        return std::nullopt;
    }
    std::string text;
    char buf[1 << 16];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, n);
    bool bad = std::ferror(f);
    std::fclose(f);
    if (bad) return std::nullopt;
    return text;
}

std::unique_ptr<OutFile> SystemHost::Create(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return nullptr;
    return std::make_unique<StdFile>(f);
}

void SystemHost::Remove(const std::string& path) {
    std::remove(path.c_str());
}

long long SystemHost::FileSize(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return -1;
    return st.st_size;
}

bool SystemHost::MakeDirectory(const std::string& path) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/')
        p.pop_back();
    // The missing folders above it too: the per-user folder may be the first of its kind.
    for (size_t slash = p.find('/', 1); slash != std::string::npos; slash = p.find('/', slash + 1))
        mkdir(p.substr(0, slash).c_str(), 0777);
    mkdir(p.c_str(), 0777);
    struct stat st {};
    return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string SystemHost::CurrentDirectory() {
    char buf[4096];
    if (!getcwd(buf, sizeof buf)) return ".";
    return buf;
}

std::string SystemHost::ProgramDirectory(const std::string& argv0) {
    std::string path = argv0;
    if (path.find('/') == std::string::npos) {
        char buf[4096];
        ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
        if (n <= 0) return "";
        path.assign(buf, size_t(n));
    }
    size_t slash = path.rfind('/');
    return path.substr(0, slash + 1);
}

std::string SystemHost::UserOutputDirectory() {
    return UserOutputFolder();
}

uint64_t SystemHost::Milliseconds() {
    using namespace std::chrono;
    return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::tm SystemHost::LocalTime() {
    std::time_t t = std::time(nullptr);
    if (const char* fixed = std::getenv("SOURCE_DATE_EPOCH"); fixed && *fixed)
        t = std::time_t(std::strtoll(fixed, nullptr, 10));
    std::tm out{};
    localtime_r(&t, &out);
    return out;
}

MemoryHost::MemoryHost() {
    // Thu Jan  2 03:04:05 2025
    now.tm_year = 125;
    now.tm_mon = 0;
    now.tm_mday = 2;
    now.tm_hour = 3;
    now.tm_min = 4;
    now.tm_sec = 5;
    now.tm_wday = 4;
}

std::optional<std::string> MemoryHost::ReadFile(const std::string& path) {
    auto it = files.find(path);
    if (it == files.end()) return std::nullopt;
    return it->second;
}

std::unique_ptr<OutFile> MemoryHost::Create(const std::string& path) {
    if (failCreate) return nullptr;
    if (!failCreateSuffix.empty() && path.size() >= failCreateSuffix.size() &&
        path.compare(path.size() - failCreateSuffix.size(), failCreateSuffix.size(),
                     failCreateSuffix) == 0)
        return nullptr;
    auto endsWith = [&](const std::string& suffix) {
        return !suffix.empty() && path.size() >= suffix.size() &&
               path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
    };
    std::string& f = files[path];
    f.clear();
    return std::make_unique<MemoryFile>(f, shortWriteLimit, diskSpace, endsWith(failCloseSuffix));
}

long long MemoryHost::FileSize(const std::string& path) {
    auto it = files.find(path);
    return it == files.end() ? -1 : (long long)it->second.size();
}

} // namespace orda
