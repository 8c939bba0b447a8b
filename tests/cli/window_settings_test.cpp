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

TEST(WindowSettings, HandEditedAndForeignFilesAreReadOrNamedInAWarning) {
    test::TempFolder folder;
    const auto ini = folder.path() / "lf.ini";
    writeFile(ini, gb("[主界面]\n单选框百度=假\n单选框必应=真\n编辑框保存模板=#网址#\n"));
    CollectionSettings s = CollectionSettings::defaults();
    std::string error;
    SettingsFileReport report;
    ASSERT_TRUE(loadWindowSettings(ini.string(), s, error, &report)) << error;
    EXPECT_EQ(s.engine, SearchEngine::Bing);
    EXPECT_EQ(s.outputTemplate, gb("#网址#"));
    EXPECT_TRUE(report.warnings.empty());
    EXPECT_EQ(report.optionsTaken, (std::vector<std::string>{"--engine", "--template"}));

    // The same text saved as UTF-8, and a file of another section: each gets one
    // warning naming the file, and nothing is taken.
    const auto utf8 = folder.path() / "utf8.ini";
    writeFile(utf8, "[主界面]\r\n单选框必应=真\r\n编辑框保存模板=#网址#");
    const auto other = folder.path() / "other.ini";
    writeFile(other, gb("[其他]\r\n单选框必应=真"));
    for (const auto& file : {utf8, other}) {
        SCOPED_TRACE(file.string());
        CollectionSettings untouched = CollectionSettings::defaults();
        SettingsFileReport found;
        ASSERT_TRUE(loadWindowSettings(file.string(), untouched, error, &found)) << error;
        EXPECT_EQ(untouched.engine, CollectionSettings::defaults().engine);
        ASSERT_EQ(found.warnings.size(), 1u);
        EXPECT_NE(found.warnings[0].find(file.string()), std::string::npos);
        EXPECT_TRUE(found.optionsTaken.empty());
    }
    SettingsFileReport found;
    ASSERT_TRUE(loadWindowSettings(utf8.string(), s, error, &found));
    EXPECT_NE(found.warnings[0].find("UTF-8"), std::string::npos) << found.warnings[0];
    ASSERT_TRUE(loadWindowSettings(other.string(), s, error, &found));
    EXPECT_NE(found.warnings[1].find("[主界面]"), std::string::npos) << found.warnings[1];
}

}  // namespace
}  // namespace lh::cli
