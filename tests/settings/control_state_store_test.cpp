#include <gtest/gtest.h>

#include <sys/resource.h>
#include <csignal>
#include <fstream>

#include "settings/control_state_store.h"
#include "support/fake_window.h"
#include "support/temp_folder.h"

namespace lh {
namespace {

using test::FakeControl;
using test::FakeWindow;
using test::makeMainWindow;
using test::TempFolder;

std::string fileBytes(const std::filesystem::path& path) {
    std::string out;
    readWholeFile(path, out);
    return out;
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Program text path of a file in the folder (the UTF-8 literal converted).
std::string settingsPathIn(const TempFolder& folder, const char* utf8Name = "砚溪·搜词取链器.ini") {
    return programTextOfPath(folder.path()) + "/" + gb(utf8Name);
}

struct Message {
    std::string text;
    ControlStateStore::MessageIcon icon;
};

void recordMessages(ControlStateStore& store, std::vector<Message>& messages) {
    store.setMessageSink([&messages](const std::string& text, ControlStateStore::MessageIcon icon) {
        messages.push_back({text, icon});
    });
}

TEST(ControlStateStore, FirstSaveIntoEmptyFolderWritesExactBytes) {
    TempFolder folder;
    const std::string path = settingsPathIn(folder);
    const std::filesystem::path onDisk = folder.path() / "砚溪·搜词取链器.ini";
    ControlStateStore store;
    std::vector<Message> messages;
    recordMessages(store, messages);
    EXPECT_TRUE(store.openStore(path));
    ASSERT_TRUE(std::filesystem::exists(onDisk));  // created empty, under its UTF-8 name
    EXPECT_EQ(fileBytes(onDisk), "");

    auto window = makeMainWindow();
    store.saveWindowControls(*window, mainWindowSection());

    const std::string expected =
        gb("[主界面]\r\n"
           "选择框删除缓存=假\r\n"
           "选择框自动关闭验证窗口=假\r\n"
           "组合框采集模式=0\r\n"
           "按钮10.标记=\r\n"
           "单选框神马移动=假\r\n"
           "单选框360移动=假\r\n"
           "单选框百度移动=假\r\n"
           "单选框谷歌=假\r\n"
           "单选框必应=假\r\n"
           "单选框360=假\r\n"
           "单选框搜狗新闻=假\r\n"
           "单选框搜狗=假\r\n"
           "单选框百度新闻=假\r\n"
           "单选框百度=真\r\n"
           "按钮6.标记=\r\n"
           "编辑框保存模板=\"#标题#\",\"#网址#\",\"#域名#\",\"#顶级域名#\",\"#描述#\"\r\n"
           "按钮1.标记=\r\n"
           "按钮2.标记=\r\n"
           "按钮3.标记=\r\n"
           "按钮4.标记=\r\n"
           "按钮8.标记=\r\n"
           "按钮7.标记=\r\n"
           "按钮5.标记=\r\n"
           "按钮立即采集.标记=\r\n"
           "选择框合并保存=假\r\n"
           "选择框自动去重=真\r\n"
           "选择框英文站搜索=真\r\n"
           "选择框关键词分割线=假\r\n"
           "选择框忽略自家=假\r\n"
           "选择框www非顶级=假\r\n"
           "选择框总是解析跳转=假\r\n"
           "编辑框同时解析数=4\r\n"
           "选择框继续采集=假\r\n"
           "编辑框每页采集数=50\r\n"
           "编辑框采集页数=全部\r\n"
           "选择框仅指定排名=假\r\n"
           "编辑框指定排名=2|3|5\r\n"
           "按钮选择.标记=\r\n"
           "编辑框扩展名=txt\r\n"
           "编辑框保存目录=C:\\搜词取链");
    EXPECT_EQ(store.text(), expected);
    EXPECT_EQ(fileBytes(onDisk), expected);
    EXPECT_EQ(fileBytes(folder.path() / "inibin" / "主界面-编辑框关键词.ibn"),
              gb("外星人\r\n2012"));
    EXPECT_TRUE(messages.empty());

    // A second start restores what the first one left, over other values.
    auto later = makeMainWindow();
    later->find("编辑框关键词")->content = "x";
    later->find("单选框百度")->isChecked = false;
    later->find("选择框自动去重")->isChecked = false;
    later->find("编辑框扩展名")->content = "csv";
    later->find("按钮6")->tagText = "t";
    store.restoreWindowControls(*later, mainWindowSection());
    EXPECT_EQ(later->find("编辑框关键词")->content, gb("外星人\r\n2012"));
    EXPECT_TRUE(later->find("单选框百度")->isChecked);
    EXPECT_TRUE(later->find("选择框自动去重")->isChecked);
    EXPECT_EQ(later->find("编辑框扩展名")->content, "txt");
    EXPECT_EQ(later->find("按钮6")->tagText, "");
}

TEST(ControlStateStore, FindsKeysExactlyAndKeepsLineBreaksOnOneLine) {
    TempFolder folder;
    const std::string path = settingsPathIn(folder, "s.ini");
    ControlStateStore store;
    ASSERT_TRUE(store.openStore(path));
    store.setCurrentSection(mainWindowSection());
    const std::string r360 = gb("单选框360"), r360m = gb("单选框360移动");
    EXPECT_TRUE(store.writeBool(r360m, true));
    EXPECT_TRUE(store.writeBool(r360, false));
    EXPECT_TRUE(store.readBool(r360m, false));
    EXPECT_FALSE(store.readBool(r360, true));
    EXPECT_EQ(store.text(), gb("[主界面]\r\n单选框360移动=真\r\n单选框360=假"));
    EXPECT_TRUE(store.writeBool(r360, true));
    EXPECT_EQ(store.text(), gb("[主界面]\r\n单选框360移动=真\r\n单选框360=真"));

    const std::string key = gb("编辑框关键词");
    const std::string list = gb("外星人\r\n2012\r\n\r\n末行");
    EXPECT_TRUE(store.writeText(key, list));
    EXPECT_EQ(store.readValue(key, ""), gb("外星人┊*┊2012┊*┊┊*┊末行"));
    EXPECT_EQ(store.readText(key, ""), list);
    EXPECT_EQ(fileBytes(nativePath(path)), store.text());
    // A raw value with a line break would forge lines: refused, nothing changes.
    const std::string before = store.text();
    EXPECT_FALSE(store.writeValue(key, "a\r\n[x]"));
    EXPECT_EQ(store.text(), before);

    // Stored texts that are not what the typed reads expect.
    EXPECT_TRUE(store.writeValue(gb("选择框甲"), "yes"));
    EXPECT_FALSE(store.readBool(gb("选择框甲"), true));
    EXPECT_TRUE(store.writeValue(gb("颜色选择器甲"), "abc"));
    EXPECT_EQ(store.readNumber(gb("颜色选择器甲"), 7), 0);
    EXPECT_EQ(store.readNumber(gb("颜色选择器无"), 7), 7);
    EXPECT_TRUE(store.writeValue(gb("编辑框空"), ""));
    EXPECT_EQ(store.readText(gb("编辑框空"), "default"), "");
}

// Every write changes exactly its own value, in memory and on disk, across sections.
TEST(ControlStateStore, RewritesLeaveEveryOtherLineByteIdentical) {
    TempFolder folder;
    const std::string path = settingsPathIn(folder, "s.ini");
    std::vector<std::string> lines = {"[a]",      "k1=one",  "k2=", "k3=three", "[b]",
                                      "k1=b-one", "k4=four", "[c]", "k5=five"};
    writeFile(nativePath(path), joinText(lines, "\r\n"));
    ControlStateStore store;
    ASSERT_TRUE(store.openStore(path));

    struct Step {
        const char* section;
        const char* key;
        std::string value;
        std::size_t line;  // index in `lines` the write must change
    };
    const std::vector<Step> steps = {
        {"a", "k1", "1", 1},                    // shorter
        {"a", "k1", std::string(300, 'x'), 1},  // longer
        {"a", "k2", "two", 2},                  // empty to something
        {"b", "k1", "", 5},                     // something to empty
        {"c", "k5", "5", 8},                    // the last line, no CR LF after it
        {"b", "k4", "FOUR", 6},                 // same length
        {"a", "k3", "3", 3},                    // edit before the cached section b
        {"b", "k4", "fourfour", 6},             // cached section b after that edit
    };
    for (const Step& step : steps) {
        store.setCurrentSection(step.section);
        const auto before = store.stats();
        EXPECT_TRUE(store.writeValue(step.key, step.value));
        const auto& after = store.stats();
        // One section lookup (search or cache hit), one key search, one edit.
        EXPECT_EQ(after.sectionSearches + after.sectionCacheHits,
                  before.sectionSearches + before.sectionCacheHits + 1);
        EXPECT_EQ(after.keySearches, before.keySearches + 1);
        EXPECT_EQ(after.edits, before.edits + 1);
        lines[step.line] = std::string(step.key) + "=" + step.value;
        const std::string expected = joinText(lines, "\r\n");
        EXPECT_EQ(store.text(), expected) << step.key << " in " << step.section;
        EXPECT_EQ(fileBytes(nativePath(path)), expected) << step.key << " in " << step.section;
    }
    // Rewriting an equal value touches nothing.
    const std::size_t written = store.fileBytesWritten();
    store.setCurrentSection("b");
    EXPECT_TRUE(store.writeValue("k4", "fourfour"));
    EXPECT_EQ(store.fileBytesWritten(), written);

    // A new key goes last into its own section, before the next header.
    store.setCurrentSection("a");
    EXPECT_TRUE(store.writeValue("k9", "nine"));
    lines.insert(lines.begin() + 4, "k9=nine");
    EXPECT_EQ(store.text(), joinText(lines, "\r\n"));
    EXPECT_EQ(fileBytes(nativePath(path)), store.text());
    store.setCurrentSection("b");
    EXPECT_EQ(store.readValue("k4", ""), "fourfour");
    EXPECT_EQ(store.readValue("k9", "absent"), "absent");  // belongs to section a only
}

TEST(ControlStateStore, IgnoresStrayKeysHeadersInsideValuesAndLaterSections) {
    TempFolder folder;
    const std::string path = settingsPathIn(folder, "s.ini");
    const std::string section = mainWindowSection();
    // A key line before any header, and the header's bytes inside a value.
    writeFile(nativePath(path), gb("k=stray\r\n[其他]\r\nv=x[主界面]\r\nk=later"));
    ControlStateStore store;
    ASSERT_TRUE(store.openStore(path));
    store.setCurrentSection(section);
    EXPECT_EQ(store.readValue("k", "none"), "none");
    EXPECT_TRUE(store.writeValue("k", "mine"));
    EXPECT_EQ(store.text(),
              gb("k=stray\r\n[其他]\r\nv=x[主界面]\r\nk=later\r\n[主界面]\r\nk=mine"));
    EXPECT_EQ(store.readValue("k", "none"), "mine");
    store.setCurrentSection(gb("其他"));
    EXPECT_EQ(store.readValue("k", "none"), "later");

    // A key of a later section is not taken for one of ours; the new one goes before it.
    writeFile(nativePath(path), gb("[主界面]\r\na=1\r\n[其他]\r\nb=2"));
    ASSERT_TRUE(store.openStore(path));
    store.setCurrentSection(section);
    EXPECT_EQ(store.readValue("b", "none"), "none");
    EXPECT_TRUE(store.writeValue("b", "3"));
    EXPECT_EQ(store.text(), gb("[主界面]\r\na=1\r\nb=3\r\n[其他]\r\nb=2"));
    EXPECT_EQ(fileBytes(nativePath(path)), store.text());

    // Keys and sections the format cannot hold are refused, never attempted.
    const std::string before = store.text();
    EXPECT_FALSE(store.writeValue("a=b", "1"));
    EXPECT_FALSE(store.writeValue("a\nb", "1"));
    EXPECT_FALSE(store.writeValue("a\rb", "1"));
    store.setCurrentSection("x]y");
    EXPECT_FALSE(store.writeValue("a", "1"));
    store.setCurrentSection("x\r\ny");
    EXPECT_FALSE(store.writeValue("a", "1"));
    EXPECT_EQ(store.text(), before);
    store.setCurrentSection(section);
    EXPECT_EQ(store.readValue("a=1", "none"), "none");
}

TEST(ControlStateStore, SaveRequestedDuringSaveIsQueuedAndRunsInOrder) {
    TempFolder folder;
    const std::string path = settingsPathIn(folder, "s.ini");
    ControlStateStore store;
    ASSERT_TRUE(store.openStore(path));
    FakeWindow first, second;
    first.edit("编辑框甲", "a");
    second.edit("编辑框乙", "b");
    second.edit("编辑框甲", "B");

    bool nestedDone = false;
    bool nestedReturnedQueued = false;
    store.setEventPump([&] {
        if (store.busy() && !nestedDone) {
            nestedDone = true;
            store.saveWindowControls(second, "s");
            // It came back at once, its writes waiting behind the running one.
            nestedReturnedQueued = store.pendingWrites() == 3 &&
                                   store.text().find(gb("编辑框乙")) == std::string::npos;
        }
    });
    store.saveWindowControls(first, "s");
    EXPECT_TRUE(nestedDone);
    EXPECT_TRUE(nestedReturnedQueued);
    EXPECT_FALSE(store.busy());
    EXPECT_EQ(store.pendingWrites(), 0u);
    // 甲=a first (its line comes first), then 乙=b, then 甲=B.
    EXPECT_EQ(store.text(), gb("[s]\r\n编辑框甲=B\r\n编辑框乙=b"));
    EXPECT_EQ(fileBytes(nativePath(path)), store.text());
}

TEST(ControlStateStore, RestoresComboIndexEmptyValuesAndSideFileDefaults) {
    TempFolder folder;
    const std::string path = settingsPathIn(folder);
    ControlStateStore store;
    ASSERT_TRUE(store.openStore(path));
    const std::string section = mainWindowSection();

    auto closing = makeMainWindow();
    closing->find("编辑框指定排名")->content = "";
    closing->find("编辑框关键词")->content = "";
    store.saveWindowControls(*closing, section);
    EXPECT_EQ(fileBytes(folder.path() / "inibin" / "主界面-编辑框关键词.ibn"), "");

    auto starting = makeMainWindow();
    store.restoreWindowControls(*starting, section);
    EXPECT_EQ(starting->find("编辑框指定排名")->content, "");
    // An empty side file counts as missing: the design default stays.
    EXPECT_EQ(starting->find("编辑框关键词")->content, gb("外星人\r\n2012"));

    store.setCurrentSection(section);
    const std::string combo = gb("组合框采集模式");
    FakeControl& mode = *starting->find("组合框采集模式");
    ASSERT_EQ(mode.comboItems.size(), 2u);
    for (const auto& [stored, selected] : std::vector<std::pair<std::string, int>>{
             {"5", 1}, {"-1", -1}, {"1", 1}, {"x", 0}, {"-7", -1}}) {
        mode.selection = 0;
        EXPECT_TRUE(store.writeValue(combo, stored));
        store.restoreWindowControls(*starting, section);
        EXPECT_EQ(mode.selection, selected) << stored;
    }
    // An editable combo box keeps its edit text under another key.
    FakeWindow editable;
    FakeControl& box = editable.add("组合框输入");
    box.dropDownList = false;
    box.content = gb("第一行\r\n第二行");
    store.saveWindowControls(editable, section);
    EXPECT_EQ(store.readValue(gb("组合框输入.内容"), ""), gb("第一行┊*┊第二行"));

    // "禁止保存" keeps a control out both ways; labels are never kept.
    FakeWindow guarded;
    FakeControl& secret = guarded.edit("编辑框秘密", "s");
    secret.tagText = gb("禁止保存");
    guarded.edit("标签说明", "x");
    const std::string before = store.text();
    store.saveWindowControls(guarded, section);
    EXPECT_EQ(store.text(), before);
    EXPECT_TRUE(store.writeValue(gb("编辑框秘密"), "stored"));
    store.restoreWindowControls(guarded, section);
    EXPECT_EQ(secret.content, "s");
}

TEST(ControlStateStore, KeepsItemListsColoursAndTreesOfOtherWindows) {
    TempFolder folder;
    ControlStateStore store;
    ASSERT_TRUE(store.openStore(settingsPathIn(folder, "s.ini")));
    FakeWindow window;
    FakeControl& list = window.add("列表框站点");
    list.listItems = {{gb("甲"), 3, false}, {"b", -2, false}};
    FakeControl& checks = window.add("选择列表框选项");
    checks.listItems = {{"x", 1, true}, {"y", 0, false}};
    window.add("颜色选择器背景").colour = 16777215;
    window.add("树型框目录").nodes = {{"root", "1"}, {gb("子"), "2"}};
    FakeControl& tagged = window.add("按钮字节");
    tagged.tagText = gb("字节集方式");
    store.saveWindowControls(window, "w");

    store.setCurrentSection("w");
    EXPECT_EQ(store.readValue(gb("列表框站点"), ""), gb("甲{G}3{H}b{G}-2"));
    EXPECT_EQ(store.readValue(gb("选择列表框选项"), ""), gb("x{G}1{G}真{H}y{G}0{G}假"));
    EXPECT_EQ(store.readValue(gb("颜色选择器背景"), ""), "16777215");
    EXPECT_EQ(fileBytes(store.sideFilePath("w", gb("树型框目录.列表"))), gb("root{G}1{H}子{G}2"));
    EXPECT_EQ(fileBytes(store.sideFilePath("w", gb("按钮字节.标记"))), gb("字节集方式"));

    FakeWindow fresh;
    fresh.add("列表框站点").listItems = {{"old", 9, false}};
    fresh.add("选择列表框选项");
    fresh.add("颜色选择器背景");
    fresh.add("树型框目录");
    store.restoreWindowControls(fresh, "w");
    ASSERT_EQ(fresh.all[0]->listItems.size(), 2u);
    EXPECT_EQ(fresh.all[0]->listItems[0].text, gb("甲"));
    EXPECT_EQ(fresh.all[0]->listItems[1].value, -2);
    ASSERT_EQ(fresh.all[1]->listItems.size(), 2u);
    EXPECT_TRUE(fresh.all[1]->listItems[0].checked);
    EXPECT_FALSE(fresh.all[1]->listItems[1].checked);
    EXPECT_EQ(fresh.all[2]->colour, 16777215);
    EXPECT_EQ(fresh.all[3]->nodes, (std::vector<TreeNode>{{"root", "1"}, {gb("子"), "2"}}));

    EXPECT_EQ(controlKindOfName(gb("选择列表框x")), ControlKind::CheckListBox);
    EXPECT_EQ(controlKindOfName(gb("选择框x")), ControlKind::CheckBox);
    EXPECT_EQ(controlKindOfName(gb("图片框1")), ControlKind::Other);
    EXPECT_EQ(controlKindOfName(gb("标签5")), ControlKind::Label);
}

TEST(ControlStateStore, SecondStoreOnTheSameFileKeepsItsSavesInMemory) {
    TempFolder folder;
    const std::string path = settingsPathIn(folder);
    const std::filesystem::path sideFile = folder.path() / "inibin" / "主界面-编辑框关键词.ibn";
    ControlStateStore first;
    ASSERT_TRUE(first.openStore(path));
    auto window = makeMainWindow();
    first.saveWindowControls(*window, mainWindowSection());
    const std::string saved = fileBytes(nativePath(path));

    ControlStateStore second;
    std::vector<Message> messages;
    recordMessages(second, messages);
    EXPECT_FALSE(second.openStore(path));
    EXPECT_FALSE(second.fileWritable());
    EXPECT_EQ(second.text(), saved);  // it reads what the first one holds

    auto copy = makeMainWindow();
    copy->find("编辑框关键词")->content = "x";
    second.restoreWindowControls(*copy, mainWindowSection());
    EXPECT_EQ(copy->find("编辑框关键词")->content, gb("外星人\r\n2012"));

    copy->find("编辑框扩展名")->content = "csv";
    copy->find("编辑框关键词")->content = gb("新词");
    second.saveWindowControls(*copy, mainWindowSection());
    EXPECT_NE(second.text(), saved);
    EXPECT_NE(second.text().find(gb("编辑框扩展名=csv")), std::string::npos);
    EXPECT_EQ(fileBytes(nativePath(path)), saved);
    EXPECT_EQ(fileBytes(sideFile), gb("外星人\r\n2012"));
    second.setCurrentSection(mainWindowSection());
    EXPECT_EQ(fromBytes(second.readBytes(gb("编辑框关键词"), {})), gb("新词"));
    EXPECT_TRUE(messages.empty());  // as the lost saves of a second copy always were

    // The first store goes on writing; once it is gone the file can be taken.
    first.setCurrentSection(mainWindowSection());
    EXPECT_TRUE(first.writeText(gb("编辑框扩展名"), "htm"));
    EXPECT_EQ(fileBytes(nativePath(path)), first.text());
    ControlStateStore third;
    EXPECT_FALSE(third.openStore(path));
    second.openStore(settingsPathIn(folder, "other.ini"));
    EXPECT_FALSE(third.openStore(path));
    first.openStore(settingsPathIn(folder, "elsewhere.ini"));
    EXPECT_TRUE(third.openStore(path));
}

TEST(ControlStateStore, FailedFileWriteIsReportedOnceAndMemoryGoesOn) {
    TempFolder folder;
    const std::string path = settingsPathIn(folder, "s.ini");
    ControlStateStore store;
    std::vector<Message> messages;
    recordMessages(store, messages);
    ASSERT_TRUE(store.openStore(path));
    store.setCurrentSection("s");
    ASSERT_TRUE(store.writeValue("a", "1"));
    ASSERT_TRUE(store.writeValue("b", "2"));
    const std::string consistent = fileBytes(nativePath(path));
    ASSERT_EQ(consistent, "[s]\r\na=1\r\nb=2");

    // A file that may not grow past 64 bytes stands in for a full disk.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const bool accepted = store.writeValue("a", std::string(100, 'x'));
    const bool writableAfter = store.fileWritable();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_TRUE(accepted);
    EXPECT_FALSE(writableAfter);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].icon, ControlStateStore::MessageIcon::Exclamation);
    EXPECT_NE(messages[0].text.find(gb("配置文件写入失败")), std::string::npos);
    // The file keeps its last whole state; the memory copy has the new value.
    EXPECT_EQ(fileBytes(nativePath(path)), consistent);
    EXPECT_EQ(store.readValue("a", ""), std::string(100, 'x'));

