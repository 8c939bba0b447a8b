#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>

#include "collect/engine_catalogue.h"
#include "collect/persisted_options.h"
#include "collect/run_status_texts.h"
#include "linkharvest/version.h"
#include "ui/click_label.h"
#include "ui/help_text.h"
#include "ui/text_dialog.h"
#include "ui/ui_text.h"
#include "ui/window_geometry.h"
#include "ui/window_host.h"
#include "web/request_profiles.h"

// Qt resources of a static library are registered by hand, outside any namespace.
static void registerResources() { Q_INIT_RESOURCE(resources); }

namespace lh {

namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

const char* const kTagProperty = "lhTag";

// Visiting order of the settings store: the header's controls, the engine buttons from
// the last in control order to the first, then the rest.
constexpr const char* kStoredBefore[] = {
    "选择框删除缓存",
    "选择框自动关闭验证窗口",
    "组合框采集模式",
    "按钮10",
};
constexpr const char* kStoredAfter[] = {
    "按钮8",
    "按钮7",
    "按钮5",
    "按钮4",
    "按钮3",
    "按钮2",
    "按钮1",
    "按钮6",
    "编辑框关键词",
    "按钮立即采集",
    "选择框合并保存",
    "选择框自动去重",
    "选择框英文站搜索",
    "选择框关键词分割线",
    "选择框忽略自家",
    "选择框www非顶级",
    "选择框总是解析跳转",
    "编辑框同时解析数",
    "选择框继续采集",
    "编辑框每页采集数",
    "编辑框采集页数",
    "选择框仅指定排名",
    "编辑框指定排名",
    "编辑框扩展名",
    "按钮选择",
    "编辑框保存模板",
    "编辑框保存目录",
    "编辑框代理服务器",
};

// Where the engine buttons sit, in the engines' control order: rows of four, three, three.
constexpr QRect kEngineButtonCells[] = {
    {328, 116, 104, 24}, {440, 116, 104, 24}, {559, 116, 88, 24}, {654, 116, 104, 24},
    {328, 144, 104, 24}, {440, 144, 104, 24}, {559, 144, 88, 24}, {328, 172, 104, 24},
    {440, 172, 104, 24}, {559, 172, 104, 24},
};

// A control's design-time text or state, from the table of persisted options.
QString designText(const char* control) {
    return QString::fromUtf8(optionOfControl(control)->defaultText);
}
bool designOn(const char* control) { return optionOfControl(control)->defaultText == "on"; }

const char* const kAnchorTemplate =
    "<a href=\"#网址#\" target=\"_blank\">#标题#</a><br>#描述#<br><br>";

template <class T>
T* named(T* widget, const char* name) {
    widget->setObjectName(u(name));
    return widget;
}

void setBlue(QWidget* w) {
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, QColor(0, 0, 255));
    w->setPalette(p);
}

void setWhiteBackground(QWidget* w) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, Qt::white);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

}  // namespace

QString MainWindow::windowTitleText() {
    return u("砚溪·搜词取链器  v") + QString::fromLatin1(kVersionWithBuild);
}

MainWindow::MainWindow(MainWindowSetup setup, QWidget* parent)
    : QMainWindow(parent), setup_(std::move(setup)), host_(std::make_unique<WindowHost>(*this)) {
    static std::once_flag resources;
    std::call_once(resources, registerResources);
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(windowTitleText());
    setWindowIcon(QIcon(QStringLiteral(":/app_icon.png")));
    setFont(songFont(15));
    keepOuterSize(this, QSize(kOuterWidth, kOuterHeight), true);
    move(50, 50);
    buildControls();
    webView_ = setup_.webViewFactory ? setup_.webViewFactory(this) : nullptr;
    if (!webView_) webView_ = std::make_unique<NullWebView>();
    if (QWidget* view = webView_->widget()) {
        view->setObjectName(u("浏览器"));
        view->setGeometry(24, 184, 600, 400);
        view->hide();
    }
    webView_->move(rect());
    connectControls();
    refreshSnapshot();

    // Creation: tray icon, restore, the enabling rules in order, user agent.
    if (setup_.trayIcon && QSystemTrayIcon::isSystemTrayAvailable()) {
        tray_ = new QSystemTrayIcon(QIcon(QStringLiteral(":/tray.png")), this);
        tray_->setToolTip(programTitle());
        connect(tray_, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger) {
                        if (isVisible()) {
                            hide();
                        } else {
                            bringToFront();
                        }
                    } else if (reason == QSystemTrayIcon::Context) {
                        trayExitRequested();
                    }
                });
        tray_->show();
    }
    if (setup_.restoreControls) setup_.restoreControls(*this);
    applyMergeRule();
    applyRanksRule();
    applyBaiduModeRule();
    refreshSnapshot();
    webView_->setUserAgent(QString::fromLatin1(kDesktopUserAgent.data(), kDesktopUserAgent.size()));
}

