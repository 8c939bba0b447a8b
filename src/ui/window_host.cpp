#include "ui/window_host.h"

#include <chrono>
#include <thread>

#include <QCoreApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QPointer>
#include <QPushButton>
#include <QThread>

#include "ui/main_window.h"
#include "ui/text_dialog.h"
#include "ui/ui_text.h"

namespace lh {

void WindowHost::Reply::answer(bool y, std::string t) {
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (answered) return;
        answered = true;
        yes = y;
        text = std::move(t);
    }
    done.notify_all();
}

WindowHost::WindowHost(MainWindow& window) : window_(window), random_(std::random_device{}()) {}

WindowHost::~WindowHost() { shutDown(); }

bool WindowHost::onWindowThread() const { return QThread::currentThread() == window_.thread(); }

void WindowHost::post(std::function<void()> work) {
    if (onWindowThread()) {
        work();
        return;
    }
    if (shutDown_) return;
    QMetaObject::invokeMethod(&window_, std::move(work), Qt::QueuedConnection);
}

WindowHost::ReplyPtr WindowHost::ask(std::function<void(const ReplyPtr&)> work) {
    auto reply = std::make_shared<Reply>();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (shutDown_) {
            reply->answered = true;
            return reply;
        }
        open_.push_back(reply);
    }
    auto forget = [this, reply] {
        std::lock_guard<std::mutex> lock(mutex_);
        std::erase(open_, reply);
    };
    if (onWindowThread()) {
        work(reply);
        while (true) {
            {
                std::lock_guard<std::mutex> lock(reply->mutex);
                if (reply->answered) break;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
    } else {
        QMetaObject::invokeMethod(
            &window_, [work, reply] { work(reply); }, Qt::QueuedConnection);
        std::unique_lock<std::mutex> lock(reply->mutex);
        reply->done.wait(lock, [&] { return reply->answered; });
    }
    forget();
    return reply;
}

void WindowHost::beginRun() { pendingStop_ = false; }

void WindowHost::noteStopClicked() {
    pendingStop_ = true;
    if (window_.setup().requestStop) window_.setup().requestStop();
}

void WindowHost::shutDown() {
    std::vector<ReplyPtr> open;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        shutDown_ = true;
        open.swap(open_);
    }
    for (const ReplyPtr& reply : open) reply->answer(false);
}

void WindowHost::deliverPendingStop() {
    if (pendingStop_.exchange(false) && window_.setup().requestStop) window_.setup().requestStop();
}

CollectionSettings WindowHost::settings() { return window_.settingsSnapshot(); }

void WindowHost::processEvents() {
    deliverPendingStop();
    if (onWindowThread()) QCoreApplication::processEvents();
}

long long WindowHost::randomInRange(long long low, long long high) {
    if (high < low) std::swap(low, high);
    std::lock_guard<std::mutex> lock(mutex_);
    return std::uniform_int_distribution<long long>(low, high)(random_);
}

void WindowHost::waitWithEvents(long long ms, const std::atomic<bool>* stopFlag) {
    const int divisor = window_.setup().waitDivisor < 1 ? 1 : window_.setup().waitDivisor;
    const long long total = ms / divisor;
    const bool windowThread = onWindowThread();
    for (long long slept = 0; slept < total; slept += 10) {
        deliverPendingStop();
        if ((stopFlag != nullptr && stopFlag->load()) || shutDown_) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (windowThread) QCoreApplication::processEvents();
    }
}

