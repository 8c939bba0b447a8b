#pragma once

#include <QString>

#include <memory>

#include "ui/main_window.h"

namespace lh {

class CollectionDriver;
class HiddenNavigator;
struct EngineSession;

// Settings that must be made before the QApplication exists (web view contexts).
void prepareApplication();

// Qt's own dialogs and buttons (folder picker, OK/Cancel) in Chinese, as the rest of the
// program: the system's Chinese when it is set, else simplified Chinese. Once per
// process; Application::start calls it.
void installQtTranslations();

// The program: its program-wide objects, the settings file and the main window, set up
// in start-up order and released in reverse when it goes.
class Application {
public:
    struct Options {
        // The Chromium view; off gives the view without engine (tests).
        bool webEngine = true;
        bool trayIcon = true;
        // Waits of a run are divided by this (tests).
        int waitDivisor = 1;
        // The hidden navigator's visit at the first activation (tests that do not route
        // the network to a local server turn it off).
        bool firstActivationVisit = true;
        // Answers to the window's questions (tests); empty functions ask the user.
        WindowSeams seams;
    };

    // `programFolder`: where settings, cookie files and the failure report live
    // (chooseProgramFolder), made already.
    explicit Application(const QString& programFolder);
    Application(const QString& programFolder, Options options);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Binds the settings file and opens the main window.
    void start();

    QString programFolder() const { return programFolder_; }
    MainWindow* window() const;
    HiddenNavigator& navigator();
    EngineSession& session();
    CollectionDriver& driver();

private:
    struct State;
    QString programFolder_;
    Options options_;
    std::unique_ptr<State> state_;
};

}  // namespace lh
