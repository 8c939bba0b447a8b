#pragma once

#include <QString>

namespace lh {

// The program's own folder (settings file, "inibin", cookie files, failure report):
// `executableFolder` when it is writable, else the per-user data folder (created).
QString chooseProgramFolder(const QString& executableFolder);

// The settings file in `programFolder`: programTitle + ".ini".
QString settingsFilePath(const QString& programFolder);

}  // namespace lh
