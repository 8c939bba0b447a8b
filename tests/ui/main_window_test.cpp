// The main window's controls, enabling rules, template buttons, start/stop captions,
// header links, folder button, tray exit and closing during a run. No Chromium: the
// window gets the null web view.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <memory>

#include "collect/run_status_texts.h"
#include "ui/application.h"
#include "ui/help_text.h"
#include "ui/main_window.h"
#include "ui/text_dialog.h"
#include "ui/ui_text.h"
#include "ui/web_view.h"
#include "ui/window_host.h"

using namespace lh;

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

// Records what the window asked of the outside world.
struct Recorder {
    QStringList information;
    QStringList exitQuestions;
    bool exitAnswer = false;
    QString pickedFolder;
    QList<QUrl> opened;
    QStringList started;
    int quits = 0;
    int saves = 0;
};

// A run that does what the real one does with the window around a stop click: it shows
// its captions, and waits in slices until it is asked to stop.
struct StoppableRun {
    std::atomic<bool> stop{false};
    std::atomic<int> runs{0};
    void operator()(WindowHost& host) {
        runs++;
        stop = false;
        while (!stop) host.waitWithEvents(10, &stop);
        host.setCaption(status_text::caption(RunState::Idle));
        host.setMergeOptionEnabled(true);
    }
};

std::unique_ptr<MainWindow> makeWindow(Recorder& r, std::shared_ptr<StoppableRun> run = nullptr) {
    MainWindowSetup setup;
    setup.programFolder = QDir::tempPath();
    setup.trayIcon = false;
    setup.seams.information = [&r](const QString& text) { r.information << text; };
    setup.seams.exitQuestion = [&r](const QString& text) {
        r.exitQuestions << text;
        return r.exitAnswer;
    };
    setup.seams.pickFolder = [&r](const QString&) { return r.pickedFolder; };
    setup.seams.openUrl = [&r](const QUrl& url) { r.opened << url; };
    setup.seams.startProgram = [&r](const QString& program, const QStringList&) {
        r.started << program;
    };
    setup.seams.quit = [&r] { r.quits++; };
    setup.saveControls = [&r](MainWindow&) { r.saves++; };
    if (run) {
        setup.runCollection = [run](WindowHost& host) { (*run)(host); };
        setup.requestStop = [run] { run->stop = true; };
    }
    return std::make_unique<MainWindow>(std::move(setup));
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void everyControlHasItsNameCaptionPlaceAndDefault();
    void enablingRulesFollowClicks();
    void placeholderButtonsEditOnlyTheSelectionOrCaret();
    void pasteReplacesKeywordsEvenWithEmptyClipboard();
    void startButtonCaptionsForThreeQuickClicks();
    void closingDuringRunStopsSavesAndClosesAfterRun();
    void folderButtonPicksTrimsAndOpens();
    void headerLinksSaveAndOpen();
    void secondHelpClickOpensNothing();
    void trayExitAsksAndQuitsWithoutSaving();
    void integerBoxesRefuseOtherCharacters();
};

