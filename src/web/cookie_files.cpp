#include "web/cookie_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstddef>

#include "textutil/file_access.h"
#include "textutil/program_text.h"

namespace lh {

namespace {

std::filesystem::path cookieFilePath(std::string_view folder, std::string_view fileName) {
    return nativePath(folder) / nativePath(fileName);
}

}  // namespace

const std::string& baiduCookieFileName() {
    static const std::string name = gb("百度Cookies.txt");
    return name;
}

const std::string& baiduMobileCookieFileName() {
    static const std::string name = gb("百度移动Cookies.txt");
    return name;
}

std::string readCookieFile(std::string_view folder, std::string_view fileName) {
    std::string content;
    readRegularFile(cookieFilePath(folder, fileName), kInputFileLimit, content);
    return content;
}

bool writeCookieFile(std::string_view folder, std::string_view fileName,
                     std::string_view cookieText) {
    const std::filesystem::path target = cookieFilePath(folder, fileName);
    std::filesystem::path temporary = target;
    temporary += ".tmp";
    // A session's cookies are the user's alone, unless the user chose otherwise for the
    // file that is there.
    struct stat existing {};
    const mode_t mode =
        ::stat(target.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : kPrivateFileMode;
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = ::fchmod(fd, mode) == 0;
    for (std::size_t done = 0; ok && done < cookieText.size();) {
        const ssize_t n = ::write(fd, cookieText.data() + done, cookieText.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            ok = false;
        else
            done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(temporary.c_str(), target.c_str()) == 0) return true;
    ::unlink(temporary.c_str());
    return false;
}

}  // namespace lh