MainWindow::~MainWindow() {
    host_->shutDown();
    if (runThread_.joinable()) {
        if (setup_.requestStop) setup_.requestStop();
        runThread_.join();
    }
    webView_.reset();
}

void MainWindow::buildControls() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("client"));
    setCentralWidget(central);

    // Header strip: a white panel with pictures, links and three options.
    auto* panel = named(new QWidget(central), "图片框1");
    panel->setGeometry(0, 0, 1184, 88);
    setWhiteBackground(panel);
    auto* separator = named(new QFrame(central), "标签5");
    separator->setGeometry(1, 88, 2028, 2);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);

    auto picture = [panel](const char* name, const QString& image, int x, int y, int w, int h) {
        auto* label = named(new ClickLabel(panel), name);
        label->setGeometry(x, y, w, h);
        label->setPixmap(QPixmap(image));
        label->setAlignment(Qt::AlignCenter);
        label->setCursor(Qt::PointingHandCursor);
        return label;
    };
    auto link = [panel](const char* name, const char* caption, int x, int y) {
        auto* label = named(new ClickLabel(panel), name);
        label->setGeometry(x, y, 64, 24);
        label->setFont(songFont(12));
        label->setText(u(caption));
        label->setAlignment(Qt::AlignCenter);
        label->setCursor(Qt::PointingHandCursor);
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, QColor(0, 0, 204));
        label->setPalette(p);
        QFont f = label->font();
        f.setUnderline(true);
        label->setFont(f);
        return label;
    };
    auto* savePic = picture("图片保存配置", QStringLiteral(":/save_settings.png"), 8, 0, 64, 64);
    auto* saveLink = link("链接保存配置", "保存配置", 8, 64);
    auto* helpPic = picture("图片疑点说明", QStringLiteral(":/help.png"), 90, 0, 64, 64);
    auto* helpLink = link("链接疑点说明", "疑点说明", 90, 64);
    auto* homePic = picture("图片软件主页", QStringLiteral(":/home_page.png"), 172, 0, 64, 64);
    auto* homeLink = link("链接软件主页", "软件主页", 172, 64);
    homeLink->setProperty("target", projectReadmeAddress());
    homeLink->setToolTip(projectReadmeAddress());
    auto* contactPic = picture("图片联系作者", QStringLiteral(":/contact.png"), 254, 0, 64, 64);
    auto* contactLink = link("链接联系作者", "联系作者", 254, 64);
    contactLink->setProperty("target", projectReadmeAddress());
    contactLink->setToolTip(projectReadmeAddress());
    auto* logo = picture("图片砚溪软件", QStringLiteral(":/logo.png"), 448, 12, 195, 64);

    connect(savePic, &ClickLabel::clicked, this, &MainWindow::saveSettingsClicked);
    connect(saveLink, &ClickLabel::pressed, this, &MainWindow::saveSettingsClicked);
    connect(helpPic, &ClickLabel::clicked, this, &MainWindow::showHelp);
    connect(helpLink, &ClickLabel::pressed, this, &MainWindow::showHelp);
    connect(homePic, &ClickLabel::clicked, this,
            [this, homeLink] { openAddress(QUrl(homeLink->property("target").toString())); });
    connect(homeLink, &ClickLabel::clicked, this,
            [this, homeLink] { openAddress(QUrl(homeLink->property("target").toString())); });
    connect(contactPic, &ClickLabel::clicked, this,
            [this, contactLink] { openAddress(QUrl(contactLink->property("target").toString())); });
    connect(contactLink, &ClickLabel::clicked, this,
            [this, contactLink] { openAddress(QUrl(contactLink->property("target").toString())); });
    connect(logo, &ClickLabel::clicked, this,
            [this] { openAddress(QUrl(projectReadmeAddress())); });

    auto* mode = named(new QComboBox(panel), "组合框采集模式");
    mode->setGeometry(760, 7, 136, 23);
    mode->addItems({u("百度：采集模式2"), u("百度：采集模式3")});
    mode->setCurrentIndex(0);
    mode->setEditable(false);
    // Tight padding so "百度：采集模式2" fits the design width at 15 pixels.
    mode->setStyleSheet(QStringLiteral(
        "QComboBox { padding: 0px 0px 0px 3px; border: 1px solid #a0a0a0; background: white; }"
        "QComboBox::drop-down { width: 14px; border: 0px; }"
        "QComboBox::down-arrow { image: url(:/combo_arrow.png); }"));
    mode->hide();
    auto* autoClose = named(new QCheckBox(u("自动关闭验证界面"), panel), "选择框自动关闭验证窗口");
    autoClose->setGeometry(760, 34, 152, 24);
    auto* clearCache = named(new QCheckBox(u("验证时自动清除缓存"), panel), "选择框删除缓存");
    clearCache->setGeometry(760, 56, 168, 24);

    // Keywords.
    auto label = [central](const char* name, const char* caption, int x, int y, int w, bool blue) {
        auto* l = named(new QLabel(u(caption), central), name);
        l->setGeometry(x, y, w, 24);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        if (blue) setBlue(l);
        return l;
    };
    auto button = [central](const char* name, const char* caption, int x, int y, int w, int h) {
        auto* b = named(new QPushButton(u(caption), central), name);
        b->setGeometry(x, y, w, h);
        b->setProperty(kTagProperty, QString());
        b->setAutoDefault(false);
        return b;
    };
    auto check = [central](const char* name, const char* caption, int x, int y, int w) {
        auto* c = named(new QCheckBox(u(caption), central), name);
        c->setGeometry(x, y, w, 24);
        c->setChecked(designOn(name));
        return c;
    };
    auto edit = [central](const char* name, int x, int y, int w, bool centred) {
        auto* e = named(new QLineEdit(designText(name), central), name);
        e->setGeometry(x, y, w, 24);
        if (centred) e->setAlignment(Qt::AlignCenter);
        return e;
    };

    label("标签2", "输入关键词列表：", 16, 112, 128, false);
    auto* paste = button("按钮6", "粘贴", 144, 112, 88, 24);
    connect(paste, &QPushButton::clicked, this, &MainWindow::pasteKeywords);
    keywordEdit_ = named(new QPlainTextEdit(central), "编辑框关键词");
    keywordEdit_->setGeometry(16, 140, 216, 348);
    keywordEdit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    keywordEdit_->setPlainText(fromProgramLines(gb(optionOfControl("编辑框关键词")->defaultText)));
    keywordEdit_->setProperty(kTagProperty, u("字节集方式"));

    // Search engine: one group of ten.
    label("标签4", "搜索引擎：", 248, 144, 80, true);
    const std::vector<const EngineProfile*> engines = enginesInControlOrder();
    for (std::size_t i = 0; i < engines.size() && i < std::size(kEngineButtonCells); ++i) {
        auto* radio = new QRadioButton(qtText(engines[i]->displayName), central);
        radio->setObjectName(qtText(engines[i]->radioButton));
        radio->setGeometry(kEngineButtonCells[i]);
        radio->setAutoExclusive(true);
    }
    const PersistedOption& engineOption = *optionNamed("engine");
    if (const EngineProfile* designEngine = engineNamed(engineOption.defaultText)) {
        radioOf(*designEngine)->setChecked(true);
    }

    // Output template.
    label("标签6", "保存模板：", 248, 223, 80, true);
    templateEdit_ = edit("编辑框保存模板", 328, 210, 584, false);
    const struct {
        const char* name;
        const char* caption;
        int x, w;
    } placeholders[] = {
        {"按钮1", "#标题#", 328, 60}, {"按钮2", "#网址#", 389, 60},
        {"按钮3", "#域名#", 450, 60}, {"按钮4", "#顶级域名#", 511, 90},
        {"按钮8", "#描述#", 602, 60}, {"按钮10", "#关键词#", 663, 80},
    };
    for (const auto& p : placeholders) {
        QPushButton* b = button(p.name, p.caption, p.x, 237, p.w, 24);
        connect(b, &QPushButton::clicked, this, [this, b] { insertIntoTemplate(b->text()); });
    }
    auto* anchor = button("按钮7", "锚文本", 744, 237, 70, 24);
    connect(anchor, &QPushButton::clicked, this,
            [this] { insertIntoTemplate(u(kAnchorTemplate)); });
    auto* clearTemplate = button("按钮5", "清除模板", 832, 237, 80, 24);
    connect(clearTemplate, &QPushButton::clicked, this,
            [this] { templateEdit_->setText(QString()); });

    // Start/stop.
    startButton_ = button("按钮立即采集", "", 248, 286, 664, 64);
    startButton_->setText(qtText(status_text::caption(RunState::Idle)));
    startButton_->setFont(songFont(32, true));
    connect(startButton_, &QPushButton::clicked, this, &MainWindow::startStopClicked);

    // Options.
    check("选择框合并保存", "所有关键词保存一处", 247, 364, 176);
    check("选择框自动去重", "自动去除重复", 512, 364, 160);
    check("选择框英文站搜索", "谷歌必应使用 COM 站", 687, 364, 225);
    check("选择框关键词分割线", "使用分割线隔开保存", 247, 391, 176);
    check("选择框忽略自家", "忽略搜索自家", 512, 391, 160);
    check("选择框www非顶级", "www.不视为顶级域名", 686, 391, 226);

    // Paging and ranks.
    label("标签7", "每页数量：", 248, 436, 80, true);
    auto* perPage = edit("编辑框每页采集数", 328, 436, 56, true);
    label("标签1", "采集页数：", 424, 436, 80, true);
    auto* pages = edit("编辑框采集页数", 504, 436, 56, true);
    for (QLineEdit* e : {perPage, pages}) e->installEventFilter(this);
    check("选择框仅指定排名", "仅采集指定排名：", 664, 436, 152);
    edit("编辑框指定排名", 808, 436, 104, true);

    // Save folder; the ".." button sits inside the folder box's right end.
    label("标签3", "保存目录：", 248, 469, 80, true);
    auto* folder = edit("编辑框保存目录", 328, 469, 539, false);
    folder->setText(qtText(defaultSaveFolder()));
    folder->setTextMargins(0, 0, 36, 0);
    auto* choose = button("按钮选择", "..", 833, 471, 30, 20);
    choose->raise();
    choose->installEventFilter(this);
    connect(choose, &QPushButton::clicked, this, &MainWindow::chooseFolder);
    edit("编辑框扩展名", 872, 469, 40, true);

    // Link look-ups: on, also results whose page names the target go to the redirector.
    check("选择框总是解析跳转", "总是解析跳转链接", 247, 497, 176);
    // How many of a page's links are looked up at once.
    label("标签8", "同时解析：", 424, 497, 80, true);
    edit("编辑框同时解析数", 504, 497, 56, true)->installEventFilter(this);
    // A stopped run's journal in the save folder: go on where it stopped.
    check("选择框继续采集", "继续上次未完成的采集", 687, 497, 225);

    // Proxies, one a line, taken by the keywords in turn; empty: the system's settings.
    label("标签代理", "代理列表：", 248, 525, 80, true);
    auto* proxies = named(new QPlainTextEdit(central), "编辑框代理服务器");
    proxies->setGeometry(328, 525, 584, 44);
    proxies->setPlaceholderText(u("每行一个代理（如 http://127.0.0.1:8080），按关键词轮流使用；"
                                  "留空用系统设置"));
    proxies->setProperty(kTagProperty, u("字节集方式"));

    // Status bar: two panes.
    auto* bar = named(new QStatusBar(this), "状态条");
    bar->setSizeGripEnabled(false);
    setStatusBar(bar);
    statusPane0_ = new QLabel(u("关键词 页号"), bar);
    statusPane0_->setFixedWidth(450);
    statusPane1_ = new QLabel(u("标题 网址"), bar);
    statusPane1_->setMinimumWidth(1);
    bar->addWidget(statusPane0_);
    bar->addWidget(statusPane1_, 1);
    stopHintPane_ = new QLabel(bar);
    stopHintPane_->hide();
    bar->addPermanentWidget(stopHintPane_);

    const auto store = [this](QWidget* w) {
        if (w != nullptr) storedControls_.push_back(w);
    };
    for (const char* name : kStoredBefore) store(control(u(name)));
    for (auto e = engines.rbegin(); e != engines.rend(); ++e) store(radioOf(**e));
    for (const char* name : kStoredAfter) store(control(u(name)));
}

