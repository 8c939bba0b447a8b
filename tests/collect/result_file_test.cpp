#include "collect/result_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "support/temp_folder.h"
#include "textutil/program_text.h"

namespace lh {
namespace {

TEST(ResultFile, CreatesEmptyReplacesOldAndAppendsBytesAsGiven) {
    test::TempFolder folder;
    const std::filesystem::path target = folder.path() / "百度_外星人.txt";
    {
        std::ofstream old(target, std::ios::binary);
        old << "left over from an earlier run";
    }
    const std::string path = programTextOfPath(target);
    ResultFile file;
    ASSERT_EQ(file.open(path), OpenOutcome::Opened);
    EXPECT_TRUE(file.isOpen());
    EXPECT_EQ(test::readFileBytes(target), "");
    EXPECT_TRUE(file.append(gb("标题一") + "\r\n"));
    EXPECT_TRUE(file.append("b\r\n"));
    file.close();
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(test::readFileBytes(target), gb("标题一") + "\r\nb\r\n");
    EXPECT_TRUE(file.failure().empty());
    EXPECT_EQ(file.lostAppends(), 0);
}

TEST(ResultFile, KeepsTheFailureAndRefusesLinesItCannotWrite) {
    test::TempFolder folder;
    ResultFile missing;
    const std::string path = programTextOfPath(folder.path() / "no-such-folder" / "a.txt");
    EXPECT_EQ(missing.open(path), OpenOutcome::Failed);
    EXPECT_FALSE(missing.append("line\r\n"));
    EXPECT_FALSE(missing.append("line\r\n"));
    EXPECT_EQ(missing.failure().fileName, path);
    EXPECT_NE(missing.failure().reason, "");
    EXPECT_EQ(missing.lostAppends(), 2);
    missing.clearFailure();
    EXPECT_TRUE(missing.failure().empty());

    // A full disk: the write is refused, not counted as written.
    ResultFile full;
    ASSERT_EQ(full.open("/dev/full"), OpenOutcome::Opened);
    {
        EXPECT_FALSE(full.append("line\r\n"));
        EXPECT_EQ(full.failure().fileName, "/dev/full");
        EXPECT_NE(full.failure().reason, "");
        EXPECT_EQ(full.lostAppends(), 1);
    }

    ResultFile neverOpened;
    EXPECT_FALSE(neverOpened.append("x"));
    EXPECT_FALSE(neverOpened.failure().empty());
    neverOpened.close();
}

TEST(ResultFile, AFileAnotherHolderHasIsLeftWholeUntilItsLockIsReleased) {
    test::TempFolder folder;
    const std::string path = programTextOfPath(folder.path() / "a.txt");
    ResultFile first;
    ASSERT_EQ(first.open(path), OpenOutcome::Opened);
    ASSERT_TRUE(first.append("one\r\n"));
    ResultFile second;
    EXPECT_EQ(second.open(path), OpenOutcome::InUse);
    EXPECT_FALSE(second.isOpen());
    EXPECT_TRUE(second.failure().empty());

    // Closed, but still this holder's until the lock goes.
    HeldLock lock = first.closeKeepingLock();
    EXPECT_TRUE(lock.held());
    EXPECT_EQ(second.open(path), OpenOutcome::InUse);
    EXPECT_EQ(test::readFileBytes(nativePath(path)), "one\r\n");
    lock.release();
    EXPECT_EQ(second.open(path), OpenOutcome::Opened);
    EXPECT_EQ(test::readFileBytes(nativePath(path)), "");
    second.close();

    // New-only files never take a name that exists.
    ResultFile fresh;
    EXPECT_EQ(fresh.open(path, Creation::NewOnly), OpenOutcome::InUse);
    EXPECT_TRUE(fresh.failure().empty());
    const std::string other = programTextOfPath(folder.path() / "b.txt");
    ASSERT_EQ(fresh.open(other, Creation::NewOnly), OpenOutcome::Opened);
    EXPECT_TRUE(fresh.append("x"));
    fresh.refuse(path, EBUSY);
    EXPECT_EQ(fresh.failure().fileName, path);
    EXPECT_FALSE(fresh.append("y"));
    EXPECT_EQ(test::readFileBytes(nativePath(other)), "x");
}

}  // namespace
}  // namespace lh
