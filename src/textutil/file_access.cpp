#include "textutil/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

namespace lh {

namespace {

std::string quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

std::string megabytes(std::size_t bytes) { return std::to_string(bytes >> 20) + " MB"; }

}  // namespace

FileReadResult readDescriptorWithin(int fd, std::size_t limit, std::string& bytes) {
    bytes.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return FileReadResult::ReadFailed;
        }
        if (n == 0) return FileReadResult::Read;
        if (static_cast<std::size_t>(n) > limit - bytes.size()) {
            bytes.clear();
            return FileReadResult::TooLarge;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

FileReadResult readRegularFile(const std::filesystem::path& path, std::size_t limit,
                               std::string& bytes, std::string* reason) {
    bytes.clear();
    // Non-blocking, so that opening a pipe nobody writes to does not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        if (reason) *reason = "cannot open " + quoted(path) + ": " + std::strerror(errno);
        return FileReadResult::CannotOpen;
    }
    struct stat st {};
    FileReadResult result = FileReadResult::Read;
    if (::fstat(fd, &st) != 0) {
        result = FileReadResult::ReadFailed;
    } else if (S_ISDIR(st.st_mode)) {
        result = FileReadResult::Folder;
    } else if (!S_ISREG(st.st_mode)) {
        result = FileReadResult::NotAFile;
    } else if (static_cast<unsigned long long>(st.st_size) > limit) {
        result = FileReadResult::TooLarge;
    } else {
        bytes.reserve(static_cast<std::size_t>(st.st_size));
        // The file may grow while it is read: the limit still holds.
        result = readDescriptorWithin(fd, limit, bytes);
    }
    const int readError = errno;
    ::close(fd);
    if (reason) {
        switch (result) {
        case FileReadResult::Read:
        case FileReadResult::CannotOpen:
            break;
        case FileReadResult::Folder:
            *reason = quoted(path) + " is a folder, not a file";
            break;
        case FileReadResult::NotAFile:
            *reason = quoted(path) + " is not a regular file (a device, pipe or socket)";
            break;
        case FileReadResult::TooLarge:
            *reason = quoted(path) + " is larger than " + megabytes(limit);
            break;
        case FileReadResult::ReadFailed:
            *reason = "cannot read " + quoted(path) + ": " + std::strerror(readError);
            break;
        }
    }
    if (result != FileReadResult::Read) bytes.clear();
    return result;
}

bool createPrivateFolders(const std::filesystem::path& folder, std::string* reason) {
    std::vector<std::filesystem::path> missing;
    std::error_code ec;
    std::filesystem::path start = folder.lexically_normal();
    if (!start.has_filename() && start.has_parent_path()) start = start.parent_path();
    for (std::filesystem::path at = start; !at.empty(); at = at.parent_path()) {
        if (std::filesystem::exists(at, ec)) break;
        missing.push_back(at);
        if (at == at.parent_path()) break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::mkdir(it->c_str(), 0700) != 0 && errno != EEXIST) {
            if (reason) *reason = "cannot create " + quoted(*it) + ": " + std::strerror(errno);
            return false;
        }
    }
    if (!std::filesystem::is_directory(folder, ec)) {
        if (reason) *reason = quoted(folder) + " is not a folder";
        return false;
    }
    return true;
}

}  // namespace lh