void MainWindow::connectControls() {
    for (QWidget* w : storedControls_) {
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            connect(e, &QLineEdit::textChanged, this, &MainWindow::refreshSnapshot);
        } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
            connect(p, &QPlainTextEdit::textChanged, this, &MainWindow::refreshSnapshot);
        } else if (auto* b = qobject_cast<QAbstractButton*>(w); b != nullptr && b->isCheckable()) {
            connect(b, &QAbstractButton::toggled, this, &MainWindow::refreshSnapshot);
        } else if (auto* c = qobject_cast<QComboBox*>(w)) {
            connect(c, &QComboBox::currentIndexChanged, this, &MainWindow::refreshSnapshot);
        }
    }
    connect(control<QCheckBox>("选择框合并保存"), &QCheckBox::clicked, this,
            &MainWindow::applyMergeRule);
    connect(control<QCheckBox>("选择框仅指定排名"), &QCheckBox::clicked, this,
            &MainWindow::applyRanksRule);
    for (const EngineProfile& engine : engineCatalogue()) {
        connect(radioOf(engine), &QRadioButton::clicked, this, &MainWindow::applyBaiduModeRule);
    }
}

QWidget* MainWindow::control(const QString& name) const {
    if (QWidget* view = webView_ ? webView_->widget() : nullptr;
        view != nullptr && view->objectName() == name) {
        return view;
    }
    return findChild<QWidget*>(name);
}

