#pragma once

#include <string>
#include <string_view>

namespace lh {

// Cookie files keep one cookie text each between runs, in the program's folder:
// GB18030 bytes, no line break, no header.

// "百度Cookies.txt" (Baidu web and Baidu News) and "百度移动Cookies.txt" (Baidu mobile),
// as program text.
const std::string& baiduCookieFileName();
const std::string& baiduMobileCookieFileName();

// The whole file as one cookie text; empty when it is missing, unreadable, not a
// regular file or larger than kInputFileLimit.
// `folder` and `fileName` are program text.
std::string readCookieFile(std::string_view folder, std::string_view fileName);

// Replaces the file's content with `cookieText`. The old content survives a failed write
// (written beside it first, then moved over it). A new file is readable by the user
// alone; a file that exists keeps its mode. False when the file cannot be written.
bool writeCookieFile(std::string_view folder, std::string_view fileName,
                     std::string_view cookieText);

}  // namespace lh
