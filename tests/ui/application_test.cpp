// Start-up and shutdown: the program folder, the first activation's background visit
// through the program-wide cookie store, and the settings across two window lifetimes.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "collect/collection_run.h"
#include "support/local_server.h"
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
    return o;
}
}  // namespace

class ApplicationTest : public QObject {
    Q_OBJECT
private slots:
    void programFolderIsTheExecutablesWhenWritable();
    void firstActivationVisitsBaiduInTheBackground();
};

void ApplicationTest::programFolderIsTheExecutablesWhenWritable() {
    QTemporaryDir dir;
    QCOMPARE(chooseProgramFolder(dir.path()), QDir::cleanPath(dir.path()));
    QVERIFY(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden).isEmpty());
    // Not writable (here: missing): the per-user data folder, made on the spot.
    QTemporaryDir data;
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    const QString fallback = chooseProgramFolder(dir.path() + QStringLiteral("/missing"));
    qputenv("XDG_DATA_HOME", oldData);
    QVERIFY(fallback.startsWith(data.path()));
    QVERIFY(QFileInfo(fallback).isDir());
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
        Application program(dir.path(), testOptions());
        program.start();
        MainWindow* window = program.window();
        QVERIFY(window != nullptr);
        QCOMPARE(program.run().userAgent, std::string(kDesktopUserAgent));
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

QTEST_MAIN(ApplicationTest)
#include "application_test.moc"
