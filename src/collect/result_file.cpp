#include "collect/result_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

#include "textutil/program_text.h"

namespace lh {

ResultFile::~ResultFile() { close(); }

bool ResultFile::open(std::string_view path) {
    close();
    path_ = std::string(path);
    const std::string native = nativePath(path).string();
    fd_ = ::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        keepFailure(errno);
        return false;
    }
    return true;
}

bool ResultFile::append(std::string_view text) {
    if (fd_ < 0) {
        if (failure_.empty()) keepFailure(EBADF);
        ++lostAppends_;
        return false;
    }
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

void ResultFile::close() {
    if (fd_ < 0) return;
    if (::close(fd_) != 0 && errno != EINTR) keepFailure(errno);
    fd_ = -1;
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
