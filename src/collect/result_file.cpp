#include "collect/result_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "textutil/program_text.h"

namespace lh {

HeldLock& HeldLock::operator=(HeldLock&& other) noexcept {
    if (this != &other) {
        release();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

void HeldLock::release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

ResultFile::~ResultFile() { close(); }

OpenOutcome ResultFile::open(std::string_view path, Creation creation) {
    close();
    path_ = std::string(path);
    const std::string native = nativePath(path).string();
    int flags = O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC;
    if (creation == Creation::NewOnly) flags |= O_EXCL;
    const int fd = ::open(native.c_str(), flags, 0644);
    if (fd < 0) {
        if (creation == Creation::NewOnly && errno == EEXIST) return OpenOutcome::InUse;
        keepFailure(errno);
        return OpenOutcome::Failed;
    }
    bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (!locked && errno == EWOULDBLOCK) {
        ::close(fd);
        return OpenOutcome::InUse;
    }
    // A file system without locks (ENOLCK) still takes the lines, unguarded.
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (creation == Creation::ReplaceExisting && regular && ::ftruncate(fd, 0) != 0) {
        const int error = errno;
        ::close(fd);
        keepFailure(error);
        return OpenOutcome::Failed;
    }
    fd_ = fd;
    locked_ = locked;
    return OpenOutcome::Opened;
}

void ResultFile::refuse(std::string_view path, int errorNumber) {
    close();
    path_ = std::string(path);
    keepFailure(errorNumber);
}

bool ResultFile::append(std::string_view text) {
    if (fd_ < 0) {
        if (failure_.empty()) keepFailure(EBADF);
        ++lostAppends_;
        return false;
    }
    // The lock makes this the only writer, so the end found here is where the line goes.
    const off_t before = ::lseek(fd_, 0, SEEK_END);
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            // Half a line would corrupt the row that follows it.
            if (before >= 0 && done > 0 && ::ftruncate(fd_, before) != 0) {
                // Nothing more can be done; the reason below still tells the user.
            }
            keepFailure(error);
            ++lostAppends_;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

long long ResultFile::size() const {
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0) return -1;
    return static_cast<long long>(info.st_size);
}

bool ResultFile::truncateTo(long long length) {
    if (fd_ < 0) return false;
    if (::ftruncate(fd_, static_cast<off_t>(length)) != 0) {
        keepFailure(errno);
        return false;
    }
    return true;
}

bool ResultFile::sync() { return fd_ >= 0 && ::fdatasync(fd_) == 0; }

void ResultFile::close() {
    if (fd_ < 0) return;
    if (::close(fd_) != 0 && errno != EINTR) keepFailure(errno);
    fd_ = -1;
    locked_ = false;
}

HeldLock ResultFile::closeKeepingLock() {
    // flock belongs to the open file, shared by its duplicates: the copy keeps it.
    HeldLock lock(fd_ >= 0 && locked_ ? ::fcntl(fd_, F_DUPFD_CLOEXEC, 0) : -1);
    close();
    return lock;
}

void ResultFile::clearFailure() {
    failure_ = {};
    lostAppends_ = 0;
}

void ResultFile::keepFailure(int errorNumber) {
    if (!failure_.empty()) return;
    failure_.fileName = path_.empty() ? std::string("?") : path_;
    const std::string reason = errorNumber == EBADF ? std::string("the file is not open")
                                                    : std::string(std::strerror(errorNumber));
    failure_.reason = utf8ToGb(reason);
}

}  // namespace lh
