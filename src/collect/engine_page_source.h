#pragma once

#include <chrono>
#include <string>

#include "collect/browser.h"
#include "collect/engine_catalogue.h"
#include "collect/look_up_workers.h"
#include "collect/result_page_source.h"
#include "textutil/regex_service.h"
#include "web/event_wait.h"

namespace lh {

// How long the look-up of one result's link may take in all, its retries included.
inline constexpr std::chrono::milliseconds kLinkLookUpBudget{30000};

// The real engines behind a run: each engine's address, download recipe, extraction
// rules and link rule, as its catalogue entry says. Downloads go over the network and
// wait through `wait`; Bing and Baidu's advertisement links use `browser`; cookie files
// live in `programFolder` (program text, no trailing separator). One link's look-up
// gives up after `linkBudget`.
class EnginePageSource : public ResultPageSource {
public:
    EnginePageSource(Browser& browser, EventWait& wait, std::string programFolder,
                     std::chrono::milliseconds linkBudget = kLinkLookUpBudget);
    EnginePageSource(const EnginePageSource&) = delete;
    EnginePageSource& operator=(const EnginePageSource&) = delete;

    std::string searchAddress(const CollectionSettings& settings, std::string_view keyword,
                              long long page, std::string_view nextPageUrl,
                              const EngineSession& session) override;
    ResultPage fetchPage(const CollectionSettings& settings, std::string_view keyword,
                         const std::string& address, EngineSession& session,
                         const StopToken& stop) override;
    ResolvedLink resolveLink(const CollectionSettings& settings, const ResultRecord& record,
                             EngineSession& session, const StopToken& stop) override;
    // Look-ups that only send requests run on worker threads, up to
    // settings.resolveParallel at once, each with a copy of the session as it was when the
    // page's look-ups began; those that need the browser or the session's advertisement
    // cookies run on the calling thread alone (after those before them, before those
    // after them); those that send nothing on the calling thread in their turn.
    void resolveLinks(const CollectionSettings& settings,
                      std::span<const ResultRecord* const> records, EngineSession& session,
                      const StopToken& stop, const TakeLink& take) override;

private:
    Browser& browser_;
    EventWait& wait_;
    std::string programFolder_;
    std::chrono::milliseconds linkBudget_;
    RegexService jsessionPattern_;
    LookUpWorkers workers_;  // last: its threads end before the rest goes
};

// Whether a page's links are as the server sent them or already absolute.
enum class PageLinks { AsServed, Absolute };

// Reads a downloaded page (program text) fetched from `address` by the engine's rules:
// its records, its next-page link where the engine pages by them, and whether it is a
// verification page the engine's pages are examined for.
ResultPage readResultPage(const EngineProfile& engine, const std::string& address, std::string text,
                          PageLinks links = PageLinks::AsServed);

// The next-page address of a page fetched from `address`, when the engine pages by
// next-page links; empty otherwise.
std::string nextPageOf(const EngineProfile& engine, const std::string& address,
                       const std::string& text, PageLinks links = PageLinks::AsServed);

}  // namespace lh