std::uint32_t WindowHost::tickCount() {
    using namespace std::chrono;
    return static_cast<std::uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void WindowHost::onRunEvent(const RunEvent& event) { showRunEvent(event, *this); }

void WindowHost::setStatus(int pane, const std::string& text) {
    const QString shown = qtText(text);
    post([w = &window_, pane, shown] { w->setStatusTextNow(pane, shown); });
}

void WindowHost::setCaption(const std::string& caption) {
    const QString shown = qtText(caption);
    post([w = &window_, shown] { w->setCaptionNow(shown); });
}

void WindowHost::setMergeOptionEnabled(bool enabled) {
    post([w = &window_, enabled] { w->setMergeEnabledNow(enabled); });
}

void WindowHost::setStopHint(const std::string& hint) {
    const QString shown = qtText(hint);
    post([w = &window_, shown] { w->setStopHintNow(shown); });
}

void WindowHost::showEndOfRunMessage(const std::string& text, const std::string& folder) {
    const QString shown = qtText(text);
    const QString folderShown = qtText(folder);
    ask([w = &window_, shown, folderShown](const ReplyPtr& reply) {
        if (w->closing()) {
            reply->answer(true);
            return;
        }
        const WindowSeams& seams = w->setup().seams;
        if (seams.information) {
            seams.information(shown);
            reply->answer(true);
            return;
        }
        auto* box = new QMessageBox(QMessageBox::NoIcon, MainWindow::windowTitleText(), shown,
                                    QMessageBox::Ok, w);
        box->setAttribute(Qt::WA_DeleteOnClose);
        if (!folderShown.isEmpty()) {
            QPushButton* open =
                box->addButton(qtText(status_text::openFolderCaption()), QMessageBox::ActionRole);
            open->setObjectName(QStringLiteral("按钮打开文件夹"));
            QObject::connect(open, &QPushButton::clicked, w,
                             [w, folderShown] { w->showInExplorer(folderShown); });
        }
        QObject::connect(box, &QMessageBox::finished, box, [reply](int) { reply->answer(true); });
        QObject::connect(box, &QObject::destroyed, [reply] { reply->answer(true); });
        box->open();
    });
}

void WindowHost::showFailureReport(const std::string& title, const std::string& hint,
                                   const std::string& content) {
    const QString t = qtText(title);
    const QString h = qtText(hint);
    const QString c = qtText(content);
    ask([w = &window_, t, h, c](const ReplyPtr& reply) {
        if (w->closing()) {
            reply->answer(true);
            return;
        }
        const WindowSeams& seams = w->setup().seams;
        if (seams.failureReport) {
            seams.failureReport(t, h, c);
            reply->answer(true);
            return;
        }
        TextDialog* dialog = TextDialog::create(makeTextDialogRequest(c, h, t, true), w);
        if (dialog == nullptr) {  // another text dialog is open: refused silently
            reply->answer(false);
            return;
        }
        QObject::connect(dialog, &QObject::destroyed, [reply] { reply->answer(true); });
        dialog->open();
    });
}

bool WindowHost::askToContinue(const std::string& prompt) {
    const QString shown = qtText(prompt);
    ReplyPtr answered = ask([w = &window_, shown](const ReplyPtr& reply) {
        if (w->closing()) {
            reply->answer(false);
            return;
        }
        const WindowSeams& seams = w->setup().seams;
        if (seams.verificationQuestion) {
            reply->answer(seams.verificationQuestion(shown));
            return;
        }
        // No owner and not modal: the window and its web view stay usable while the
        // user solves the verification.
        auto* box = new QMessageBox(QMessageBox::Question, programTitle(), shown,
                                    QMessageBox::Ok | QMessageBox::Cancel);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        box->setWindowFlag(Qt::WindowStaysOnTopHint);
        QObject::connect(box, &QMessageBox::finished, box, [reply, box](int) {
            reply->answer(box->clickedButton() == box->button(QMessageBox::Ok));
        });
        QObject::connect(box, &QObject::destroyed, [reply] { reply->answer(false); });
        QObject::connect(w, &MainWindow::closingDuringRun, box, &QMessageBox::reject);
        box->show();
    });
    return answered->yes;
}

void WindowHost::activateMainWindow() {
    post([w = &window_] { w->bringToFront(); });
}

void WindowHost::loadAddress(const std::string& address) {
    const QString a = qtText(address);
    post([w = &window_, a] { w->webView().loadAddress(a); });
}

std::string WindowHost::currentCookies() {
    ReplyPtr answered = ask([w = &window_](const ReplyPtr& reply) {
        reply->answer(true, programText(w->webView().currentCookies()));
    });
    return answered->text;
}

void WindowHost::clearCookies() {
    post([w = &window_] { w->webView().clearCookies(); });
}

void WindowHost::setCacheFolder(const std::string& folderName) {
    const QString n = qtText(folderName);
    post([w = &window_, n] { w->webView().setCacheFolder(n); });
}

void WindowHost::setCookieFolder(const std::string& folderName) {
    const QString n = qtText(folderName);
    post([w = &window_, n] { w->webView().setCookieFolder(n); });
}

void WindowHost::setVisible(bool visible) {
    post([w = &window_, visible] { w->setWebViewVisible(visible); });
}

void WindowHost::visitInBackground(const std::string& address) {
    if (window_.setup().navigatorLoad) window_.setup().navigatorLoad(address);
}

void WindowHost::useProxy(const std::string& address) {
    if (window_.setup().useProxy) window_.setup().useProxy(address);
}

void WindowHost::clearBrowsingData(BrowsingData what) {
    if (window_.setup().clearBrowsingData) window_.setup().clearBrowsingData(what);
}

}  // namespace lh
