#include "settings/locked_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace lh {
namespace {

std::string errorText(int code) { return std::strerror(code); }

bool writeAllAt(int fd, std::string_view bytes, std::size_t offset, std::string& error) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            error = errorText(errno);
            return false;
        }
        if (n == 0) {
            error = "short write";
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool readAllFrom(int fd, std::string& out) {
    out.clear();
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    off_t offset = 0;
    for (;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, offset);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        out.append(buffer, static_cast<std::size_t>(n));
        offset += n;
    }
}

}  // namespace

LockedFile::~LockedFile() { close(); }

bool LockedFile::open(const std::filesystem::path& path) {
    close();
    // Created for the user alone; an existing file keeps the mode it has.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    // flock belongs to the open file description, so even a second store in this same
    // process is kept out.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    path_ = path;
    bytesWritten_ = 0;
    return true;
}

void LockedFile::close() {
    if (fd_ >= 0) {
        ::close(fd_);  // releases the lock
        fd_ = -1;
    }
}

bool LockedFile::stillAtPath() const {
    struct stat open {
    }, named{};
    if (fd_ < 0 || ::fstat(fd_, &open) != 0 || ::stat(path_.c_str(), &named) != 0) return false;
    return open.st_dev == named.st_dev && open.st_ino == named.st_ino && open.st_nlink > 0;
}

bool LockedFile::readAll(std::string& out) { return fd_ >= 0 && readAllFrom(fd_, out); }

bool LockedFile::rewriteTail(std::size_t offset, std::string_view tail, std::size_t oldSize,
                             std::size_t unchangedAfter, std::string& error) {
    if (fd_ < 0) {
        error = "file not open";
        return false;
    }
    const std::size_t newSize = offset + tail.size();
    if (newSize > oldSize) {
        const int rc = ::posix_fallocate(fd_, static_cast<off_t>(oldSize),
                                         static_cast<off_t>(newSize - oldSize));
        if (rc != 0) {
            error = errorText(rc);
            return false;
        }
    }
    if (unchangedAfter > tail.size()) unchangedAfter = tail.size();
    const std::string_view changed = tail.substr(0, tail.size() - unchangedAfter);
    if (!writeAllAt(fd_, changed, offset, error)) return false;
    bytesWritten_ += changed.size();
    if (newSize < oldSize && ::ftruncate(fd_, static_cast<off_t>(newSize)) != 0) {
        error = errorText(errno);
        return false;
    }
    return true;
}

bool readWholeFile(const std::filesystem::path& path, std::string& out) {
    out.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = readAllFrom(fd, out);
    ::close(fd);
    return ok;
}

bool replaceFileContent(const std::filesystem::path& path, std::string_view bytes,
                        std::string& error) {
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    // The rename puts the temporary file in the old one's place, mode and all: it takes
    // the old file's mode, or the user's alone for a new file.
    struct stat existing {};
    const mode_t mode = ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0600;
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = errorText(errno);
        return false;
    }
    bool ok = true;
    if (::fchmod(fd, mode) != 0) {
        error = errorText(errno);
        ok = false;
    }
    ok = ok && writeAllAt(fd, bytes, 0, error);
    if (::close(fd) != 0 && ok) {
        error = errorText(errno);
        ok = false;
    }
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = errorText(errno);
        ok = false;
    }
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}

}  // namespace lh
