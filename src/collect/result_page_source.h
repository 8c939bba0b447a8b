#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "collect/collection_settings.h"
#include "collect/engine_session.h"
#include "collect/result_record.h"

namespace lh {

// One download of a result page, read.
struct ResultPage {
    std::string text;  // the page as fetched, program text; empty when the download failed
    // One record per result block, in page order, addresses as the page gives them.
    std::vector<ResultRecord> records;
    // The page's next-page address; empty when it has none or the engine does not page by
    // next-page links.
    std::string nextPageUrl;
    // A verification page of an engine whose pages are examined for one.
    bool verificationDetected = false;
};

// The engine work of a run: search addresses, result pages and link targets. The real
// one is EnginePageSource; the driver's tests script one. Every call gets all it works
// on; nothing is kept from one call to the next except what `session` holds.
class ResultPageSource {
public:
    virtual ~ResultPageSource() = default;

    // The search address of a keyword's page (1 on); `nextPageUrl` is the next-page link
    // the keyword's previous page offered. Empty when there is none to go to.
    virtual std::string searchAddress(const CollectionSettings& settings, std::string_view keyword,
                                      long long page, std::string_view nextPageUrl,
                                      const EngineSession& session) = 0;

    // Downloads `address` once, the engine's way, and reads the page.
    virtual ResultPage fetchPage(const CollectionSettings& settings, std::string_view keyword,
                                 const std::string& address, EngineSession& session) = 0;

    // The target behind a result's address (the engine's redirector, Google's clean-up);
    // the address itself when there is nothing to resolve; empty drops the result.
    virtual std::string resolveLink(const CollectionSettings& settings, const std::string& address,
                                    EngineSession& session) = 0;
};

}  // namespace lh
