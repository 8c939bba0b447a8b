#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "collect/browser.h"
#include "collect/collection_settings.h"
#include "ui/web_view.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSystemTrayIcon;

namespace lh {

struct EngineProfile;
class MainWindow;
class WindowHost;

// Every question and outside effect of the window goes through here, so tests can
// answer them without a desktop. An empty function means the real thing.
struct WindowSeams {
    // Message box with an OK button and no icon.
    std::function<void(const QString& text)> information;
    // The tray's exit question; true = OK.
    std::function<bool(const QString& text)> exitQuestion;
    // The verification prompt of a run; true = OK (continue).
    std::function<bool(const QString& text)> verificationQuestion;
    // The folder picker opened at `startFolder`; empty = cancelled.
    std::function<QString(const QString& startFolder)> pickFolder;
    // Opens an address (or a folder given as file address) in the desktop's program.
    std::function<void(const QUrl& address)> openUrl;
    // Starts a program.
    std::function<void(const QString& program, const QStringList& arguments)> startProgram;
    // The failure report of a run that wrote nothing.
    std::function<void(const QString& title, const QString& hint, const QString& content)>
        failureReport;
    // Ends the program at once (the tray's exit).
    std::function<void()> quit;
};

// What a window is created with.
struct MainWindowSetup {
    // The program's own folder: cookie files, failure report, web view storage.
    QString programFolder;
    // Makes the embedded web view; empty: the null view.
    WebViewFactory webViewFactory;
    WindowSeams seams;
    // Saves and restores the controls (section 主界面); empty: nothing is kept.
    std::function<void(MainWindow&)> saveControls;
    std::function<void(MainWindow&)> restoreControls;
    // The run started by the start button, executed on the run's own thread; it
    // returns when the run has ended. `requestStop` asks it to stop (any thread).
    std::function<void(WindowHost& host)> runCollection;
    std::function<void()> requestStop;
    // The hidden navigator 超文本浏览框1: the first activation's visit (made in the
    // background), a run's visits, and the clear-browsing-data command. All program text.
    std::function<void()> firstActivation;
    std::function<void(const std::string& address)> navigatorLoad;
    std::function<void(BrowsingData what)> clearBrowsingData;
    // The proxy the web view and the navigator go through from now on (called on the
    // run's thread); empty: the system's settings.
    std::function<void(const std::string& address)> useProxy;
    // Waits of the run are divided by this (tests shorten the pauses).
    int waitDivisor = 1;
    bool trayIcon = true;
};

// The one window the user works in: every option of a run, the start/stop button, the
// status bar, the header links and the embedded web view.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kOuterWidth = 933;
    static constexpr int kOuterHeight = 605;

    explicit MainWindow(MainWindowSetup setup, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The window's title with its version.
    static QString windowTitleText();

    // A control by its name (objectName), nullptr when there is none.
    QWidget* control(const QString& name) const;
    template <class T>
    T* control(const char* utf8Name) const {
        return qobject_cast<T*>(control(QString::fromUtf8(utf8Name)));
    }
    // The controls the settings store visits, in visiting order.
    const std::vector<QWidget*>& storedControls() const { return storedControls_; }
    // A control's tag text ("字节集方式" for the keyword list, empty for most).
    static QString tagOf(const QWidget* control);

    // The options as the controls hold them now. Safe from any thread.
    CollectionSettings settingsSnapshot() const;

    // Enabling rules.
    void applyMergeRule();
    void applyRanksRule();
    void applyBaiduModeRule();

    // Replaces the template's selection, or inserts at its caret.
    void insertIntoTemplate(const QString& text);
    void chooseFolder();
    void showInExplorer(const QString& path);
    void saveSettingsClicked();
    void showHelp();
    void pasteKeywords();
    void bringToFront();
    void trayExitRequested();
    // The start/stop button's click.
    void startStopClicked();

    // True from a start click until the run's thread has returned.
    bool runActive() const { return runActive_; }
    QString statusText(int pane) const;
    WebView& webView() { return *webView_; }
    WindowHost& host() { return *host_; }
    const MainWindowSetup& setup() const { return setup_; }
    QString programFolder() const { return setup_.programFolder; }

    // Called by the host on the window's thread.
    void setStatusTextNow(int pane, const QString& text);
    void setCaptionNow(const QString& caption);
    void setMergeEnabledNow(bool enabled);
    // The start button's tooltip and the status bar's hint beside the panes.
    void setStopHintNow(const QString& hint);
    QString stopHint() const;
    void showInformation(const QString& text);
    void setWebViewVisible(bool visible);
    // True once the window was asked to close while a run was going on.
    bool closing() const { return closeAfterRun_ || quitWithoutSave_; }

signals:
    // The run's thread has returned (emitted on the window's thread).
    void runFinished();
    // The window was asked to close (or the program to end) while a run was going on.
    void closingDuringRun();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    QRadioButton* radioOf(const EngineProfile& engine) const;
    void connectControls();
    void refreshSnapshot();
    void onRunThreadDone();
    void openAddress(const QUrl& address);
    void startProgram(const QString& program, const QStringList& arguments);

    MainWindowSetup setup_;
    std::unique_ptr<WebView> webView_;
    std::unique_ptr<WindowHost> host_;
    std::vector<QWidget*> storedControls_;
    QPointer<QSystemTrayIcon> tray_;
    QLabel* statusPane0_ = nullptr;
    QLabel* statusPane1_ = nullptr;
    QLabel* stopHintPane_ = nullptr;

    QPushButton* startButton_ = nullptr;
    QLineEdit* templateEdit_ = nullptr;
    QPlainTextEdit* keywordEdit_ = nullptr;

    mutable std::mutex snapshotMutex_;
    CollectionSettings snapshot_;

    std::thread runThread_;
    bool runActive_ = false;
    bool closeAfterRun_ = false;
    bool quitWithoutSave_ = false;
    bool activatedOnce_ = false;
};

}  // namespace lh
