#include "collect/result_file.h"

#include <gtest/gtest.h>

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
    ASSERT_TRUE(file.open(path));
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
    EXPECT_FALSE(missing.open(path));
    EXPECT_FALSE(missing.append("line\r\n"));
    EXPECT_FALSE(missing.append("line\r\n"));
    EXPECT_EQ(missing.failure().fileName, path);
    EXPECT_NE(missing.failure().reason, "");
    EXPECT_EQ(missing.lostAppends(), 2);
    missing.clearFailure();
    EXPECT_TRUE(missing.failure().empty());

    // A full disk: the write is refused, not counted as written.
    ResultFile full;
    if (full.open("/dev/full")) {
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

}  // namespace
}  // namespace lh
