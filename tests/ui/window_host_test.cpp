// The run's calls into the window, made from another thread as a run makes them: they
// reach the window's thread in order, answers come back, and shutting down releases a
// waiting run.
#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <thread>

#include "textutil/program_text.h"
#include "ui/main_window.h"
#include "ui/window_host.h"

using namespace lh;

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

// A web view that remembers what it was told and has cookies to give.
class StubWebView : public NullWebView {
public:
    QString currentCookies() override { return cookies; }
    void setCacheFolder(const QString& name) override { folders << name; }
    QString cookies = QStringLiteral("BAIDUID=1; H_PS=2");
    QStringList folders;
};

struct Fixture {
    Fixture() {
        MainWindowSetup setup;
        setup.trayIcon = false;
        setup.webViewFactory = [this](QWidget*) {
            auto view = std::make_unique<StubWebView>();
            stub = view.get();
            return view;
        };
        setup.seams.openUrl = [this](const QUrl& address) { opened << address; };
        setup.seams.verificationQuestion = [this](const QString& text) {
            questions << text;
            return answer;
        };
        window = std::make_unique<MainWindow>(std::move(setup));
    }
    // Runs `work` on a thread of its own while the window's thread handles events.
    void onRunThread(const std::function<void()>& work) {
        std::atomic<bool> done{false};
        std::thread t([&] {
            work();
            done = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(done.load(), 10000);
        t.join();
    }
    std::unique_ptr<MainWindow> window;
    StubWebView* stub = nullptr;
    QStringList questions;
    QList<QUrl> opened;
    bool answer = true;
};

}  // namespace

class WindowHostTest : public QObject {
    Q_OBJECT
private slots:
    void callsFromTheRunThreadReachTheWindowAndAnswersComeBack();
    void waitsEndOnTheStopFlagAndOnShutDown();
    void endBoxNamesTheFolderAndItsButtonOpensIt();
};

void WindowHostTest::callsFromTheRunThreadReachTheWindowAndAnswersComeBack() {
    Fixture f;
    WindowHost& host = f.window->host();
    std::string cookies;
    bool ok = false;
    f.onRunThread([&] {
        host.onRunEvent(PageStarted{"a", 1});
        host.setCacheFolder("Ab3dE5gH");
        host.setVisible(true);
        cookies = host.currentCookies();
        ok = host.askToContinue(gb("请完成验证"));
        host.setVisible(false);
    });
    QCOMPARE(cookies, std::string("BAIDUID=1; H_PS=2"));
    QVERIFY(ok);
    QCOMPARE(f.questions, QStringList{u("请完成验证")});
    QTRY_COMPARE(f.window->statusText(1), u("搜索中......"));
    QCOMPARE(f.window->statusText(0), u("正在读 a 的第 1 页.."));
    QCOMPARE(f.stub->folders, QStringList{QStringLiteral("Ab3dE5gH")});
    // The hide is posted from the run's thread; it may still be queued.
    QTRY_VERIFY(!f.stub->viewVisible());

    // Settings read on the run's thread are what the controls hold now.
    f.window->control<QLineEdit>("编辑框扩展名")->setText(QStringLiteral("csv"));
    std::string extension;
    f.onRunThread([&] { extension = host.settings().fileExtension; });
    QCOMPARE(extension, std::string("csv"));
}

void WindowHostTest::waitsEndOnTheStopFlagAndOnShutDown() {
    Fixture f;
    WindowHost& host = f.window->host();
    // The flag is tested before the first slice: a minute's wait with the flag set ends
    // at once (onRunThread gives up after 10 s).
    std::atomic<bool> stop{true};
    f.onRunThread([&] { host.waitWithEvents(60000, &stop); });

    // Once the window goes away, questions answer no and waits end at once.
    f.answer = false;
    std::atomic<bool> released{false};
    bool answer = true;
    std::thread t([&] {
        host.shutDown();
        answer = host.askToContinue("x");
        host.waitWithEvents(60000, nullptr);
        released = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(released.load(), 10000);
    t.join();
    QVERIFY(!answer);
}

void WindowHostTest::endBoxNamesTheFolderAndItsButtonOpensIt() {
    Fixture f;
    RunEnded ended;
    ended.totalLines = 3;
    ended.saveFolder = "/tmp/out/";
    ended.files = {{"/tmp/out/" + gb("百度_a.txt"), 3}};
    std::atomic<bool> closed{false};
    std::thread run([&] {
        f.window->host().onRunEvent(ended);
        closed = true;
    });
    QMessageBox* box = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT(
        (box = f.window->findChild<QMessageBox*>()) != nullptr && box->isVisible(), 10000);
    QVERIFY(box->text().startsWith(u("已采集完成！总采集数量 3 耗时 ")));
    QVERIFY(box->text().contains(u("结果保存在：/tmp/out/")));
    QVERIFY(box->text().contains(u("  百度_a.txt  3 条")));
    auto* open = box->findChild<QPushButton*>(QStringLiteral("按钮打开文件夹"));
    QVERIFY(open != nullptr);
    QCOMPARE(open->text(), u("打开文件夹"));
    open->click();
    QTRY_VERIFY_WITH_TIMEOUT(closed.load(), 10000);
    run.join();
    QCOMPARE(f.opened, QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/tmp/out/"))});
}

QTEST_MAIN(WindowHostTest)
#include "window_host_test.moc"
