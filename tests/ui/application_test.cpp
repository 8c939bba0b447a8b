// Start-up and shutdown: the program folder, the first activation's background visit
// through the program-wide cookie store, and the settings across two window lifetimes.
#include <sys/stat.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "collect/engine_session.h"
#include "support/local_server.h"
#include "textutil/program_text.h"
#include "ui/application.h"
#include "ui/hidden_navigator.h"
#include "ui/main_window.h"
#include "ui/program_folder.h"
#include "web/cookie_store.h"
#include "web/network_overrides.h"
#include "web/request_profiles.h"

using namespace lh;

namespace {
QString u(const char* s) { return QString::fromUtf8(s); }

Application::Options testOptions() {
    Application::Options o;
    o.webEngine = false;
    o.trayIcon = false;
    o.firstActivationVisit = false;  // no visit to the real Baidu
    return o;
}
}  // namespace

class ApplicationTest : public QObject {
    Q_OBJECT
private slots:
    void programFolderIsTheExecutablesWhenWritable();
    void firstActivationVisitsBaiduInTheBackground();
    void settingsComeBackInTheNextWindow();
    void qtsOwnButtonsSpeakChinese();
};

void ApplicationTest::programFolderIsTheExecutablesWhenWritable() {
    // A writable program folder without a settings file or "portable" marker (a build
    // tree): the per-user data folder, made on the spot and private.
    QTemporaryDir dir;
    QTemporaryDir data;
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    const QString fallback = chooseProgramFolder(dir.path());
    QFile(dir.path() + QStringLiteral("/portable")).open(QIODevice::WriteOnly);
    const QString portable = chooseProgramFolder(dir.path());
    qputenv("XDG_DATA_HOME", oldData);
    QCOMPARE(fallback, data.path() + QStringLiteral("/linkharvest/linkharvest"));
    QVERIFY(QFileInfo(fallback).isDir());
    // It will hold the settings and the cookie files: made for the user alone.
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(fallback).constData(), &st), 0);
    QCOMPARE(st.st_mode & 07777u, 0700u);
    QCOMPARE(portable, QDir::cleanPath(dir.path()));
    QCOMPARE(settingsFilePath(dir.path()), dir.path() + u("/砚溪·搜词取链器.ini"));
}

void ApplicationTest::firstActivationVisitsBaiduInTheBackground() {
    test::LocalServer server(test::LocalServer::Scheme::Https);
    test::ScriptedAnswer answer = test::ScriptedAnswer::html("<html>ok</html>");
    answer.headers.push_back("Set-Cookie: BAIDUID=abc123; path=/; domain=.baidu.com");
    server.setDefaultAnswer(answer);
    NetworkOverrides::instance().addConnectTo("www.baidu.com", 443, "127.0.0.1", server.port());
    QVERIFY(NetworkOverrides::instance().setExtraCaFile(test::LocalServer::caFile()));
    CookieStore::instance().clear();

    QTemporaryDir dir;
    {
        Application::Options options = testOptions();
        options.firstActivationVisit = true;  // routed to the local server above
        Application program(dir.path(), options);
        program.start();
        MainWindow* window = program.window();
        QVERIFY(window != nullptr);
        QCOMPARE(program.session().userAgent, std::string(kDesktopUserAgent));
        QCOMPARE(program.navigator().userAgent(), std::string(kDesktopUserAgent));
        QApplication::setActiveWindow(window);
        QTRY_VERIFY(window->isActiveWindow());
        QVERIFY(server.waitForRequests(1, std::chrono::seconds(10)));
        const test::RecordedRequest request = server.lastRequest();
        QCOMPARE(request.target, std::string("/baidu?word=%D1%E2%CF%AA&tn=myie2&ch=3"));
        QCOMPARE(request.header("Host"), std::string("www.baidu.com"));
        QCOMPARE(request.header("User-Agent"), std::string(kTransportUserAgent));
        QVERIFY(program.navigator().waitIdle(10000));
        QCOMPARE(systemCookies("www.baidu.com", "BAIDUID"), std::string("BAIDUID=abc123"));
        // A second activation visits nothing more.
        window->hide();
        window->show();
        QApplication::setActiveWindow(window);
        QTest::qWait(50);
        QVERIFY(program.navigator().waitIdle(10000));
        QCOMPARE(server.requestCount(), std::size_t(1));
        window->close();
    }
    NetworkOverrides::instance().clear();
    CookieStore::instance().clear();
}

