#pragma once

#include <QString>

#include <memory>

namespace lh {

class MainWindow;

// Settings that must be made before the QApplication exists (web view contexts).
void prepareApplication();

// The program: its program-wide objects, the settings file and the main window, set up
// in start-up order and released in reverse when it goes.
class Application {
public:
    // `executableFolder`: where the program file is; the program folder is chosen from it.
    explicit Application(const QString& executableFolder);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Binds the settings file and opens the main window.
    void start();

    QString programFolder() const { return programFolder_; }
    MainWindow* window() const;

private:
    struct State;
    QString programFolder_;
    std::unique_ptr<State> state_;
};

}  // namespace lh
