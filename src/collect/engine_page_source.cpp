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
        fetchResultPage(engine, settings, session, around, address, keyword, &download));
    page.download = std::move(download);
    return page;
}

ResolvedLink EnginePageSource::resolveLink(const CollectionSettings& settings,
                                           const ResultRecord& record, EngineSession& session,
                                           const StopToken& stop) {
    HttpClient client;
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

std::string nextPageOf(const EngineProfile& engine, const std::string& address,
                       const std::string& text) {
    // Looking for a link on other engines' pages would cost time and change nothing.
    if (engine.paging == Paging::PageNumber) return {};
    return findNextPageUrl(address, absolutisedPage(address, text));
}

ResultPage readResultPage(const EngineProfile& engine, const std::string& address,
                          std::string text) {
    ResultPage page;
    page.verificationDetected = isVerificationPage(engine, text);
    page.records = readResultRecords(*engine.extraction, engine.extractionFallbacks, text,
                                     engine.carriedTarget);
    page.nextPageUrl = nextPageOf(engine, address, text);
    page.text = std::move(text);
    return page;
}

}  // namespace lh
