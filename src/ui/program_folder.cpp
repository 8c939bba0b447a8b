#include "ui/program_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "textutil/file_access.h"
#include "ui/ui_text.h"

namespace lh {

namespace {

bool writableFolder(const QString& folder) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) return false;
    // Permission bits can say yes on a read-only mount: try it.
    QFile probe(QDir(folder).filePath(QStringLiteral(".linkharvest-write-test")));
    if (!probe.open(QIODevice::WriteOnly)) return false;
    probe.close();
    probe.remove();
    return true;
}

}  // namespace

QString chooseProgramFolder(const QString& executableFolder) {
    if (writableFolder(executableFolder)) return QDir::cleanPath(executableFolder);
    QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty()) data = QDir::homePath() + QStringLiteral("/.linkharvest");
    // It will hold the settings and the cookie files: made for the user alone.
    createPrivateFolders(QFile::encodeName(data).toStdString());
    return QDir::cleanPath(data);
}

QString settingsFilePath(const QString& programFolder) {
    return QDir(programFolder).filePath(programTitle() + QStringLiteral(".ini"));
}

}  // namespace lh