QString MainWindow::tagOf(const QWidget* control) {
    return control->property(kTagProperty).toString();
}

QRadioButton* MainWindow::radioOf(const EngineProfile& engine) const {
    return qobject_cast<QRadioButton*>(control(qtText(engine.radioButton)));
}

void MainWindow::refreshSnapshot() {
    CollectionSettings s;
    for (const PersistedOption& option : persistedOptions()) {
        const QString name = QString::fromUtf8(option.control);
        switch (option.kind) {
        case OptionKind::Engine:
            s.engine = SearchEngine::None;
            for (const EngineProfile* engine : enginesInControlOrder()) {
                if (radioOf(*engine)->isChecked()) s.engine = engine->id;
            }
            break;
        case OptionKind::KeywordList:
            setFromControlText(option, s, toProgramLines(keywordEdit_->toPlainText()));
            break;
        case OptionKind::ProxyList:
            setFromControlText(
                option, s,
                toProgramLines(qobject_cast<QPlainTextEdit*>(control(name))->toPlainText()));
            break;
        case OptionKind::Flag:
            setFlag(option, s, qobject_cast<QCheckBox*>(control(name))->isChecked());
            break;
        case OptionKind::Choice:
            setChoice(option, s, qobject_cast<QComboBox*>(control(name))->currentIndex());
            break;
        default:
            setFromControlText(option, s,
                               programText(qobject_cast<QLineEdit*>(control(name))->text()));
            break;
        }
    }
    std::lock_guard<std::mutex> lock(snapshotMutex_);
    snapshot_ = std::move(s);
}