    // Later saves go on in memory without further messages or file changes.
    EXPECT_TRUE(store.writeValue("b", "3"));
    EXPECT_TRUE(store.writeValue("c", "4"));
    EXPECT_FALSE(store.writeBytes("k", toBytes("bytes")));
    EXPECT_EQ(fromBytes(store.readBytes("k", {})), "bytes");
    EXPECT_EQ(store.readValue("c", ""), "4");
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(fileBytes(nativePath(path)), consistent);
    EXPECT_FALSE(std::filesystem::exists(store.sideFilePath("s", "k")));
}

TEST(ControlStateStore, FileRemovedOrReplacedWhileHeldIsReportedNotWrittenBlindly) {
    TempFolder folder;
    const std::string path = settingsPathIn(folder, "s.ini");
    const std::filesystem::path onDisk = nativePath(path);
    ControlStateStore store;
    std::vector<Message> messages;
    recordMessages(store, messages);
    ASSERT_TRUE(store.openStore(path));
    store.setCurrentSection("s");
    ASSERT_TRUE(store.writeValue("a", "1"));

    // Another program puts its own file in place: it is left alone.
    const std::filesystem::path other = folder.path() / "edited.ini";
    writeFile(other, "[s]\r\na=edited");
    std::filesystem::rename(other, onDisk);
    EXPECT_TRUE(store.writeValue("a", "2"));
    EXPECT_EQ(fileBytes(onDisk), "[s]\r\na=edited");
    EXPECT_EQ(store.readValue("a", ""), "2");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find(gb("已被删除或被其他程序替换")), std::string::npos);

