#include "ui/ui_text.h"

namespace lh {

std::string programText(const QString& text) { return utf8ToGb(text.toUtf8().toStdString()); }

QString fromProgramLines(const std::string& text) {
    QString s = qtText(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

std::string toProgramLines(const QString& text) {
    QString s = text;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return programText(s);
}

QString programTitle() { return QString::fromUtf8("砚溪·搜词取链器"); }

}  // namespace lh
