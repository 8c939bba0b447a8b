#include "ui/program_folder.h"

#include <QDir>

#include "collect/program_folder.h"
#include "ui/ui_text.h"

namespace lh {

QString chooseProgramFolder(const QString& executableFolder) {
    const QString folder =
        QString::fromLocal8Bit(defaultProgramFolder(executableFolder.toLocal8Bit().toStdString()));
    std::string reason;
    makePrivateFolder(folder.toLocal8Bit().toStdString(), reason);
    return QDir::cleanPath(folder);
}

QString settingsFilePath(const QString& programFolder) {
    return QDir(programFolder).filePath(programTitle() + QStringLiteral(".ini"));
}

}  // namespace lh
