#pragma once

#include <QString>
#include <QUrl>

class QWidget;

namespace lh {

// The example address the help text uses for the domain placeholders, its host and
// its registrable domain.
inline constexpr const char* kHelpExampleAddress = "http://www.example.com/news/index.html";
inline constexpr const char* kHelpExampleHost = "www.example.com";
inline constexpr const char* kHelpExampleDomain = "example.com";

// Where the home page, the contact link and the tutorial line of the help point: the
// README shipped with the program, as a file address, or the copy built into the
// program ("qrc:/README.md") when none is found.
QString projectReadmeAddress();

// The README shipped with a program that lives in `programFolder`: beside it, or
// installed in share/doc/linkharvest next to its bin folder. Empty when there is none.
QString shippedReadmePath(const QString& programFolder);

// Shows a document built into the program (a "qrc:" address, as the README's built-in
// copy) in the text dialog and returns true; false, showing nothing, for any other
// address.
bool showBuiltInDocument(const QUrl& address, QWidget* owner);

// The help text shown by 疑点说明: 24 lines joined by CR LF, no CR LF after the last.
QString helpText();

}  // namespace lh
