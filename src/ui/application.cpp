#include "ui/application.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QMetaObject>
#include <QNetworkProxy>
#include <QTranslator>

#include <unistd.h>

#include "collect/collection_driver.h"
#include "collect/engine_page_source.h"
#include "collect/engine_session.h"
#include "collect/output_writer.h"
#include "settings/control_state_store.h"
#include "ui/hidden_navigator.h"
#include "ui/main_window.h"
#include "ui/program_folder.h"
#include "ui/qt_control_surface.h"
#include "ui/ui_text.h"
#include "ui/web_view.h"
#include "ui/window_host.h"
#include "web/cookie_store.h"
#include "web/request_profiles.h"

namespace lh {

void prepareApplication() {
    // Chromium refuses to start its sandbox as root, and then ends the whole program.
    if (::geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QCoreApplication::setApplicationName(QStringLiteral("linkharvest"));
    QCoreApplication::setOrganizationName(QStringLiteral("linkharvest"));
}

// Program-wide objects, in creation order; released in reverse.
struct Application::State {
    EngineSession session;
    OutputWriter output;
    HiddenNavigator navigator;
    std::unique_ptr<MainWindow> window;
    // Made once the window (the run's host) exists.
    std::unique_ptr<EnginePageSource> pages;
    std::unique_ptr<CollectionDriver> driver;
};

Application::Application(const QString& programFolder) : Application(programFolder, Options{}) {}

Application::Application(const QString& programFolder, Options options)
    : programFolder_(QDir::cleanPath(programFolder)),
      options_(options),
      state_(std::make_unique<State>()) {}

Application::~Application() {
    // The window first: it waits for a run still going on, which uses the pages.
    state_->window.reset();
    state_->driver.reset();
    state_->pages.reset();
}

MainWindow* Application::window() const { return state_->window.get(); }
HiddenNavigator& Application::navigator() { return state_->navigator; }
EngineSession& Application::session() { return state_->session; }
CollectionDriver& Application::driver() { return *state_->driver; }

void installQtTranslations() {
    static QTranslator* installed = nullptr;
    if (installed != nullptr || QCoreApplication::instance() == nullptr) return;
    const QLocale system = QLocale::system();
    const QLocale chosen =
        system.language() == QLocale::Chinese ? system : QLocale(QLocale::Chinese, QLocale::China);
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(chosen, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
        installed = translator;
    } else {
        delete translator;
    }
}

void Application::start() {
    installQtTranslations();
    State& s = *state_;
    // The settings file; when it cannot be held the store works in memory alone.
    ControlStateStore& store = controlStateStore();
    store.setEventPump([] { QCoreApplication::processEvents(); });
    store.setMessageSink([](const std::string& text, ControlStateStore::MessageIcon icon) {
        QMessageBox box(icon == ControlStateStore::MessageIcon::Exclamation ? QMessageBox::Warning
                                                                            : QMessageBox::NoIcon,
                        programTitle(), qtText(text), QMessageBox::Ok);
        box.exec();
    });
    store.openStore(programText(settingsFilePath(programFolder_)));

    MainWindowSetup setup;
    setup.saveControls = [&store](MainWindow& window) {
        QtControlSurface surface(window);
        store.saveWindowControls(surface, mainWindowSection());
    };
    setup.restoreControls = [&store](MainWindow& window) {
        QtControlSurface surface(window);
        store.restoreWindowControls(surface, mainWindowSection());
    };
    setup.programFolder = programFolder_;
    setup.trayIcon = options_.trayIcon;
    setup.seams = options_.seams;
    // The run's thread calls the driver; a stop click may come from the window's thread.
    State* state = &s;
    setup.runCollection = [state](WindowHost&) {
        if (state->driver) state->driver->onStartStopClicked();
    };
    setup.requestStop = [state] {
        if (state->driver) state->driver->requestStop();
    };
    setup.waitDivisor = options_.waitDivisor;
    if (options_.webEngine) {
        const QString storage = QDir(programFolder_).filePath(QStringLiteral("webview"));
        setup.webViewFactory = [storage](QWidget* parent) {
            return createWebView(parent, storage);
        };
    }

    // The desktop user agent is the run's and the hidden navigator's from the window's
    // creation; the first activation gives the navigator the transport's own.
    s.session.userAgent = std::string(kDesktopUserAgent);
    s.navigator.setUserAgent(std::string(kDesktopUserAgent));
    HiddenNavigator* navigator = &s.navigator;
    const bool visit = options_.firstActivationVisit;
    setup.firstActivation = [navigator, visit] {
        navigator->setUserAgent(std::string(kTransportUserAgent));
        if (visit) navigator->load(HiddenNavigator::firstActivationAddress());
    };
    setup.navigatorLoad = [navigator](const std::string& address) { navigator->load(address); };
    setup.useProxy = [navigator](const std::string& address) {
        navigator->setProxy(address);
        QMetaObject::invokeMethod(
            qApp, [address] { QNetworkProxy::setApplicationProxy(viewProxyOf(address)); },
            Qt::QueuedConnection);
    };
    setup.clearBrowsingData = [navigator](BrowsingData what) {
        const BrowsingDataEffect effect = effectOf(what);
        if (effect.cookieStore) CookieStore::instance().clear();
        if (effect.queuedVisits) navigator->dropQueued();
    };

    s.window = std::make_unique<MainWindow>(std::move(setup));
    WindowHost& host = s.window->host();
    const std::string folder = programText(programFolder_);
    s.pages = std::make_unique<EnginePageSource>(host, host, folder);
    s.driver = std::make_unique<CollectionDriver>(
        RunSurroundings{host, host, host, host, host.verification()},
        RunParts{*s.pages, s.output, s.session, folder, std::string()});
    s.window->show();
}

}  // namespace lh
