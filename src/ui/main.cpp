#include <QApplication>

#include <cstdio>
#include <cstdlib>

#include "ui/application.h"
#include "ui/program_folder.h"

namespace {

// Qt aborts without a display, with advice about reinstalling; say what to do instead.
bool displayAvailable() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (!displayAvailable()) {
        std::fputs(
            "linkharvest: no display (DISPLAY and WAYLAND_DISPLAY are not set); start it in "
            "a desktop session, or use linkharvest-cli for runs without a window\n",
            stderr);
        return 1;
    }
    lh::prepareApplication();
    QApplication app(argc, argv);
    lh::Application program(lh::chooseProgramFolder(QCoreApplication::applicationDirPath()));
    program.start();
    return QApplication::exec();
}
