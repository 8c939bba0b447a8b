#include "cli/window_settings.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "support/temp_folder.h"
#include "textutil/program_text.h"

namespace lh::cli {
namespace {

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(WindowSettings, ReadsWhatTheWindowSavedAndLeavesMissingKeysAlone) {
    test::TempFolder folder;
    const auto ini = folder.path() / "settings.ini";
    const std::string text =
        gb("[主界面]\r\n"
           "选择框删除缓存=真\r\n"
           "组合框采集模式=5\r\n"
           "单选框百度=假\r\n"
           "单选框360移动=假\r\n"
           "单选框360=真\r\n"
           "编辑框采集页数=3\r\n"
           "编辑框每页采集数=20\r\n"
           "编辑框保存模板=#网址#┊*┊#标题#\r\n"
           "选择框合并保存=真\r\n"
           "选择框自动去重=假\r\n"
           "选择框仅指定排名=真\r\n"
           "编辑框指定排名=\r\n"
           "编辑框保存目录=/data/出");
    writeFile(ini, text);
    writeFile(folder.path() / "inibin" / gbToUtf8(gb("主界面-编辑框关键词.ibn")), gb("甲\r\n乙"));

    CollectionSettings s = CollectionSettings::defaults();
    std::string error;
    ASSERT_TRUE(loadWindowSettings(ini.string(), s, error)) << error;
    EXPECT_EQ(s.keywordList, gb("甲\r\n乙"));
    EXPECT_EQ(s.engine, SearchEngine::Search360);
    EXPECT_EQ(s.pageLimit, PageLimit{3});
    EXPECT_EQ(s.resultsPerPage, 20);
    EXPECT_EQ(s.outputTemplate, gb("#网址#\r\n#标题#"));
    EXPECT_TRUE(s.mergeIntoOneFile);
    EXPECT_FALSE(s.removeDuplicates);
    EXPECT_TRUE(s.onlySelectedRanks);
    EXPECT_EQ(s.selectedRanks, "");  // stored empty reads empty
    EXPECT_EQ(s.saveFolder, gb("/data/出"));
    EXPECT_TRUE(s.clearCacheOnVerification);
    EXPECT_EQ(s.baiduFetchMode, 1);  // beyond the last item: the last item
    // Missing keys keep the design values.
    EXPECT_EQ(s.fileExtension, "txt");
    EXPECT_TRUE(s.useComSite);
    EXPECT_FALSE(s.ignoreEngineSites);
    // Only read: the window's file is untouched.
    EXPECT_EQ(readFile(ini), text);
}

TEST(WindowSettings, NoEngineSelectedAndMissingFiles) {
    test::TempFolder folder;
    const auto ini = folder.path() / "s.ini";
    writeFile(ini, gb("[主界面]\r\n单选框百度=假"));
    CollectionSettings s = CollectionSettings::defaults();
    std::string error;
    ASSERT_TRUE(loadWindowSettings(ini.string(), s, error));
    EXPECT_EQ(s.engine, SearchEngine::None);
    EXPECT_EQ(s.keywordList, CollectionSettings::defaults().keywordList);  // no side file

    const auto missing = folder.path() / "none.ini";
    EXPECT_FALSE(loadWindowSettings(missing.string(), s, error));
    EXPECT_NE(error.find("none.ini"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(missing));  // not created
    EXPECT_FALSE(loadWindowSettings(folder.path().string(), s, error));
}

}  // namespace
}  // namespace lh::cli
