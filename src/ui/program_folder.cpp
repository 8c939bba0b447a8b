#include "ui/program_folder.h"

#include <QDir>
#include <QFile>

#include "collect/program_folder.h"
#include "textutil/file_access.h"
#include "ui/ui_text.h"

namespace lh {

QString chooseProgramFolder(const QString& executableFolder) {
    const QString folder =
        QString::fromLocal8Bit(defaultProgramFolder(executableFolder.toLocal8Bit().toStdString()));
    // It will hold the settings and the cookie files: made for the user alone.
    createPrivateFolders(QFile::encodeName(folder).toStdString());
    return QDir::cleanPath(folder);
}

QString settingsFilePath(const QString& programFolder) {
    return QDir(programFolder).filePath(programTitle() + QStringLiteral(".ini"));
}

}  // namespace lh
