#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "collect/collection_settings.h"
#include "collect/engine_session.h"
#include "collect/result_record.h"
#include "web/stop_token.h"
#include "web/transfer_outcome.h"

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
    // How the download ended: why it failed, the status line and headers that came.
    TransferOutcome download{};
};

// A result's link target.
struct ResolvedLink {
    // The target; the address as parsed when nothing was resolved; empty drops the result.
    std::string address;
    // Why the target stayed unresolved when a look-up failed (the last failure); None
    // otherwise.
    TransferOutcome failure{};
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

    // Downloads `address` once, the engine's way, and reads the page. A stop request
    // ends the download at once.
    virtual ResultPage fetchPage(const CollectionSettings& settings, std::string_view keyword,
                                 const std::string& address, EngineSession& session,
                                 const StopToken& stop) = 0;

    // The target behind a result's address (the target the page names beside it, the
    // engine's redirector, Google's clean-up); the address itself when there is nothing
    // to resolve. A stop request, or the look-up's time budget running out, leaves the
    // address as parsed.
    virtual ResolvedLink resolveLink(const CollectionSettings& settings, const ResultRecord& record,
                                     EngineSession& session, const StopToken& stop) = 0;

    // Receives record i's target; false ends the batch.
    using TakeLink = std::function<bool(std::size_t i, ResolvedLink link)>;

    // The targets of a page's records, as resolveLink gives them. `take` receives them
    // on the calling thread in record order, each as soon as it and every one before it
    // are done. A stop request starts no further look-up and ends those in progress at
    // once; records not started are not handed over. Here one after another; a source
    // may look up `settings.resolveParallel` at once.
    virtual void resolveLinks(const CollectionSettings& settings,
                              std::span<const ResultRecord* const> records, EngineSession& session,
                              const StopToken& stop, const TakeLink& take) {
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (stop.stopRequested()) return;
            if (!take(i, resolveLink(settings, *records[i], session, stop))) return;
        }
    }
};

}  // namespace lh
