#pragma once

#include <string>
#include <string_view>

#include "collect/search_engine.h"

namespace lh {

// How many result pages a keyword reads: a number, or every page until a stop rule
// ends the keyword.
struct PageLimit {
    long long pages = 0;  // 0 = every page

    static PageLimit all() { return {}; }
    // The edit box's reading rule: text to integer, 0 or less (and "全部") = every page.
    static PageLimit fromText(std::string_view text);
    bool isAll() const { return pages <= 0; }
    bool operator==(const PageLimit&) const = default;
};

// Every option a run reads, typed. The window's controls, a saved settings file and the
// command line's flags all reach it through the one table in persisted_options.h, which
// also applies the reading rules (edit-box text to a number). All texts are program
// text (GB18030).
struct CollectionSettings {
    std::string keywordList;  // lines joined by CR LF
    SearchEngine engine = SearchEngine::None;
    PageLimit pageLimit;
    int resultsPerPage = 10;  // 1-100, see resultsPerPageFromText
    std::string saveFolder;
    std::string fileExtension;  // without dot
    std::string outputTemplate;
    bool onlySelectedRanks = false;
    std::string selectedRanks;  // "|"-separated
    bool wwwNotTopLevel = false;
    bool useComSite = false;
    bool keywordSeparatorLine = false;
    bool mergeIntoOneFile = false;
    bool removeDuplicates = false;
    bool ignoreEngineSites = false;
    bool clearCacheOnVerification = false;
    bool autoCloseVerification = false;
    // Look up every redirect link, also where the page names the result's target.
    bool resolveAlways = false;
    // Proxy addresses, one a line (CR LF), handed to the keywords in turn; empty: the
    // system's proxy variables.
    std::string proxyList;
    // How many of a page's link look-ups run at once; 1: one after another.
    int resolveParallel = 1;  // 1-16, see parallelLookUpsFromText
    int baiduFetchMode = 0;   // selection of the mode list: 0 = mode 2, 1 = mode 3, -1 none
    // Go on with the unfinished run whose journal is in the save folder.
    bool resumeRun = false;

    // The window's design-time values (persisted_options.cpp holds them); a
    // default-constructed value is empty, not the design.
    static CollectionSettings defaults();

    bool operator==(const CollectionSettings&) const = default;
};

// Results kept per page from edit-box text: text to integer; below 1 becomes 10, above
// 100 becomes 100, 1-9 stay.
int resultsPerPageFromText(std::string_view text);

// Link look-ups at once from edit-box text: text to integer; below 1 becomes 1 (one after
// another), above 16 becomes 16.
int parallelLookUpsFromText(std::string_view text);
inline constexpr int kMostParallelLookUps = 16;

// Where a run reads its options. Called at every moment the run reads an option, so a
// change made during a run takes effect at its next use; a fresh copy each call. Called
// from the run's thread.
class OptionsSource {
public:
    virtual ~OptionsSource() = default;
    virtual CollectionSettings settings() = 0;
};

// "C:\搜词取链" on Windows; the home folder + "/搜词取链" elsewhere.
std::string defaultSaveFolder();

// The platform's folder separator as program text.
const std::string& folderSeparator();

}  // namespace lh
