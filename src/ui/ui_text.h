#pragma once

#include <QString>

#include <string>

#include "textutil/program_text.h"

namespace lh {

// The boundary between Qt text and program text (GB18030 bytes).
inline QString qtText(const std::string& programText) {
    return QString::fromUtf8(gbToUtf8(programText));
}
std::string programText(const QString& text);

// Edit boxes hold lines separated by LF; program text separates them by CR LF.
QString fromProgramLines(const std::string& programText);
std::string toProgramLines(const QString& text);

// "砚溪·搜词取链器": the product name without the version. Names the settings file, is
// the tray tooltip and part of the exit question.
QString programTitle();

}  // namespace lh
