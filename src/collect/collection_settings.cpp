#include "collect/collection_settings.h"

#include <cstdlib>

#include "textutil/program_text.h"

namespace lh {

CollectionSettings CollectionSettings::defaults() {
    CollectionSettings s;
    s.keywordList = gb("外星人\r\n2012");
    s.pageLimitText = gb("全部");
    s.resultsPerPageText = "50";
    s.saveFolder = defaultSaveFolder();
    s.outputTemplate = gb("\"#标题#\",\"#网址#\",\"#域名#\",\"#顶级域名#\",\"#描述#\"");
    return s;
}

long long CollectionSettings::pageLimit() const { return toInteger(pageLimitText); }

int CollectionSettings::resultsPerPage() const {
    const long long n = toInteger(resultsPerPageText);
    if (n < 1) return 10;
    if (n > 100) return 100;
    return static_cast<int>(n);
}

std::string defaultSaveFolder() {
#ifdef _WIN32
    return gb("C:\\搜词取链");
#else
    const char* home = std::getenv("HOME");
    std::string base =
        (home != nullptr && *home != '\0') ? programTextOfPath(home) : std::string(".");
    return base + gb("/搜词取链");
#endif
}

const std::string& folderSeparator() {
#ifdef _WIN32
    static const std::string separator = "\\";
#else
    static const std::string separator = "/";
#endif
    return separator;
}

}  // namespace lh
