#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace lh {

// A file held open for reading and writing under an exclusive advisory lock for as long
// as this object lives, so a second copy of the program can read it but not write it.
class LockedFile {
public:
    LockedFile() = default;
    ~LockedFile();
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    // Opens (creating when missing, readable by the user alone) and locks. False when the file
    // cannot be opened for writing or another holder has the lock; the object then stays closed.
    bool open(const std::filesystem::path& path);
    void close();
    bool isOpen() const { return fd_ >= 0; }

    // False when the path no longer names the open file (deleted, or replaced by
    // another program): writes would then go nowhere anyone can see.
    bool stillAtPath() const;

    // The whole content. False on a read error.
    bool readAll(std::string& out);

    // Makes the file's bytes from `offset` on equal `tail`, where the file was
    // `oldSize` bytes long and becomes offset + tail.size(). When `unchangedAfter` bytes
    // at the end of `tail` are known to be on disk already at their place (an edit that
    // keeps the length), only the bytes before them are written. Growth is reserved
    // before any byte changes, so a full disk leaves the file as it was.
    // False with `error` set on failure.
    bool rewriteTail(std::size_t offset, std::string_view tail, std::size_t oldSize,
                     std::size_t unchangedAfter, std::string& error);

    // Bytes handed to the file since it was opened (for measurements).
    std::size_t bytesWritten() const { return bytesWritten_; }

private:
    int fd_ = -1;
    std::filesystem::path path_;
    std::size_t bytesWritten_ = 0;
};

// Reads a whole file without locking or creating it. False when it cannot be read.
bool readWholeFile(const std::filesystem::path& path, std::string& out);

// Replaces a file's content with `bytes` through a temporary file and a rename, so a
// failure leaves the old content. A new file is readable by the user alone; one that
// exists keeps its mode. False with `error` set on failure.
bool replaceFileContent(const std::filesystem::path& path, std::string_view bytes,
                        std::string& error);

}  // namespace lh
