// Starts the program with a fresh program folder and saves a picture of its main
// window: linkharvest-screenshot <program folder> <picture.png>
#include <QApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdio>

#include "ui/application.h"
#include "ui/main_window.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <program folder> <picture.png>\n", argv[0]);
        return 2;
    }
    lh::prepareApplication();
    QApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString picture = QString::fromLocal8Bit(argv[2]);
    lh::Application::Options options;
    options.firstActivationVisit = false;  // a picture needs no network
    lh::Application program(folder, options);
    program.start();
    int status = 1;
    QTimer::singleShot(2500, [&] {
        lh::MainWindow* window = program.window();
        QScreen* screen = window->screen();
        const QRect frame = window->frameGeometry();
        QPixmap shot = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
        if (shot.isNull() || shot.width() < 10) shot = window->grab();
        status = shot.save(picture) ? 0 : 1;
        std::printf("%s: %dx%d\n", argv[2], shot.width(), shot.height());
        window->close();
        QCoreApplication::exit(status);
    });
    QApplication::exec();
    return status;
}
