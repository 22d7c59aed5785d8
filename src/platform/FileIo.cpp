#include "platform/FileIo.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace pellix {

namespace fs = std::filesystem;

namespace {

std::string SystemError(int err) {
    return std::strerror(err);
}

// Closes a descriptor and removes the temporary file unless released.
class TempFile {
public:
    explicit TempFile(std::string pattern) : name_(std::move(pattern)) {}
    ~TempFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!released_) ::unlink(name_.c_str());
    }
    bool Create() {
        fd_ = ::mkstemp(name_.data());
        return fd_ >= 0;
    }
    int fd() const { return fd_; }
    const std::string& name() const { return name_; }
    int Close() {
        int r = ::close(fd_);
        fd_ = -1;
        return r;
    }
    void Release() { released_ = true; }

private:
    std::string name_;
    int fd_ = -1;
    bool released_ = false;
};

} // namespace

FileRead ReadWholeFile(const std::string& path) {
    FileRead r;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        r.notFound = errno == ENOENT;
        r.error = SystemError(errno);
        return r;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        r.error = SystemError(EISDIR);
        return r;
    }
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            r.error = SystemError(errno);
            ::close(fd);
            r.data.clear();
            return r;
        }
        if (n == 0) break;
        r.data.append(buf, size_t(n));
    }
    ::close(fd);
    r.ok = true;
    return r;
}

bool FileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec);
}

bool HasReadOnlyAttribute(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return true;
    return ::access(path.c_str(), W_OK) != 0;
}

int64_t ModificationTime(const std::string& path) {
    std::error_code ec;
    auto t = fs::last_write_time(path, ec);
    if (ec) return 0;
    auto sys = std::chrono::file_clock::to_sys(t);
    int64_t ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(sys.time_since_epoch()).count();
    return ns == 0 ? 1 : ns;
}

std::string BackupName(const std::string& path) {
    std::string ext = ExtensionOf(path);
    return path.substr(0, path.size() - ext.size()) + ".bak";
}

std::string FullPath(const std::string& path) {
    std::error_code ec;
    fs::path p = fs::absolute(path, ec);
    if (ec) p = path;
    return p.lexically_normal().string();
}

std::string CopyFileBytes(const std::string& from, const std::string& to) {
    FileRead r = ReadWholeFile(from);
    if (!r.ok) return r.error;
    return ReplaceFileContents(to, r.data);
}

std::string ReplaceFileContents(const std::string& path, std::string_view data) {
    // Write beside the real file, so a link stays a link and the rename stays on one disk.
    std::string target = path;
    std::error_code ec;
    if (fs::is_symlink(path, ec)) {
        fs::path resolved = fs::weakly_canonical(path, ec);
        if (ec) return SystemError(ec.value());
        target = resolved.string();
    }

    struct stat old {};
    bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode)) return SystemError(EISDIR);
    if (exists && HasReadOnlyAttribute(target)) return SystemError(EACCES);

    std::string folder = FolderPart(target);
    TempFile temp((folder.empty() ? std::string() : folder + "/") + "." + FilePart(target) +
                  ".pellix-XXXXXX");
    if (!temp.Create()) return SystemError(errno);

    mode_t mode;
    if (exists) {
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(temp.fd(), mode);
    if (exists && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())) {
        // Keeps the owner when we may (as root); otherwise the file becomes ours.
        [[maybe_unused]] int ignored = ::fchown(temp.fd(), old.st_uid, old.st_gid);
    }

    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::write(temp.fd(), p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return SystemError(errno);
        }
        p += n;
        left -= size_t(n);
    }
    if (::fsync(temp.fd()) != 0) return SystemError(errno);
    if (temp.Close() != 0) return SystemError(errno);
    if (::rename(temp.name().c_str(), target.c_str()) != 0) return SystemError(errno);
    temp.Release();
    return {};
}

std::string FilePart(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderPart(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string ExtensionOf(const std::string& path) {
    std::string file = FilePart(path);
    size_t dot = file.find_last_of('.');
    // A leading dot names a hidden file, not an extension.
    if (dot == std::string::npos || dot == 0) return {};
    return file.substr(dot);
}

bool HasExtension(const std::string& path) {
    return !ExtensionOf(path).empty();
}

} // namespace pellix
