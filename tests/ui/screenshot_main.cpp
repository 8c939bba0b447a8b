// Starts the program with a fresh program folder and saves a picture of its main
// window, and with a third name one of the box a finished run shows (two keywords, 20
// lines, reported to the window as a run reports its end):
// linkharvest-screenshot <program folder> <picture.png> [<end box.png>]
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <thread>

#include "collect/run_events.h"
#include "textutil/program_text.h"

#include "ui/application.h"
#include "ui/main_window.h"
#include "ui/window_host.h"

namespace {

QPixmap grabOnScreen(QWidget* widget) {
    const QRect frame = widget->frameGeometry();
    QPixmap shot =
        widget->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    if (shot.isNull() || shot.width() < 10) shot = widget->grab();
    return shot;
}

}  // namespace

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
    std::thread run;
    QTimer::singleShot(2500, [&] {
        lh::MainWindow* window = program.window();
        const QPixmap shot = grabOnScreen(window);
        status = shot.save(picture) ? 0 : 1;
        std::printf("%s: %dx%d\n", argv[2], shot.width(), shot.height());
        if (argc < 4) {
            window->close();
            QCoreApplication::exit(status);
            return;
        }
        lh::RunEnded ended;
        ended.totalLines = 20;
        ended.elapsedMs = 42310;
        ended.saveFolder = "/home/user/" + lh::gb("采集结果") + "/";
        ended.files = {{ended.saveFolder + lh::gb("百度_手机.txt"), 10},
                       {ended.saveFolder + lh::gb("百度_电脑.txt"), 10}};
        run = std::thread([window, ended] { window->host().onRunEvent(ended); });
        QTimer::singleShot(1500, [&, window] {
            auto* box = window->findChild<QMessageBox*>();
            if (box == nullptr) {
                status = 1;
            } else {
                const QPixmap boxShot = grabOnScreen(box);
                status = boxShot.save(QString::fromLocal8Bit(argv[3])) ? status : 1;
                std::printf("%s: %dx%d\n", argv[3], boxShot.width(), boxShot.height());
                box->accept();
            }
            QTimer::singleShot(200, [&, window] {
                run.join();
                window->close();
                QCoreApplication::exit(status);
            });
        });
    });
    QApplication::exec();
    return status;
}
