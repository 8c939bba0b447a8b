#pragma once

#include <QString>

namespace lh {

// The program's own folder (settings file, "inibin", cookie files, failure report), made
// when missing: `executableFolder` when it was made portable, else the per-user data
// folder.
QString chooseProgramFolder(const QString& executableFolder);

// The settings file in `programFolder`: programTitle + ".ini".
QString settingsFilePath(const QString& programFolder);

}  // namespace lh