CollectionSettings MainWindow::settingsSnapshot() const {
    std::lock_guard<std::mutex> lock(snapshotMutex_);
    return snapshot_;
}

void MainWindow::applyMergeRule() {
    control<QCheckBox>("选择框关键词分割线")
        ->setEnabled(control<QCheckBox>("选择框合并保存")->isChecked());
}

void MainWindow::applyRanksRule() {
    control<QLineEdit>("编辑框指定排名")
        ->setEnabled(control<QCheckBox>("选择框仅指定排名")->isChecked());
}

void MainWindow::applyBaiduModeRule() {
    // The mode list concerns the engines downloaded by the Baidu download mode.
    bool baidu = false;
    for (const EngineProfile& engine : engineCatalogue()) {
        baidu = baidu ||
                (engine.fetch == FetchRecipe::BaiduDownloadMode && radioOf(engine)->isChecked());
    }
    control<QComboBox>("组合框采集模式")->setVisible(baidu);
}

void MainWindow::insertIntoTemplate(const QString& text) { templateEdit_->insert(text); }

void MainWindow::chooseFolder() {
    QLineEdit* folder = control<QLineEdit>("编辑框保存目录");
    const QString start = folder->text();
    const QString title = u("请选择一个文件夹");
    QString chosen = setup_.seams.pickFolder
                         ? setup_.seams.pickFolder(start)
                         : QFileDialog::getExistingDirectory(this, title, start);
    chosen = qtText(trimSpaces(programText(chosen)));
    if (!chosen.isEmpty()) folder->setText(chosen);
}

