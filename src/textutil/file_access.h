#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

namespace lh {

// Files a user hands the program (keyword lists, cookie files) are read whole; beyond
// this size one is taken for a mistake rather than read.
inline constexpr std::size_t kInputFileLimit = std::size_t{64} << 20;

enum class FileReadResult {
    Read,
    CannotOpen,  // missing, no permission, …
    Folder,
    NotAFile,  // a device, pipe or socket: it may never end
    TooLarge,  // over the limit
    ReadFailed,
};

// Reads a whole regular file of at most `limit` bytes into `bytes`. A folder, a device,
// a pipe or a socket is refused without reading from it, and so is a file over the
// limit. `reason` (optional) gets a one-line English explanation naming the path on
// anything but Read.
FileReadResult readRegularFile(const std::filesystem::path& path, std::size_t limit,
                               std::string& bytes, std::string* reason = nullptr);

// Reads an already open descriptor (standard input) to its end, refusing to hold more
// than `limit` bytes: TooLarge as soon as it would. Never ReadFailed for a descriptor
// that simply ends.
FileReadResult readDescriptorWithin(int fd, std::size_t limit, std::string& bytes);

// Creates `folder` and any missing folder above it readable by the user alone (0700).
// Folders that exist already keep their mode. False when it is not a folder afterwards.
bool createPrivateFolders(const std::filesystem::path& folder, std::string* reason = nullptr);

// The mode a file the program creates to hold a user's secrets gets: 0600.
inline constexpr unsigned kPrivateFileMode = 0600;

}  // namespace lh
