#include "collect/collection_settings.h"

#include <cstdlib>

#include "collect/persisted_options.h"
#include "textutil/program_text.h"

namespace lh {

PageLimit PageLimit::fromText(std::string_view text) {
    const long long n = toInteger(text);
    return PageLimit{n > 0 ? n : 0};
}

int resultsPerPageFromText(std::string_view text) {
    const long long n = toInteger(text);
    if (n < 1) return 10;
    if (n > 100) return 100;
    return static_cast<int>(n);
}

int parallelLookUpsFromText(std::string_view text) {
    const long long n = toInteger(text);
    if (n < 1) return 1;
    if (n > kMostParallelLookUps) return kMostParallelLookUps;
    return static_cast<int>(n);
}

CollectionSettings CollectionSettings::defaults() {
    static const CollectionSettings designValues = [] {
        CollectionSettings s;
        for (const PersistedOption& option : persistedOptions()) applyDefault(option, s);
        return s;
    }();
    CollectionSettings s = designValues;
    // The home folder may change while the program runs (tests do that).
    s.saveFolder = defaultSaveFolder();
    return s;
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
