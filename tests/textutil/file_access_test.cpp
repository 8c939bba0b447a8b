#include "textutil/file_access.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <fstream>

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace lh {
namespace {

namespace fs = std::filesystem;

unsigned modeOf(const fs::path& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

TEST(FileAccess, OnlyRegularFilesWithinTheLimitAreRead) {
    test::TempFolder folder;
    const fs::path file = folder.path() / "k.txt";
    std::ofstream(file, std::ios::binary) << "0123456789";
    const fs::path fifo = folder.path() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    std::string bytes;
    std::string reason;
    EXPECT_EQ(readRegularFile(file, 10, bytes, &reason), FileReadResult::Read);
    EXPECT_EQ(bytes, "0123456789");
    // Refused ones leave nothing half read and say why, naming the path. A pipe nobody
    // writes to and an endless device are refused without waiting or reading.
    const struct {
        fs::path path;
        std::size_t limit;
        FileReadResult result;
        const char* says;
    } refused[] = {
        {file, 9, FileReadResult::TooLarge, "larger than"},
        {folder.path(), 100, FileReadResult::Folder, "folder"},
        {"/dev/zero", 100, FileReadResult::NotAFile, "not a regular file"},
        {fifo, 100, FileReadResult::NotAFile, "not a regular file"},
        {folder.path() / "none", 100, FileReadResult::CannotOpen, "cannot open"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.path.string());
        bytes = "old";
        EXPECT_EQ(readRegularFile(c.path, c.limit, bytes, &reason), c.result);
        EXPECT_EQ(bytes, "");
        EXPECT_NE(reason.find(c.says), std::string::npos) << reason;
        EXPECT_NE(reason.find(c.path.string()), std::string::npos) << reason;
    }

    // A stream is read to its end, or refused as soon as it passes the limit.
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ASSERT_EQ(::write(ends[1], "abcdef", 6), 6);
    ::close(ends[1]);
    EXPECT_EQ(readDescriptorWithin(ends[0], 5, bytes), FileReadResult::TooLarge);
    ::close(ends[0]);
    ASSERT_EQ(::pipe(ends), 0);
    ASSERT_EQ(::write(ends[1], "abcdef", 6), 6);
    ::close(ends[1]);
    EXPECT_EQ(readDescriptorWithin(ends[0], 6, bytes), FileReadResult::Read);
    EXPECT_EQ(bytes, "abcdef");
    ::close(ends[0]);
}

TEST(FileAccess, FoldersMadeForTheUserAloneLeaveExistingOnesAsTheyAre) {
    test::TempFolder folder;
    ::chmod(folder.path().c_str(), 0755);
    const fs::path deep = folder.path() / "a" / "b" / "c";
    std::string reason;
    ASSERT_TRUE(createPrivateFolders(deep / "", &reason)) << reason;
    for (const fs::path& made : {folder.path() / "a", folder.path() / "a" / "b", deep})
        EXPECT_EQ(modeOf(made), 0700u) << made;
    EXPECT_EQ(modeOf(folder.path()), 0755u);
    ::chmod((folder.path() / "a").c_str(), 0751);
    EXPECT_TRUE(createPrivateFolders(deep));
    EXPECT_EQ(modeOf(folder.path() / "a"), 0751u);

    std::ofstream(folder.path() / "file") << "x";
    EXPECT_FALSE(createPrivateFolders(folder.path() / "file", &reason));
    EXPECT_FALSE(createPrivateFolders(folder.path() / "file" / "sub", &reason));
    EXPECT_NE(reason.find("file"), std::string::npos);
}

}  // namespace
}  // namespace lh
