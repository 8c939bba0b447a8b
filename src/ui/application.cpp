#include "ui/application.h"

#include <QApplication>
#include <QDir>

#include <unistd.h>

#include "ui/main_window.h"
#include "ui/program_folder.h"
#include "ui/ui_text.h"
#include "ui/web_view.h"

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

struct Application::State {
    std::unique_ptr<MainWindow> window;
};

Application::Application(const QString& executableFolder)
    : programFolder_(chooseProgramFolder(executableFolder)), state_(std::make_unique<State>()) {}

Application::~Application() = default;

MainWindow* Application::window() const { return state_->window.get(); }

void Application::start() {
    MainWindowSetup setup;
    setup.programFolder = programFolder_;
    const QString storage = QDir(programFolder_).filePath(QStringLiteral("webview"));
    setup.webViewFactory = [storage](QWidget* parent) { return createWebView(parent, storage); };
    state_->window = std::make_unique<MainWindow>(std::move(setup));
    state_->window->show();
}

}  // namespace lh
