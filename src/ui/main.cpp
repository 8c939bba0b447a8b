#include <QApplication>

#include "ui/application.h"

int main(int argc, char** argv) {
    lh::prepareApplication();
    QApplication app(argc, argv);
    lh::Application program(QCoreApplication::applicationDirPath());
    program.start();
    return QApplication::exec();
}