void MainWindowTest::everyControlHasItsNameCaptionPlaceAndDefault() {
    Recorder r;
    auto w = makeWindow(r);
    QCOMPARE(w->windowTitle(), u("砚溪·搜词取链器  v2.3.6.0"));
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    QCOMPARE(w->frameGeometry().size(), QSize(933, 605));
    QCOMPARE(w->minimumSize(), w->maximumSize());  // fixed border
    QCOMPARE(w->font().pixelSize(), 15);

    struct Expected {
        const char* name;
        const char* caption;
        QRect rect;
    };
    const Expected buttons[] = {
        {"按钮6", "粘贴", {144, 112, 88, 24}},
        {"按钮1", "#标题#", {328, 237, 60, 24}},
        {"按钮2", "#网址#", {389, 237, 60, 24}},
        {"按钮3", "#域名#", {450, 237, 60, 24}},
        {"按钮4", "#顶级域名#", {511, 237, 90, 24}},
        {"按钮8", "#描述#", {602, 237, 60, 24}},
        {"按钮10", "#关键词#", {663, 237, 80, 24}},
        {"按钮7", "锚文本", {744, 237, 70, 24}},
        {"按钮5", "清除模板", {832, 237, 80, 24}},
        {"按钮立即采集", "开始采集", {248, 286, 664, 64}},
        {"按钮选择", "..", {833, 471, 30, 20}},
    };
    for (const Expected& e : buttons) {
        auto* b = w->control<QPushButton>(e.name);
        QVERIFY2(b != nullptr, e.name);
        QCOMPARE(b->text(), u(e.caption));
        QCOMPARE(b->geometry(), e.rect);
        QCOMPARE(MainWindow::tagOf(b), QString());
    }
    QCOMPARE(w->control<QPushButton>("按钮立即采集")->font().pixelSize(), 32);
    QVERIFY(w->control<QPushButton>("按钮立即采集")->font().bold());

    const struct {
        const char* name;
        const char* caption;
        QPoint at;
        bool on;
    } checks[] = {
        {"选择框自动关闭验证窗口", "自动关闭验证界面", {760, 34}, false},
        {"选择框删除缓存", "验证时自动清除缓存", {760, 56}, false},
        {"选择框合并保存", "所有关键词保存一处", {247, 364}, false},
        {"选择框自动去重", "自动去除重复", {512, 364}, true},
        {"选择框英文站搜索", "谷歌必应使用 COM 站", {687, 364}, true},
        {"选择框关键词分割线", "使用分割线隔开保存", {247, 391}, false},
        {"选择框忽略自家", "忽略搜索自家", {512, 391}, false},
        {"选择框www非顶级", "www.不视为顶级域名", {686, 391}, false},
        {"选择框仅指定排名", "仅采集指定排名：", {664, 436}, false},
        {"选择框总是解析跳转", "总是解析跳转链接", {247, 497}, false},
        {"选择框继续采集", "继续上次未完成的采集", {687, 497}, false},
    };
    for (const auto& c : checks) {
        auto* box = w->control<QCheckBox>(c.name);
        QVERIFY2(box != nullptr, c.name);
        QCOMPARE(box->text(), u(c.caption));
        QCOMPARE(box->geometry().topLeft(), c.at);
        QCOMPARE(box->isChecked(), c.on);
    }

    const struct {
        const char* name;
        const char* caption;
        QPoint at;
    } radios[] = {
        {"单选框百度", "百度", {328, 116}},       {"单选框百度新闻", "百度新闻", {440, 116}},
        {"单选框搜狗", "搜狗", {559, 116}},       {"单选框搜狗新闻", "搜狗新闻", {654, 116}},
        {"单选框360", "360", {328, 144}},         {"单选框必应", "必应", {440, 144}},
        {"单选框谷歌", "谷歌", {559, 144}},       {"单选框百度移动", "百度移动", {328, 172}},
        {"单选框360移动", "360移动", {440, 172}}, {"单选框神马移动", "神马移动", {559, 172}},
    };
    int selected = 0;
    for (const auto& r2 : radios) {
        auto* radio = w->control<QRadioButton>(r2.name);
        QVERIFY2(radio != nullptr, r2.name);
        QCOMPARE(radio->text(), u(r2.caption));
        QCOMPARE(radio->geometry().topLeft(), r2.at);
        QVERIFY(radio->width() >= 64 && radio->width() <= 104);
        selected += radio->isChecked() ? 1 : 0;
    }
    QCOMPARE(selected, 1);
    QVERIFY(w->control<QRadioButton>("单选框百度")->isChecked());

    const struct {
        const char* name;
        const char* text;
        QRect rect;
    } edits[] = {
        {"编辑框保存模板",
         "\"#标题#\",\"#网址#\",\"#域名#\",\"#顶级域名#\",\"#描述#\"",
         {328, 210, 584, 24}},
        {"编辑框每页采集数", "50", {328, 436, 56, 24}},
        {"编辑框采集页数", "全部", {504, 436, 56, 24}},
        {"编辑框同时解析数", "4", {504, 497, 56, 24}},
        {"编辑框指定排名", "2|3|5", {808, 436, 104, 24}},
        {"编辑框扩展名", "txt", {872, 469, 40, 24}},
    };
    for (const auto& e : edits) {
        auto* edit = w->control<QLineEdit>(e.name);
        QVERIFY2(edit != nullptr, e.name);
        QCOMPARE(edit->text(), u(e.text));
        QCOMPARE(edit->geometry(), e.rect);
    }
    QCOMPARE(w->control<QLineEdit>("编辑框保存目录")->geometry(), QRect(328, 469, 539, 24));
    QCOMPARE(w->control<QLineEdit>("编辑框保存目录")->text(), qtText(defaultSaveFolder()));

    auto* keywords = w->control<QPlainTextEdit>("编辑框关键词");
    QVERIFY(keywords != nullptr);
    QCOMPARE(keywords->geometry(), QRect(16, 140, 216, 348));
    QCOMPARE(keywords->toPlainText(), u("外星人\n2012"));
    QCOMPARE(MainWindow::tagOf(keywords), u("字节集方式"));
    QCOMPARE(w->settingsSnapshot().keywordList, lh::gb("外星人\r\n2012"));

    // Proxies: several lines kept like the keywords, empty by design (the system's).
    auto* proxies = w->control<QPlainTextEdit>("编辑框代理服务器");
    QVERIFY(proxies != nullptr);
    QCOMPARE(proxies->geometry(), QRect(328, 525, 584, 44));
    QCOMPARE(MainWindow::tagOf(proxies), u("字节集方式"));
    QCOMPARE(w->settingsSnapshot().proxyList, std::string());
    proxies->setPlainText(QStringLiteral("http://a:1\nsocks5://u:p@b:2"));
    QCOMPARE(w->settingsSnapshot().proxyList, std::string("http://a:1\r\nsocks5://u:p@b:2"));
    const QNetworkProxy socks = viewProxyOf("socks5://u:p@b:2");
    QCOMPARE(socks.type(), QNetworkProxy::Socks5Proxy);
    QCOMPARE(socks.hostName(), QStringLiteral("b"));
    QCOMPARE(socks.port(), quint16(2));
    QCOMPARE(socks.user(), QStringLiteral("u"));
    QCOMPARE(viewProxyOf("a").type(), QNetworkProxy::HttpProxy);
    QCOMPARE(viewProxyOf("a").port(), quint16(1080));
    QCOMPARE(viewProxyOf("").type(), QNetworkProxy::DefaultProxy);

    auto* mode = w->control<QComboBox>("组合框采集模式");
    QVERIFY(mode != nullptr);
    QCOMPARE(mode->geometry(), QRect(760, 7, 136, 23));
    QCOMPARE(mode->count(), 2);
    QCOMPARE(mode->itemText(0), u("百度：采集模式2"));
    QCOMPARE(mode->itemText(1), u("百度：采集模式3"));
    QCOMPARE(mode->currentIndex(), 0);
    QVERIFY(!mode->isEditable());

    const struct {
        const char* name;
        const char* caption;
    } labels[] = {
        {"标签2", "输入关键词列表："}, {"标签4", "搜索引擎："},      {"标签6", "保存模板："},
        {"标签7", "每页数量："},       {"标签1", "采集页数："},      {"标签3", "保存目录："},
        {"标签8", "同时解析："},       {"链接保存配置", "保存配置"}, {"链接疑点说明", "疑点说明"},
        {"链接软件主页", "软件主页"},
    };
    for (const auto& l : labels) {
        auto* label = w->control<QLabel>(l.name);
        QVERIFY2(label != nullptr, l.name);
        QCOMPARE(label->text(), u(l.caption));
    }
    QCOMPARE(w->control<QLabel>("链接保存配置")->font().pixelSize(), 12);
    QCOMPARE(w->control<QLabel>("标签4")->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(w->control<QLabel>("标签2")->palette().color(QPalette::WindowText).blue(), 0);
    for (const char* picture : {"图片保存配置", "图片疑点说明", "图片软件主页", "图片砚溪软件"}) {
        auto* label = w->control<QLabel>(picture);
        QVERIFY2(label != nullptr && !label->pixmap().isNull(), picture);
    }
    QCOMPARE(w->control<QLabel>("图片砚溪软件")->geometry(), QRect(448, 12, 195, 64));
    QCOMPARE(w->statusText(0), u("关键词 页号"));
    QCOMPARE(w->statusText(1), u("标题 网址"));
    QCOMPARE(w->storedControls().size(), std::size_t(42));
}

void MainWindowTest::enablingRulesFollowClicks() {
    Recorder r;
    auto w = makeWindow(r);
    w->show();
    auto* merge = w->control<QCheckBox>("选择框合并保存");
    auto* separator = w->control<QCheckBox>("选择框关键词分割线");
    auto* onlyRanks = w->control<QCheckBox>("选择框仅指定排名");
    auto* ranks = w->control<QLineEdit>("编辑框指定排名");
    auto* mode = w->control<QComboBox>("组合框采集模式");
    QVERIFY(!separator->isEnabled());
    QVERIFY(!ranks->isEnabled());
    QVERIFY(!mode->isHidden());  // 百度 is selected at design

    QTest::mouseClick(merge, Qt::LeftButton);
    QVERIFY(separator->isEnabled());
    QTest::mouseClick(merge, Qt::LeftButton);
    QVERIFY(!separator->isEnabled());
    QTest::mouseClick(onlyRanks, Qt::LeftButton);
    QVERIFY(ranks->isEnabled());
    QVERIFY(w->settingsSnapshot().onlySelectedRanks);

    mode->setCurrentIndex(1);
    QTest::mouseClick(w->control<QRadioButton>("单选框谷歌"), Qt::LeftButton);
    QVERIFY(mode->isHidden());
    QCOMPARE(w->settingsSnapshot().engine, SearchEngine::Google);
    QTest::mouseClick(w->control<QRadioButton>("单选框百度新闻"), Qt::LeftButton);
    QVERIFY(!mode->isHidden());
    QCOMPARE(mode->currentIndex(), 1);  // survives while hidden
    QCOMPARE(w->settingsSnapshot().baiduFetchMode, 1);
    QTest::mouseClick(w->control<QRadioButton>("单选框神马移动"), Qt::LeftButton);
    QVERIFY(mode->isHidden());

    // Rules applied once after a restore.
    MainWindowSetup setup;
    setup.trayIcon = false;
    setup.restoreControls = [](MainWindow& win) {
        win.control<QCheckBox>("选择框合并保存")->setChecked(true);
        win.control<QCheckBox>("选择框仅指定排名")->setChecked(true);
        win.control<QRadioButton>("单选框谷歌")->setChecked(true);
    };
    MainWindow restored(std::move(setup));
    QVERIFY(restored.control<QCheckBox>("选择框关键词分割线")->isEnabled());
    QVERIFY(restored.control<QLineEdit>("编辑框指定排名")->isEnabled());
    QVERIFY(restored.control<QComboBox>("组合框采集模式")->isHidden());
    QCOMPARE(restored.settingsSnapshot().engine, SearchEngine::Google);
}

void MainWindowTest::placeholderButtonsEditOnlyTheSelectionOrCaret() {
    Recorder r;
    auto w = makeWindow(r);
    w->show();
    auto* tpl = w->control<QLineEdit>("编辑框保存模板");
    tpl->setText(QStringLiteral("AAA-BBB-CCC"));
    tpl->setSelection(4, 3);  // BBB
    QTest::mouseClick(w->control<QPushButton>("按钮2"), Qt::LeftButton);
    QCOMPARE(tpl->text(), u("AAA-#网址#-CCC"));

    tpl->deselect();
    tpl->setCursorPosition(3);
    QTest::mouseClick(w->control<QPushButton>("按钮10"), Qt::LeftButton);
    QCOMPARE(tpl->text(), u("AAA#关键词#-#网址#-CCC"));

    QTest::mouseClick(w->control<QPushButton>("按钮5"), Qt::LeftButton);
    QCOMPARE(tpl->text(), QString());
    QTest::mouseClick(w->control<QPushButton>("按钮4"), Qt::LeftButton);
    QCOMPARE(tpl->text(), u("#顶级域名#"));
    QTest::mouseClick(w->control<QPushButton>("按钮7"), Qt::LeftButton);
    QCOMPARE(tpl->text(),
             u("#顶级域名#<a href=\"#网址#\" target=\"_blank\">#标题#</a><br>#描述#<br><br>"));
    QCOMPARE(w->settingsSnapshot().outputTemplate, programText(tpl->text()));
}

void MainWindowTest::pasteReplacesKeywordsEvenWithEmptyClipboard() {
    Recorder r;
    auto w = makeWindow(r);
    auto* keywords = w->control<QPlainTextEdit>("编辑框关键词");
    QApplication::clipboard()->setText(u("手机\n电脑"));
    QTest::mouseClick(w->control<QPushButton>("按钮6"), Qt::LeftButton);
    QCOMPARE(keywords->toPlainText(), u("手机\n电脑"));
    QCOMPARE(w->settingsSnapshot().keywordList, lh::gb("手机\r\n电脑"));
    QApplication::clipboard()->clear();
    QTest::mouseClick(w->control<QPushButton>("按钮6"), Qt::LeftButton);
    QCOMPARE(keywords->toPlainText(), QString());
}

void MainWindowTest::startButtonCaptionsForThreeQuickClicks() {
    Recorder r;
    auto run = std::make_shared<StoppableRun>();
    auto w = makeWindow(r, run);
    w->show();
    auto* button = w->control<QPushButton>("按钮立即采集");
    auto* merge = w->control<QCheckBox>("选择框合并保存");
    QSignalSpy finished(w.get(), &MainWindow::runFinished);

    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(button->text(), u("停止采集"));
    QVERIFY(!merge->isEnabled());
    QVERIFY(w->runActive());
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(button->text(), u("停止采集中"));
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(button->text(), u("停止采集中"));

    QVERIFY(finished.wait(5000));
    QCOMPARE(run->runs.load(), 1);  // the quick clicks started nothing more
    QTRY_COMPARE(button->text(), u("开始采集"));
    QVERIFY(merge->isEnabled());
    QVERIFY(!w->runActive());

    // A new run starts after the last one returned.
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(button->text(), u("停止采集"));
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(finished.wait(5000));
    QCOMPARE(run->runs.load(), 2);
}

void MainWindowTest::closingDuringRunStopsSavesAndClosesAfterRun() {
    Recorder r;
    auto run = std::make_shared<StoppableRun>();
    auto w = makeWindow(r, run);
    w->show();
    QSignalSpy finished(w.get(), &MainWindow::runFinished);
    QTest::mouseClick(w->control<QPushButton>("按钮立即采集"), Qt::LeftButton);
    QVERIFY(w->runActive());

    QVERIFY(!w->close());  // refused for now: the run is asked to stop first
    QCOMPARE(r.saves, 1);
    QVERIFY(w->isVisible());
    QVERIFY(finished.wait(5000));
    QTRY_VERIFY(!w->isVisible());
    QCOMPARE(r.saves, 1);  // saved once, when the close was asked for
    QVERIFY(r.information.isEmpty());

    // Closing when idle saves and closes at once.
    auto idle = makeWindow(r);
    idle->show();
    QVERIFY(idle->close());
    QCOMPARE(r.saves, 2);
}

void MainWindowTest::folderButtonPicksTrimsAndOpens() {
    Recorder r;
    auto w = makeWindow(r);
    w->show();
    auto* folder = w->control<QLineEdit>("编辑框保存目录");
    auto* choose = w->control<QPushButton>("按钮选择");
    folder->setText(QStringLiteral("/data/out"));

    r.pickedFolder = u("  /srv/结果　");
    QTest::mouseClick(choose, Qt::LeftButton);
    QCOMPARE(folder->text(), u("/srv/结果"));
    r.pickedFolder.clear();  // cancelled
    QTest::mouseClick(choose, Qt::LeftButton);
    QCOMPARE(folder->text(), u("/srv/结果"));

    folder->setText(QStringLiteral("/no/such/folder"));
    QTest::mousePress(choose, Qt::RightButton);
    QCOMPARE(r.opened.size(), 1);
    QCOMPARE(r.opened.front(), QUrl::fromLocalFile(QStringLiteral("/no/such/folder")));
    QCOMPARE(folder->text(), QStringLiteral("/no/such/folder"));
    folder->setText(QStringLiteral("/opt/tool/RUN.EXE"));
    QTest::mousePress(choose, Qt::RightButton);
    QCOMPARE(r.started, QStringList{QStringLiteral("/opt/tool/RUN.EXE")});
    QCOMPARE(r.opened.size(), 1);
}

void MainWindowTest::headerLinksSaveAndOpen() {
    Recorder r;
    auto w = makeWindow(r);
    w->show();
    QTest::mousePress(w->control<QLabel>("链接保存配置"), Qt::LeftButton);
    QCOMPARE(r.saves, 1);
    QCOMPARE(r.information, QStringList{u("保存完毕！")});
    QTest::mouseClick(w->control<QLabel>("图片保存配置"), Qt::LeftButton);
    QCOMPARE(r.saves, 2);
    QTest::mouseClick(w->control<QLabel>("图片软件主页"), Qt::LeftButton);
    QTest::mouseClick(w->control<QLabel>("图片砚溪软件"), Qt::LeftButton);
    QCOMPARE(r.opened.size(), 2);
    QCOMPARE(r.opened[0], QUrl(projectReadmeAddress()));
    QCOMPARE(r.opened[1], QUrl(projectReadmeAddress()));
}

void MainWindowTest::secondHelpClickOpensNothing() {
    Recorder r;
    auto w = makeWindow(r);
    w->show();
    bool checked = false;
    QTimer::singleShot(0, [&] {
        TextDialog* dialog = TextDialog::current();
        QVERIFY(dialog != nullptr);
        QCOMPARE(dialog->windowTitle(), u("疑点说明"));
        QString content = helpText();
        content.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QCOMPARE(dialog->contentBox()->toPlainText(), content);
        QVERIFY(dialog->hintBox()->isHidden());
        QCOMPARE(dialog->size(), QSize(TextDialog::kDesignWidth, TextDialog::kDesignHeight));
        // The second request is refused at once: still the same single dialog.
        QVERIFY(!showTextDialog(u("x"), std::nullopt, u("疑点说明"), w.get()));
        QCOMPARE(TextDialog::current(), dialog);
        QCOMPARE(w->findChildren<TextDialog*>().size(), qsizetype(1));
        checked = true;
        dialog->closeButton()->click();
    });
    QTest::mousePress(w->control<QLabel>("链接疑点说明"), Qt::LeftButton);
    QVERIFY(checked);
    QTRY_VERIFY(TextDialog::current() == nullptr);
}

void MainWindowTest::trayExitAsksAndQuitsWithoutSaving() {
    Recorder r;
    auto w = makeWindow(r);
    w->show();
    auto* tpl = w->control<QLineEdit>("编辑框保存模板");
    tpl->setText(QStringLiteral("changed"));
    r.exitAnswer = false;
    w->trayExitRequested();
    QCOMPARE(r.exitQuestions, QStringList{u("确定要退出《砚溪·搜词取链器》吗？")});
    QCOMPARE(r.quits, 0);
    QVERIFY(w->isVisible());
    QCOMPARE(tpl->text(), QStringLiteral("changed"));

    r.exitAnswer = true;
    w->trayExitRequested();
    QCOMPARE(r.quits, 1);
    QCOMPARE(r.saves, 0);
}

void MainWindowTest::integerBoxesRefuseOtherCharacters() {
    Recorder r;
    auto w = makeWindow(r);
    w->show();
    auto* pages = w->control<QLineEdit>("编辑框采集页数");
    QCOMPARE(pages->text(), u("全部"));  // set by the program, shown as it is
    pages->selectAll();
    QTest::keyClicks(pages, QStringLiteral("1a-2 b"));
    QCOMPARE(pages->text(), QStringLiteral("1-2"));
    QCOMPARE(w->settingsSnapshot().pageLimit, PageLimit{1});  // read as the number it starts with
    auto* ranks = w->control<QLineEdit>("编辑框指定排名");
    QTest::mouseClick(w->control<QCheckBox>("选择框仅指定排名"), Qt::LeftButton);
    ranks->selectAll();
    QTest::keyClicks(ranks, QStringLiteral("1|4"));
    QCOMPARE(ranks->text(), QStringLiteral("1|4"));  // not an integer box
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
