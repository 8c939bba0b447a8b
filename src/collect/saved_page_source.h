#pragma once

#include <string>
#include <vector>

#include "collect/result_page_source.h"

namespace lh {

// A result page saved to disk, and the keyword its results are written under.
struct SavedPage {
    std::string keyword;  // program text, trimmed
    std::string path;     // file-system form
};

// Serves saved pages instead of downloads: each keyword's one page is its file, read
// and decoded as a downloaded page would be (byte-order mark, meta charset, UTF-8
// scan). Search addresses and, unless `resolveLinks` is off, link targets come from
// `engine`, so relative links read as on the engine's own host.
class SavedPageSource : public ResultPageSource {
public:
    SavedPageSource(std::vector<SavedPage> pages, ResultPageSource& engine, bool resolveLinks);

    std::string searchAddress(const CollectionSettings& settings, std::string_view keyword,
                              long long page, std::string_view nextPageUrl,
                              const EngineSession& session) override;
    ResultPage fetchPage(const CollectionSettings& settings, std::string_view keyword,
                         const std::string& address, EngineSession& session,
                         const StopToken& stop) override;
    ResolvedLink resolveLink(const CollectionSettings& settings, const ResultRecord& record,
                             EngineSession& session, const StopToken& stop) override;
    void resolveLinks(const CollectionSettings& settings,
                      std::span<const ResultRecord* const> records, EngineSession& session,
                      const StopToken& stop, const TakeLink& take) override;

private:
    std::vector<SavedPage> pages_;
    ResultPageSource& engine_;
    bool resolveLinks_;
};

// The keyword a saved page's file stands for: its name without the last extension,
// as program text (UTF-8 names converted), blanks trimmed.
std::string keywordOfSavedPage(const std::string& path);

}  // namespace lh
