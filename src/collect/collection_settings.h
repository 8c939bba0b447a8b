#pragma once

#include <string>

#include "collect/search_engine.h"

namespace lh {

// Every option a run reads, as the controls of the main window hold it. Edit boxes
// keep the text the user typed; the accessors apply the reading rules. A host hands
// out a fresh copy at every read, so a change made during a run takes effect at its
// next use. All texts are program text (GB18030).
struct CollectionSettings {
    std::string keywordList;  // 编辑框关键词, lines joined by CR LF
    SearchEngine engine = SearchEngine::Baidu;
    std::string pageLimitText;              // 编辑框采集页数, "全部" = all pages
    std::string resultsPerPageText;         // 编辑框每页采集数
    std::string saveFolder;                 // 编辑框保存目录
    std::string fileExtension = "txt";      // 编辑框扩展名, without dot
    std::string outputTemplate;             // 编辑框保存模板
    bool onlySelectedRanks = false;         // 选择框仅指定排名
    std::string selectedRanks = "2|3|5";    // 编辑框指定排名
    bool wwwNotTopLevel = false;            // 选择框www非顶级
    bool useComSite = true;                 // 选择框英文站搜索
    bool keywordSeparatorLine = false;      // 选择框关键词分割线
    bool mergeIntoOneFile = false;          // 选择框合并保存
    bool removeDuplicates = true;           // 选择框自动去重
    bool ignoreEngineSites = false;         // 选择框忽略自家
    bool clearCacheOnVerification = false;  // 选择框删除缓存
    bool autoCloseVerification = false;     // 选择框自动关闭验证窗口
    int baiduFetchMode = 0;  // 组合框采集模式 selection: 0 = mode 2, 1 = mode 3

    // The window's design-time values.
    static CollectionSettings defaults();

    // Pages to read; 0 (or less) means all pages.
    long long pageLimit() const;
    // Results kept per page: below 1 becomes 10, above 100 becomes 100.
    int resultsPerPage() const;
};

// "C:\搜词取链" on Windows; the home folder + "/搜词取链" elsewhere.
std::string defaultSaveFolder();

// The platform's folder separator as program text.
const std::string& folderSeparator();

}  // namespace lh
