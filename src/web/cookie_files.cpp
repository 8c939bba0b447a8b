#include "web/cookie_files.h"

#include <fstream>
#include <sstream>
#include <system_error>

#include "textutil/program_text.h"

namespace lh {

namespace {

std::filesystem::path cookieFilePath(std::string_view folder, std::string_view fileName) {
    return nativePath(folder) / nativePath(fileName);
}

}  // namespace

const std::string& baiduCookieFileName() {
    static const std::string name = gb("百度Cookies.txt");
    return name;
}

const std::string& baiduMobileCookieFileName() {
    static const std::string name = gb("百度移动Cookies.txt");
    return name;
}

std::string readCookieFile(std::string_view folder, std::string_view fileName) {
    std::ifstream in(cookieFilePath(folder, fileName), std::ios::binary);
    if (!in) return {};
    std::ostringstream content;
    content << in.rdbuf();
    return in.bad() ? std::string() : content.str();
}

bool writeCookieFile(std::string_view folder, std::string_view fileName,
                     std::string_view cookieText) {
    const std::filesystem::path target = cookieFilePath(folder, fileName);
    std::filesystem::path temporary = target;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(cookieText.data(), static_cast<std::streamsize>(cookieText.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, target, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

}  // namespace lh
