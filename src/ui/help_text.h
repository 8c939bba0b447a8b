#pragma once

#include <QString>

namespace lh {

// The example address the help text uses for the domain placeholders, its host and
// its registrable domain.
inline constexpr const char* kHelpExampleAddress = "http://www.example.com/news/index.html";
inline constexpr const char* kHelpExampleHost = "www.example.com";
inline constexpr const char* kHelpExampleDomain = "example.com";

// Where the home page, the contact link and the tutorial line of the help point: the
// project's README.
QString projectReadmeAddress();

// The help text shown by 疑点说明: 24 lines joined by CR LF, no CR LF after the last.
QString helpText();

}  // namespace lh