    // A deleted file is not brought back by later saves, and nothing more is reported.
    std::filesystem::remove(onDisk);
    EXPECT_TRUE(store.writeValue("b", "3"));
    EXPECT_FALSE(std::filesystem::exists(onDisk));
    EXPECT_EQ(messages.size(), 1u);

    ControlStateStore fresh;
    std::vector<Message> freshMessages;
    recordMessages(fresh, freshMessages);
    ASSERT_TRUE(fresh.openStore(path));
    fresh.setCurrentSection("s");
    std::filesystem::remove(onDisk);
    EXPECT_TRUE(fresh.writeValue("a", "1"));
    EXPECT_EQ(freshMessages.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(onDisk));
}

TEST(ControlStateStore, SectionThatNeverAppearsGivesUpWithTwoMessages) {
    TempFolder folder;
    ControlStateStore store;
    std::vector<Message> messages;
    recordMessages(store, messages);
    // A host that rebinds the store to an unreachable file while a write waits keeps the
    // appended header from ever being found.
    const std::string unreachable = programTextOfPath(folder.path() / "missing" / "s.ini");
    store.openStore(unreachable);
    int appendsSeen = 0;
    store.setEventPump([&] {
        if (!store.text().empty()) ++appendsSeen;
        store.openStore(unreachable);
    });
    store.setCurrentSection("s");
    EXPECT_TRUE(store.writeValue("k", "v"));
    EXPECT_EQ(appendsSeen, 10);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, gb("配置模块出现意外，可能导致无法正常保存！详情请咨询砚溪。"));
    EXPECT_EQ(messages[0].icon, ControlStateStore::MessageIcon::Exclamation);
    EXPECT_EQ(messages[1].icon, ControlStateStore::MessageIcon::None);
    EXPECT_EQ(messages[1].text, store.text());
    EXPECT_FALSE(store.busy());

    // Later writes are tried normally.
    store.setEventPump(nullptr);
    EXPECT_TRUE(store.writeValue("k", "v"));
    EXPECT_EQ(store.text(), "[s]\r\nk=v");
    EXPECT_EQ(messages.size(), 2u);
}

}  // namespace
}  // namespace lh

