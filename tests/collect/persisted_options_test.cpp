#include "collect/persisted_options.h"

#include <gtest/gtest.h>

#include <set>

#include "collect/engine_catalogue.h"
#include "settings/control_state_store.h"
#include "support/fake_window.h"
#include "support/temp_folder.h"
#include "textutil/program_text.h"

namespace lh {
namespace {

TEST(PersistedOptions, ReadingRulesAndTheWindowsDesignValues) {
    EXPECT_TRUE(PageLimit::fromText(gb("全部")).isAll());
    EXPECT_TRUE(PageLimit::fromText("0").isAll());
    EXPECT_TRUE(PageLimit::fromText("-3").isAll());
    EXPECT_EQ(PageLimit::fromText("3a"), PageLimit{3});
    EXPECT_EQ(resultsPerPageFromText("0"), 10);
    EXPECT_EQ(resultsPerPageFromText("abc"), 10);
    EXPECT_EQ(resultsPerPageFromText("500"), 100);
    EXPECT_EQ(resultsPerPageFromText("7"), 7);
    EXPECT_EQ(parallelLookUpsFromText(""), 1);
    EXPECT_EQ(parallelLookUpsFromText("-2"), 1);
    EXPECT_EQ(parallelLookUpsFromText("99"), 16);
    EXPECT_EQ(parallelLookUpsFromText("6"), 6);

    const CollectionSettings d = CollectionSettings::defaults();
    EXPECT_EQ(d.keywordList, gb("外星人\r\n2012"));
    EXPECT_EQ(d.engine, SearchEngine::Baidu);
    EXPECT_TRUE(d.pageLimit.isAll());
    EXPECT_EQ(d.resultsPerPage, 50);
    EXPECT_EQ(d.saveFolder, defaultSaveFolder());
    EXPECT_EQ(d.fileExtension, "txt");
    EXPECT_EQ(d.outputTemplate, gb("\"#标题#\",\"#网址#\",\"#域名#\",\"#顶级域名#\",\"#描述#\""));
    EXPECT_EQ(d.selectedRanks, "2|3|5");
    EXPECT_TRUE(d.useComSite && d.removeDuplicates);
    EXPECT_FALSE(d.onlySelectedRanks || d.wwwNotTopLevel || d.keywordSeparatorLine ||
                 d.mergeIntoOneFile || d.ignoreEngineSites || d.clearCacheOnVerification ||
                 d.autoCloseVerification || d.resolveAlways || d.resumeRun);
    EXPECT_EQ(d.baiduFetchMode, 0);
    EXPECT_EQ(d.resolveParallel, 4);

    // Every control of the window that holds an option is in the table once.
    std::set<std::string_view> controls;
    for (const PersistedOption& option : persistedOptions()) {
        if (!option.control.empty()) {
            EXPECT_TRUE(controls.insert(option.control).second) << option.name;
        }
    }
    EXPECT_EQ(controls.size(), 21u);  // and the engine buttons, one group
    EXPECT_EQ(defaultForHelp(*optionNamed("pageLimit")), "all");
    EXPECT_EQ(defaultForHelp(*optionNamed("engine")), "baidu");
    EXPECT_EQ(defaultForHelp(*optionNamed("baiduFetchMode")), "2");
}

// Command-line flags give settings; the window shows them in its controls and saves
// them; the saved file reads back to the same settings.
TEST(PersistedOptions, FlagsWindowControlsAndSettingsFileRoundTrip) {
    const std::vector<std::pair<std::string, std::string>> flags = {{"engine", "360-mobile"},
                                                                    {"pages", "3"},
                                                                    {"per-page", "20"},
                                                                    {"save-folder", "/tmp/出"},
                                                                    {"ext", ".csv"},
                                                                    {"template", "#网址#,#标题#"},
                                                                    {"ranks", "1|4"},
                                                                    {"www-not-top-level", ""},
                                                                    {"no-com-site", ""},
                                                                    {"separator-lines", ""},
                                                                    {"merge", ""},
                                                                    {"no-dedupe", ""},
                                                                    {"ignore-engine-sites", ""},
                                                                    {"resolve-always", ""},
                                                                    {"resolve-parallel", "7"},
                                                                    {"baidu-mode", "3"}};
    CollectionSettings given = CollectionSettings::defaults();
    given.keywordList = gb("甲\r\n乙");
    for (const auto& [flag, value] : flags) {
        const PersistedOption* option = nullptr;
        bool on = true;
        for (const PersistedOption& o : persistedOptions()) {
            if (o.flag == flag) option = &o;
            if (o.offFlag == flag) {
                option = &o;
                on = false;
            }
        }
        ASSERT_NE(option, nullptr) << flag;
        std::vector<SettingAssignment> out;
        ASSERT_EQ(readFlag(*option, value, on, out), "") << flag;
        for (const SettingAssignment& a : out) assign(a, given);
    }
    EXPECT_EQ(given.engine, SearchEngine::Search360Mobile);
    EXPECT_EQ(given.pageLimit, PageLimit{3});
    EXPECT_EQ(given.resultsPerPage, 20);
    EXPECT_EQ(given.fileExtension, "csv");
    EXPECT_TRUE(given.onlySelectedRanks);
    EXPECT_FALSE(given.useComSite);
    EXPECT_EQ(given.baiduFetchMode, 1);
    EXPECT_TRUE(given.resolveAlways);
    EXPECT_EQ(given.resolveParallel, 7);
    for (const char* refused : {"0", "17", "2x"}) {
        std::vector<SettingAssignment> out;
        EXPECT_NE(readFlag(*optionNamed("resolveParallel"), refused, true, out), "") << refused;
        EXPECT_TRUE(out.empty());
    }
    given.proxyList = "http://a:1\r\nb:2";  // --proxy-list names a file the caller reads

    // The window's controls hold them as the table says.
    auto window = test::makeMainWindow();
    for (const PersistedOption& option : persistedOptions()) {
        if (option.kind == OptionKind::Engine) {
            for (const EngineProfile& e : engineCatalogue()) {
                window->find(gbToUtf8(e.radioButton).c_str())->isChecked = e.id == given.engine;
            }
            continue;
        }
        test::FakeControl* control = window->find(std::string(option.control).c_str());
        ASSERT_NE(control, nullptr) << option.name;
        if (option.kind == OptionKind::Flag) {
            control->isChecked = flagOf(option, given);
        } else if (option.kind == OptionKind::Choice) {
            control->selection = choiceOf(option, given);
        } else {
            control->content = controlText(option, given);
        }
    }
    test::TempFolder folder;
    const std::string file = programTextOfPath(folder.path() / "s.ini");
    {
        ControlStateStore store;
        ASSERT_TRUE(store.openStore(file));
        store.saveWindowControls(*window, mainWindowSection());
    }
    ControlStateStore reader;
    ASSERT_TRUE(reader.openStore(file));
    reader.setCurrentSection(mainWindowSection());
    CollectionSettings read = CollectionSettings::defaults();
    readSavedOptions(reader, read);
    EXPECT_EQ(read, given);

    // A file that names no option leaves every field as it was.
    test::TempFolder other;
    ControlStateStore blank;
    ASSERT_TRUE(blank.openStore(programTextOfPath(other.path() / "blank.ini")));
    blank.setCurrentSection(mainWindowSection());
    CollectionSettings untouched = given;
    readSavedOptions(blank, untouched);
    EXPECT_EQ(untouched, given);
}

}  // namespace
}  // namespace lh
