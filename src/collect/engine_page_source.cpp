#include "collect/engine_page_source.h"

#include "collect/result_extraction.h"
#include "collect/result_link_resolution.h"
#include "collect/result_page_fetch.h"
#include "collect/search_url.h"
#include "collect/verification.h"
#include "textutil/absolutise_links.h"
#include "textutil/next_page.h"
#include "web/http_client.h"

namespace lh {

EnginePageSource::EnginePageSource(Browser& browser, EventWait& wait, std::string programFolder,
                                   std::chrono::milliseconds linkBudget)
    : browser_(browser),
      wait_(wait),
      programFolder_(std::move(programFolder)),
      linkBudget_(linkBudget) {
    makeJsessionPattern(jsessionPattern_);
}

std::string EnginePageSource::searchAddress(const CollectionSettings& settings,
                                            std::string_view keyword, long long page,
                                            std::string_view nextPageUrl,
                                            const EngineSession& session) {
    SearchQuery query;
    query.engine = settings.engine;
    query.keyword = keyword;
    query.page = page;
    query.perPage = settings.resultsPerPage;
    query.useComSite = settings.useComSite;
    query.googleBase = session.googleBase;
    query.nextPageUrl = nextPageUrl;
    return buildSearchUrl(query);
}

ResultPage EnginePageSource::fetchPage(const CollectionSettings& settings, std::string_view keyword,
                                       const std::string& address, EngineSession& session,
                                       const StopToken& stop) {
    const EngineProfile& engine = engineProfile(settings.engine);
    FetchSurroundings around{browser_, wait_, programFolder_, stop};
    TransferOutcome download;
    ResultPage page = readResultPage(
        engine, address,
        fetchResultPage(engine, settings, session, around, address, keyword, &download),
        fetchesAbsolutePages(engine.fetch) ? PageLinks::Absolute : PageLinks::AsServed);
    page.download = std::move(download);
    return page;
}

ResolvedLink EnginePageSource::resolveLink(const CollectionSettings& settings,
                                           const ResultRecord& record, EngineSession& session,
                                           const StopToken& stop) {
    HttpClient client;
    client.useProxy(session.proxy);
    LinkResolutionContext context{browser_,
                                  wait_,
                                  session,
                                  client,
                                  jsessionPattern_,
                                  engineProfile(settings.engine),
                                  settings.outputTemplate,
                                  stop.withDeadline(StopToken::Clock::now() + linkBudget_)};
    context.resolveAlways = settings.resolveAlways;
    ResolvedLink link{resolveResultLink(context, record.address, record.pageTarget)};
    if (context.failure.failure != TransferFailure::None) link.failure = std::move(context.failure);
    return link;
}

void EnginePageSource::resolveLinks(const CollectionSettings& settings,
                                    std::span<const ResultRecord* const> records,
                                    EngineSession& session, const StopToken& stop,
                                    const TakeLink& take) {
    if (settings.resolveParallel <= 1) {
        ResultPageSource::resolveLinks(settings, records, session, stop, take);
        return;
    }
    const EngineProfile& engine = engineProfile(settings.engine);
    std::vector<LookUpPlace> places;
    places.reserve(records.size());
    for (const ResultRecord* record : records) {
        places.push_back(lookUpPlace(engine, settings.outputTemplate, settings.resolveAlways,
                                     record->address, record->pageTarget));
    }
    // Workers read this copy only; the calling thread may change the session meanwhile.
    const EngineSession asBegun = session;
    std::vector<ResolvedLink> links(records.size());
    LookUpWorkers::Batch batch;
    batch.count = records.size();
    batch.parallel = settings.resolveParallel;
    batch.placeOf = [&](std::size_t i) {
        switch (places[i]) {
        case LookUpPlace::AnyThread:
            return LookUpWorkers::Place::Worker;
        case LookUpPlace::RunThread:
            // What it changes (the browser's cookies, the session's) is what the look-ups
            // after it send and the ones before it did not.
            return LookUpWorkers::Place::CallerAlone;
        case LookUpPlace::Here:
            break;
        }
        return LookUpWorkers::Place::Caller;
    };
    batch.job = [&](std::size_t i) {
        if (places[i] != LookUpPlace::AnyThread) {
            links[i] = resolveLink(settings, *records[i], session, stop);
            return;
        }
        EngineSession own = asBegun;
        links[i] = resolveLink(settings, *records[i], own, stop);
    };
    batch.deliver = [&](std::size_t i) { return take(i, std::move(links[i])); };
    batch.stopped = [&stop] { return stop.stopRequested(); };
    workers_.run(batch);
}

std::string nextPageOf(const EngineProfile& engine, const std::string& address,
                       const std::string& text, PageLinks links) {
    // Looking for a link on other engines' pages would cost time and change nothing.
    if (engine.paging == Paging::PageNumber) return {};
    if (links == PageLinks::Absolute) return findNextPageUrl(address, text);
    return findNextPageUrl(address, absolutisedPage(address, text));
}

ResultPage readResultPage(const EngineProfile& engine, const std::string& address, std::string text,
                          PageLinks links) {
    ResultPage page;
    page.verificationDetected = isVerificationPage(engine, text);
    page.records = readResultRecords(*engine.extraction, engine.extractionFallbacks, text,
                                     engine.carriedTarget);
    page.nextPageUrl = nextPageOf(engine, address, text, links);
    page.text = std::move(text);
    return page;
}

}  // namespace lh