namespace lh {
namespace {

TEST(ControlStateStore, HandEditedLfLinesAreLinesAndWhatTheStoreAddsEndsInCrLf) {
    TempFolder folder;
    const std::string path = settingsPathIn(folder);
    const std::string before = gb("[主界面]\n编辑框保存模板=#网址#\n单选框必应=真\n");
    writeFile(nativePath(path), before);
    ControlStateStore store;
    ASSERT_TRUE(store.openStore(path));
    store.setCurrentSection(mainWindowSection());
    EXPECT_EQ(store.readValue(gb("编辑框保存模板"), "-"), gb("#网址#"));
    EXPECT_TRUE(store.readBool(gb("单选框必应"), false));
    EXPECT_TRUE(store.holdsSection(mainWindowSection()));

    // A changed value keeps the file's LF; a new key goes after the last line without an
    // empty line in between; a line break inside a value never splits the line.
    ASSERT_TRUE(store.writeValue(gb("单选框必应"), gb("假")));
    ASSERT_TRUE(store.writeText(gb("编辑框关键词列表"), "a\nb\r\nc"));
    const std::string expected =
        gb("[主界面]\n编辑框保存模板=#网址#\n单选框必应=假\n编辑框关键词列表=a┊*┊b┊*┊c");
    EXPECT_EQ(store.text(), expected);
    EXPECT_EQ(fileBytes(nativePath(path)), expected);
    EXPECT_EQ(store.readText(gb("编辑框关键词列表"), "-"), "a\r\nb\r\nc");
    EXPECT_FALSE(store.writeValue(gb("编辑框其他"), "raw\nline"));

    // A header line ending in CR LF or LF ends the section before it for key lookups.
    writeFile(nativePath(path), gb("[其他]\n键=1\r\n[主界面]\r\n甲=2\n[后]\n乙=3"));
    ASSERT_TRUE(store.openStore(path));
    store.setCurrentSection(mainWindowSection());
    EXPECT_EQ(store.readValue(gb("甲"), "-"), "2");
    EXPECT_EQ(store.readValue(gb("键"), "-"), "-");
    EXPECT_EQ(store.readValue(gb("乙"), "-"), "-");
    ASSERT_TRUE(store.writeValue(gb("丙"), "4"));
    EXPECT_EQ(store.text(), gb("[其他]\n键=1\r\n[主界面]\r\n甲=2\r\n丙=4\n[后]\n乙=3"));
    EXPECT_EQ(fileBytes(nativePath(path)), store.text());
}

}  // namespace
}  // namespace lh
