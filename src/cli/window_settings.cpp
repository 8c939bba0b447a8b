#include "cli/window_settings.h"

#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#include "settings/control_state_store.h"
#include "textutil/program_text.h"

namespace lh::cli {

namespace {

// The engine radio buttons in the window's control order; restoring them one after
// the other leaves the last one stored as selected.
const std::pair<const char*, SearchEngine> kEngineButtons[] = {
    {"单选框百度", SearchEngine::Baidu},
    {"单选框百度新闻", SearchEngine::BaiduNews},
    {"单选框搜狗", SearchEngine::Sogou},
    {"单选框搜狗新闻", SearchEngine::SogouNews},
    {"单选框360", SearchEngine::Search360},
    {"单选框必应", SearchEngine::Bing},
    {"单选框谷歌", SearchEngine::Google},
    {"单选框百度移动", SearchEngine::BaiduMobile},
    {"单选框360移动", SearchEngine::Search360Mobile},
    {"单选框神马移动", SearchEngine::ShenmaMobile},
};

void readText(ControlStateStore& store, const char* key, std::string& field) {
    field = store.readText(gb(key), field);
}

void readBool(ControlStateStore& store, const char* key, bool& field) {
    field = store.readBool(gb(key), field);
}

}  // namespace

bool loadWindowSettings(const std::string& settingsFile, CollectionSettings& s,
                        std::string& error) {
    const std::filesystem::path native(settingsFile);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(native, ec)) {
        error = "'" + settingsFile + "' is not a settings file";
        return false;
    }
    if (!std::ifstream(native, std::ios::binary)) {
        error = "cannot read '" + settingsFile + "'";
        return false;
    }

    // A store of our own, dropped at the end, so the window's file is not held for
    // the whole run.
    ControlStateStore store;
    store.openStore(programTextOfPath(native));
    store.setCurrentSection(mainWindowSection());

    const Bytes keywords = store.readBytes(gb("编辑框关键词"), toBytes(s.keywordList));
    s.keywordList = fromBytes(keywords);
    for (const auto& [key, engine] : kEngineButtons) {
        const bool selected = store.readBool(gb(key), s.engine == engine);
        if (selected) {
            s.engine = engine;
        } else if (s.engine == engine) {
            s.engine = SearchEngine::None;
        }
    }
    readText(store, "编辑框采集页数", s.pageLimitText);
    readText(store, "编辑框每页采集数", s.resultsPerPageText);
    readText(store, "编辑框保存目录", s.saveFolder);
    readText(store, "编辑框扩展名", s.fileExtension);
    readText(store, "编辑框保存模板", s.outputTemplate);
    readBool(store, "选择框仅指定排名", s.onlySelectedRanks);
    readText(store, "编辑框指定排名", s.selectedRanks);
    readBool(store, "选择框www非顶级", s.wwwNotTopLevel);
    readBool(store, "选择框英文站搜索", s.useComSite);
    readBool(store, "选择框关键词分割线", s.keywordSeparatorLine);
    readBool(store, "选择框合并保存", s.mergeIntoOneFile);
    readBool(store, "选择框自动去重", s.removeDuplicates);
    readBool(store, "选择框忽略自家", s.ignoreEngineSites);
    readBool(store, "选择框删除缓存", s.clearCacheOnVerification);
    readBool(store, "选择框自动关闭验证窗口", s.autoCloseVerification);
    // A two-item drop-down list: an index beyond the last selects the last one, one
    // below 0 selects nothing.
    const long long mode = store.readNumber(gb("组合框采集模式"), s.baiduFetchMode);
    s.baiduFetchMode = mode > 1 ? 1 : (mode < 0 ? -1 : static_cast<int>(mode));
    return true;
}

}  // namespace lh::cli
