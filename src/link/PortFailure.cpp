#include "link/PortFailure.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellix {

namespace {

namespace fs = std::filesystem;

constexpr char kDevPrefix[] = "/dev/";

std::string ReadSmallFile(const std::string& path, size_t limit = 256) {
    std::ifstream in(path, std::ios::binary);
    std::string text(limit, '\0');
    in.read(text.data(), std::streamsize(limit));
    text.resize(size_t(in.gcount()));
    return text;
}

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

bool Alive(long pid, const PortSystem& system) {
    std::error_code ec;
    return pid > 0 && fs::is_directory(system.proc + "/" + std::to_string(pid), ec);
}

std::string ProcessName(long pid, const PortSystem& system) {
    std::string who = pid == long(::getpid())
                          ? std::string("this program")
                          : ReadSmallFile(system.proc + "/" + std::to_string(pid) + "/comm");
    while (!who.empty() && (who.back() == '\n' || who.back() == ' '))
        who.pop_back();
    if (who.empty()) return "process " + std::to_string(pid);
    return who + " (process " + std::to_string(pid) + ")";
}

// A process of those this user may look at that has the device open.
long DescriptorHolder(const std::string& device, const PortSystem& system) {
    std::error_code ec;
    for (fs::directory_iterator p(system.proc, ec), end; !ec && p != end; p.increment(ec)) {
        std::string name = p->path().filename().string();
        if (!AllDigits(name) || name.size() > 9) continue;
        std::error_code fdError;
        for (fs::directory_iterator fd(p->path() / "fd", fdError); !fdError && fd != end;
             fd.increment(fdError)) {
            std::error_code linkError;
            fs::path target = fs::read_symlink(fd->path(), linkError);
            if (!linkError && target == device) return std::stol(name);
        }
    }
    return 0;
}

std::string UserName() {
    if (const passwd* pw = ::getpwuid(::geteuid())) return pw->pw_name;
    return {};
}

bool InSessionGroups(gid_t gid) {
    gid_t groups[256];
    int n = ::getgroups(256, groups);
    for (int i = 0; i < n; ++i)
        if (groups[i] == gid) return true;
    return ::getegid() == gid;
}

bool ListedInGroup(const group& g, const std::string& user) {
    for (char** m = g.gr_mem; m && *m; ++m)
        if (user == *m) return true;
    return false;
}

// What to do when the device refuses this user.
std::string PermissionAdvice(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    const group* g = ::getgrgid(st.st_gid);
    const bool groupMayUse = (st.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    if (!g || !groupMayUse || st.st_gid == 0) {
        const passwd* owner = ::getpwuid(st.st_uid);
        std::string name = owner ? owner->pw_name : std::to_string(st.st_uid);
        return path + " may be opened by its owner, " + name + ", only.";
    }
    std::string groupName = g->gr_name;
    std::string user = UserName();
    std::string text = path + " belongs to the group " + groupName + ".";
    if (!user.empty() && ListedInGroup(*g, user) && !InSessionGroups(st.st_gid))
        return text + "\rYou have joined it since you logged in: log out and in again.";
    return text + "\rJoin it with: sudo usermod -aG " + groupName +
           " $USER\rthen log out and in again.";
}

} // namespace

std::string LockFileName(const std::string& devicePath) {
    std::string name;
    if (devicePath.rfind(kDevPrefix, 0) == 0)
        name = devicePath.substr(sizeof kDevPrefix - 1);
    else
        name = fs::path(devicePath).filename().string();
    for (char& c : name)
        if (c == '/') c = '_';
    return "LCK.." + name;
}

std::optional<long> LockFilePid(std::string_view content) {
    std::string_view first = content.substr(0, content.find('\n'));
    size_t a = first.find_first_not_of(" \t");
    size_t b = first.find_last_not_of(" \t\r");
    if (a != std::string_view::npos && b != std::string_view::npos && a <= b) {
        std::string_view digits = first.substr(a, b - a + 1);
        if (AllDigits(digits) && digits.size() <= 9) {
            long pid = std::stol(std::string(digits));
            if (pid > 0) return pid;
        }
    }
    if (content.size() == sizeof(int32_t)) {
        int32_t pid;
        std::memcpy(&pid, content.data(), sizeof pid);
        if (pid > 0) return long(pid);
    }
    return std::nullopt;
}

long LockHolder(const std::string& devicePath, const PortSystem& system) {
    const std::string name = LockFileName(devicePath);
    for (const std::string& dir : system.lockDirs) {
        std::optional<long> pid = LockFilePid(ReadSmallFile(dir + "/" + name, 64));
        // A lock whose process has gone is stale and holds nothing.
        if (pid && *pid != long(::getpid()) && Alive(*pid, system)) return *pid;
    }
    return 0;
}

std::string PortHolder(const std::string& devicePath, const PortSystem& system) {
    long pid = LockHolder(devicePath, system);
    if (pid == 0) pid = DescriptorHolder(devicePath, system);
    return pid == 0 ? std::string() : ProcessName(pid, system);
}

std::string OpenFailureText(const std::string& path, int error, const PortSystem& system) {
    switch (error) {
    case 0:
        return {};
    case ENOTTY:
        return "Not a terminal: " + path + " is no serial port.";
    case EACCES:
    case EPERM: {
        std::string text = std::strerror(error);
        if (std::string advice = PermissionAdvice(path); !advice.empty()) text += "\r" + advice;
        return text;
    }
    case EBUSY:
    case EWOULDBLOCK: {
        std::string text = std::strerror(EBUSY);
        if (std::string holder = PortHolder(path, system); !holder.empty())
            text += "\rIn use by " + holder + ".";
        return text;
    }
    default:
        return std::strerror(error);
    }
}

} // namespace pellix
