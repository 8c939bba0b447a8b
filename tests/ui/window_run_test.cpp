// Whole runs started from the window against the local mock engines: files written,
// the window's thread never held up, the verification question answered through the
// window.
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "collect/collection_driver.h"
#include "support/mock_engine_server.h"
#include "textutil/program_text.h"
#include "ui/application.h"
#include "ui/main_window.h"
#include "ui/ui_text.h"
#include "web/cookie_store.h"

using namespace lh;

namespace {

QString u(const char* s) { return QString::fromUtf8(s); }

std::string readFile(const QString& path) {
    std::ifstream in(nativePath(programText(path)), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

long lineCount(const QString& path) {
    const std::string text = readFile(path);
    return static_cast<long>(std::count(text.begin(), text.end(), '\n'));
}

// Times every event the window's thread handles (outermost deliveries only): how long
// the thread was busy at a stretch, which is what would freeze the window.
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        if (depth_++ > 0) {
            const bool handled = QApplication::notify(receiver, event);
            depth_--;
            return handled;
        }
        QElapsedTimer t;
        t.start();
        const bool handled = QApplication::notify(receiver, event);
        longestDispatchMs = std::max(longestDispatchMs, t.elapsed());
        depth_--;
        return handled;
    }
    static inline qint64 longestDispatchMs = 0;

private:
    int depth_ = 0;
};

// Longest time between two ticks of a 5 ms timer on the window's thread.
class TickWatch : public QObject {
public:
    TickWatch() {
        timer_.setTimerType(Qt::PreciseTimer);
        connect(&timer_, &QTimer::timeout, this, [this] {
            const qint64 now = clock_.elapsed();
            if (ticks_ > 0) longest_ = std::max(longest_, now - last_);
            last_ = now;
            ticks_++;
        });
        clock_.start();
        timer_.start(5);
    }
    qint64 longestGapMs() const { return longest_; }
    long long ticks() const { return ticks_; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
    long long ticks_ = 0;
};

struct Answers {
    QStringList endMessages;
    QStringList questions;
    int questionsBeforeCancel = 1;
    QStringList failureTitles;
};

Application::Options options(Answers& a, int waitDivisor = 1000) {
    Application::Options o;
    o.webEngine = false;
    o.trayIcon = false;
    o.waitDivisor = waitDivisor;  // 1000: 5-7 s pauses become 5-7 ms
    o.seams.information = [&a](const QString& text) { a.endMessages << text; };
    o.seams.verificationQuestion = [&a](const QString& text) {
        a.questions << text;
        return a.questions.size() < a.questionsBeforeCancel + 1;
    };
    o.seams.failureReport = [&a](const QString& title, const QString&, const QString&) {
        a.failureTitles << title;
    };
    return o;
}

}  // namespace

class WindowRunTest : public QObject {
    Q_OBJECT
private slots:
    void fiveKeywordRunWritesFilesWhileTheWindowStaysResponsive();
    void verificationIsAskedThroughTheWindowAndCancelStops();
    void closingDuringARunStopsItKeepsTheFilesAndSaves();
};

void WindowRunTest::fiveKeywordRunWritesFilesWhileTheWindowStaysResponsive() {
    test::MockEngineServer server;
    CookieStore::instance().clear();
    QTemporaryDir dir;
    Answers answers;
    // Pauses of 100-140 ms: the run lasts long enough for the timer to tell.
    Application program(dir.path(), options(answers, 50));
    program.start();
    MainWindow* w = program.window();
    const QString out = dir.path() + QStringLiteral("/out");
    w->control<QPlainTextEdit>("编辑框关键词")->setPlainText(u("k1\nk2\nk3\nk4\nk5"));
    w->control<QRadioButton>("单选框搜狗")->click();
    w->control<QLineEdit>("编辑框保存目录")->setText(out);
    w->control<QLineEdit>("编辑框采集页数")->setText(QStringLiteral("2"));

    QSignalSpy finished(w, &MainWindow::runFinished);
    QTest::qWait(20);
    TickWatch watch;
    TimedApplication::longestDispatchMs = 0;
    QTest::mouseClick(w->control<QPushButton>("按钮立即采集"), Qt::LeftButton);
    QCOMPARE(w->control<QPushButton>("按钮立即采集")->text(), u("停止采集"));
    QVERIFY(!w->control<QCheckBox>("选择框合并保存")->isEnabled());
    // While it runs, the button and the status bar say a click stops it.
    QTRY_COMPARE(w->stopHint(), u("单击此按钮停止采集"));
    QCOMPARE(w->control<QPushButton>("按钮立即采集")->toolTip(), w->stopHint());
    QVERIFY(finished.wait(60000));
    std::printf(
        "window thread during the run: longest gap between 5 ms timer ticks %lld ms (%lld ticks), "
        "longest single event %lld ms\n",
        static_cast<long long>(watch.longestGapMs()), watch.ticks(),
        static_cast<long long>(TimedApplication::longestDispatchMs));
    // Nothing the run makes the window do holds its thread up; the timer's gap also
    // counts the machine's scheduling, so it only has to show no freeze.
    QVERIFY2(TimedApplication::longestDispatchMs < 50, "the window's thread was held up");
    QVERIFY2(watch.longestGapMs() < 250, "the window froze");

    QTRY_COMPARE(answers.endMessages.size(), 1);
    QVERIFY(answers.endMessages.front().startsWith(u("已采集完成！总采集数量 30 耗时 ")));
    QCOMPARE(w->statusText(0), u("就绪"));
    QVERIFY(answers.endMessages.front().startsWith(w->statusText(1) + QStringLiteral("\r\n")));
    QVERIFY(answers.endMessages.front().contains(u("结果保存在：") + out));
    QCOMPARE(w->control<QPushButton>("按钮立即采集")->text(), u("开始采集"));
    QTRY_VERIFY(w->control<QPushButton>("按钮立即采集")->toolTip().isEmpty());
    QVERIFY(w->control<QCheckBox>("选择框合并保存")->isEnabled());
    for (const char* keyword : {"k1", "k2", "k3", "k4", "k5"}) {
        // 3 results on each of 2 pages
        QCOMPARE(
            lineCount(out + u("/搜狗_") + QString::fromLatin1(keyword) + QStringLiteral(".txt")),
            6L);
    }
    QVERIFY(answers.failureTitles.isEmpty());
}

void WindowRunTest::verificationIsAskedThroughTheWindowAndCancelStops() {
    test::MockEngineServer server;
    server.requireVerification(SearchEngine::Baidu);
    CookieStore::instance().clear();
    QTemporaryDir dir;
    Answers answers;
    answers.questionsBeforeCancel = 1;  // OK once (no cookie comes back), then Cancel
    Application program(dir.path(), options(answers));
    program.start();
    MainWindow* w = program.window();
    w->control<QPlainTextEdit>("编辑框关键词")->setPlainText(QStringLiteral("k1\nk2"));
    w->control<QLineEdit>("编辑框保存目录")->setText(dir.path() + QStringLiteral("/out"));
    QSignalSpy finished(w, &MainWindow::runFinished);
    QTest::mouseClick(w->control<QPushButton>("按钮立即采集"), Qt::LeftButton);
    QVERIFY(finished.wait(60000));
    QCOMPARE(answers.questions.size(), 2);
    QCOMPARE(answers.questions.front(),
             u("程序检测到出现验证，请完成验证操作，然后确定继续！如果取消将跳出采集"));
    QVERIFY(!w->webView().viewVisible());  // shown for the question, hidden again
    QCOMPARE(answers.endMessages.size(), 1);
    QVERIFY(
        answers.endMessages.front().startsWith(u("验证未完成，采集已停止！总采集数量 0 耗时 ")));
    // Nothing collected: the failure report is saved in the program folder and shown.
    QCOMPARE(answers.failureTitles, QStringList{u("采集失败代码(已保存到软件目录下)：")});
    QVERIFY(QFile::exists(dir.path() + u("/采集失败代码.html")));
    QCOMPARE(program.driver().lastRun().why, RunEndReason::VerificationCancelled);
}

void WindowRunTest::closingDuringARunStopsItKeepsTheFilesAndSaves() {
    test::MockEngineServer server;
    CookieStore::instance().clear();
    QTemporaryDir dir;
    Answers answers;
    Application program(dir.path(), options(answers, 1));  // real 5-7 s pauses
    program.start();
    MainWindow* w = program.window();
    const QString out = dir.path() + QStringLiteral("/out");
    w->control<QPlainTextEdit>("编辑框关键词")->setPlainText(QStringLiteral("k1\nk2"));
    w->control<QRadioButton>("单选框搜狗")->click();
    w->control<QLineEdit>("编辑框保存目录")->setText(out);
    QSignalSpy finished(w, &MainWindow::runFinished);
    QTest::mouseClick(w->control<QPushButton>("按钮立即采集"), Qt::LeftButton);
    // Page 1 written, the run now pauses 5-7 s before page 2.
    const QString firstFile = out + u("/搜狗_k1.txt");
    QTRY_COMPARE_WITH_TIMEOUT(lineCount(firstFile), 3L, 20000);
    QVERIFY(!w->close());
    QVERIFY(finished.wait(5000));  // the pause ends at its next 10 ms slice
    QTRY_VERIFY(!w->isVisible());
    QVERIFY(answers.endMessages.isEmpty());  // nothing pops up over a closing window
    QCOMPARE(lineCount(firstFile), 3L);
    QFile side(dir.path() + u("/inibin/主界面-编辑框关键词.ibn"));
    QVERIFY(side.open(QIODevice::ReadOnly));
    QCOMPARE(side.readAll(), QByteArray("k1\r\nk2"));
}

int main(int argc, char** argv) {
    TimedApplication app(argc, argv);
    WindowRunTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "window_run_test.moc"