void ApplicationTest::settingsComeBackInTheNextWindow() {
    QTemporaryDir dir;
    const QString ini = settingsFilePath(dir.path());
    {
        Application program(dir.path(), testOptions());
        program.start();
        MainWindow* w = program.window();
        QVERIFY(QFile::exists(ini));  // created empty at start
        QCOMPARE(QFileInfo(ini).size(), qint64(0));
        w->control<QPlainTextEdit>("编辑框关键词")->setPlainText(u("手机\n电脑"));
        w->control<QRadioButton>("单选框谷歌")->setChecked(true);
        w->control<QCheckBox>("选择框合并保存")->setChecked(true);
        w->control<QCheckBox>("选择框自动去重")->setChecked(false);
        w->control<QLineEdit>("编辑框指定排名")->setText(QString());
        w->control<QLineEdit>("编辑框保存模板")->setText(u("#网址#"));
        w->control<QComboBox>("组合框采集模式")->setCurrentIndex(1);
        QVERIFY(w->close());
    }
    QFile file(ini);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    QVERIFY(saved.startsWith(QByteArray::fromStdString(gb("[主界面]\r\n"))));
    QVERIFY(!saved.endsWith("\r\n"));
    QVERIFY(saved.contains(QByteArray::fromStdString(gb("\r\n单选框谷歌=真\r\n"))));
    QFile side(dir.path() + u("/inibin/主界面-编辑框关键词.ibn"));
    QVERIFY(side.open(QIODevice::ReadOnly));
    QCOMPARE(side.readAll(), QByteArray::fromStdString(gb("手机\r\n电脑")));
    side.close();
    {
        Application program(dir.path(), testOptions());
        program.start();
        MainWindow* w = program.window();
        QCOMPARE(w->control<QPlainTextEdit>("编辑框关键词")->toPlainText(), u("手机\n电脑"));
        QVERIFY(w->control<QRadioButton>("单选框谷歌")->isChecked());
        QVERIFY(!w->control<QRadioButton>("单选框百度")->isChecked());
        QVERIFY(!w->control<QCheckBox>("选择框自动去重")->isChecked());
        QCOMPARE(w->control<QLineEdit>("编辑框指定排名")->text(), QString());
        QCOMPARE(w->control<QLineEdit>("编辑框保存模板")->text(), u("#网址#"));
        QCOMPARE(w->control<QComboBox>("组合框采集模式")->currentIndex(), 1);
        // The enabling rules follow the restored states.
        QVERIFY(w->control<QCheckBox>("选择框关键词分割线")->isEnabled());
        QVERIFY(w->control<QComboBox>("组合框采集模式")->isHidden());
        QCOMPARE(w->settingsSnapshot().engine, SearchEngine::Google);
        // An empty keyword list is not kept: the next start shows the design default.
        w->control<QPlainTextEdit>("编辑框关键词")->setPlainText(QString());
        QVERIFY(w->close());
    }
    {
        Application program(dir.path(), testOptions());
        program.start();
        QCOMPARE(program.window()->control<QPlainTextEdit>("编辑框关键词")->toPlainText(),
                 u("外星人\n2012"));
        // Ending without closing the window (the tray's exit) skips the close-time save.
        program.window()->control<QLineEdit>("编辑框扩展名")->setText(QStringLiteral("csv"));
    }
    {
        Application program(dir.path(), testOptions());
        program.start();
        QCOMPARE(program.window()->control<QLineEdit>("编辑框扩展名")->text(),
                 QStringLiteral("txt"));
    }
}

void ApplicationTest::qtsOwnButtonsSpeakChinese() {
    QTemporaryDir dir;
    Application program(dir.path(), testOptions());
    program.start();
    QMessageBox box(QMessageBox::NoIcon, QString(), QString(),
                    QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(box.button(QMessageBox::Ok)->text(), u("确定"));
    QCOMPARE(box.button(QMessageBox::Cancel)->text(), u("取消"));
    QVERIFY(program.window()->close());
}

QTEST_MAIN(ApplicationTest)
#include "application_test.moc"