void MainWindow::showInExplorer(const QString& path) {
    if (path.right(4).compare(QStringLiteral(".exe"), Qt::CaseInsensitive) == 0) {
        startProgram(path, {});
        return;
    }
    openAddress(QUrl::fromLocalFile(path));
}

void MainWindow::openAddress(const QUrl& address) {
    if (setup_.seams.openUrl) {
        setup_.seams.openUrl(address);
    } else if (!showBuiltInDocument(address, this)) {
        QDesktopServices::openUrl(address);
    }
}

void MainWindow::startProgram(const QString& program, const QStringList& arguments) {
    if (setup_.seams.startProgram) {
        setup_.seams.startProgram(program, arguments);
    } else {
        QProcess::startDetached(program, arguments);
    }
}

void MainWindow::showInformation(const QString& text) {
    if (setup_.seams.information) {
        setup_.seams.information(text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, windowTitleText(), text, QMessageBox::Ok, this);
    box.exec();
}

void MainWindow::saveSettingsClicked() {
    if (setup_.saveControls) setup_.saveControls(*this);
    showInformation(u("保存完毕！"));
}

void MainWindow::showHelp() { showTextDialog(helpText(), std::nullopt, u("疑点说明"), this); }

void MainWindow::pasteKeywords() { keywordEdit_->setPlainText(QApplication::clipboard()->text()); }

void MainWindow::bringToFront() {
    const bool wasOnTop = windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    if (wasOnTop) setWindowFlag(Qt::WindowStaysOnTopHint, false);
    QCoreApplication::processEvents();
    if (!isVisible()) show();
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
    if (wasOnTop) {
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
        show();
    }
    setFocus();
}

void MainWindow::trayExitRequested() {
    const QString question = u("确定要退出《") + programTitle() + u("》吗？");
    bool ok;
    if (setup_.seams.exitQuestion) {
        ok = setup_.seams.exitQuestion(question);
    } else {
        ok = QMessageBox::question(this, programTitle(), question,
                                   QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
    }
    if (!ok) return;
    quitWithoutSave_ = true;
    if (runActive_) {
        // Ends as soon as the run has returned; nothing is saved on this path.
        emit closingDuringRun();
        host_->shutDown();
        host_->noteStopClicked();
        return;
    }
    if (setup_.seams.quit) {
        setup_.seams.quit();
    } else {
        QCoreApplication::quit();
    }
}

void MainWindow::startStopClicked() {
    if (runActive_) {
        setCaptionNow(qtText(status_text::caption(RunState::Stopping)));
        host_->noteStopClicked();
        return;
    }
    if (!setup_.runCollection) return;
    runActive_ = true;
    host_->beginRun();
    setCaptionNow(qtText(status_text::caption(RunState::Running)));
    setMergeEnabledNow(false);
    runThread_ = std::thread([this] {
        setup_.runCollection(*host_);
        QMetaObject::invokeMethod(
            this, [this] { onRunThreadDone(); }, Qt::QueuedConnection);
    });
}

void MainWindow::onRunThreadDone() {
    if (runThread_.joinable()) runThread_.join();
    runActive_ = false;
    // Idle again whatever the run left behind (its own last updates arrived before this).
    host_->beginRun();
    setCaptionNow(qtText(status_text::caption(RunState::Idle)));
    setMergeEnabledNow(true);
    emit runFinished();
    if (quitWithoutSave_) {
        if (setup_.seams.quit) {
            setup_.seams.quit();
        } else {
            QCoreApplication::quit();
        }
        return;
    }
    if (closeAfterRun_) close();
}

QString MainWindow::statusText(int pane) const {
    return pane == 0 ? statusPane0_->text() : statusPane1_->text();
}

void MainWindow::setStatusTextNow(int pane, const QString& text) {
    (pane == 0 ? statusPane0_ : statusPane1_)->setText(text);
}

void MainWindow::setCaptionNow(const QString& caption) { startButton_->setText(caption); }

void MainWindow::setMergeEnabledNow(bool enabled) {
    control<QCheckBox>("选择框合并保存")->setEnabled(enabled);
}

void MainWindow::setStopHintNow(const QString& hint) {
    startButton_->setToolTip(hint);
    stopHintPane_->setText(hint);
    stopHintPane_->setVisible(!hint.isEmpty());
}

QString MainWindow::stopHint() const { return stopHintPane_->text(); }

void MainWindow::setWebViewVisible(bool visible) {
    webView_->move(rect());
    webView_->setViewVisible(visible);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (runActive_) {
        // Stop the run, keep what the user set, and close once the run has returned.
        event->ignore();
        if (!closeAfterRun_) {
            closeAfterRun_ = true;
            if (setup_.saveControls) setup_.saveControls(*this);
            emit closingDuringRun();
            host_->shutDown();
            setCaptionNow(qtText(status_text::caption(RunState::Stopping)));
            host_->noteStopClicked();
        }
        return;
    }
    if (!closeAfterRun_ && !quitWithoutSave_ && setup_.saveControls) setup_.saveControls(*this);
    if (tray_) tray_->hide();
    event->accept();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    webView_->move(rect());
}

bool MainWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && !activatedOnce_) {
        activatedOnce_ = true;
        if (setup_.firstActivation) setup_.firstActivation();
    }
    return QMainWindow::event(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        // Integer input: typed characters other than digits and "-" are refused.
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString typed = key->text();
        if (qobject_cast<QLineEdit*>(watched) != nullptr && !typed.isEmpty() &&
            typed.at(0).isPrint()) {
            for (QChar c : typed) {
                if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && c != QLatin1Char('-'))
                    return true;
            }
        }
    } else if (event->type() == QEvent::InputMethod &&
               qobject_cast<QLineEdit*>(watched) != nullptr) {
        return true;  // composed (non-digit) text into an integer box
    } else if (event->type() == QEvent::MouseButtonPress &&
               watched->objectName() == u("按钮选择")) {
        if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
            showInExplorer(control<QLineEdit>("编辑框保存目录")->text());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace lh
