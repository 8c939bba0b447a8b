#include "collect/engine_steps.h"

#include "collect/result_extraction.h"
#include "collect/result_filter.h"
#include "collect/result_link_resolution.h"
#include "collect/result_output.h"
#include "collect/result_page_fetch.h"
#include "collect/search_engine.h"
#include "textutil/absolutise_links.h"
#include "textutil/html_tag_scanner.h"
#include "textutil/next_page.h"
#include "textutil/regex_service.h"
#include "web/http_client.h"

namespace lh {

// The working objects of one page step.
struct EngineSteps::PageTools {
    HttpClient client;
    HtmlTagScanner scanner;
    RegexService jsession;
    CollectionSettings settings;  // read at the page's start, for extraction
};

EngineSteps::EngineSteps(CollectionHost& host, CollectionRun& run) : host_(host), run_(run) {}

EngineSteps::~EngineSteps() = default;

void EngineSteps::openMergedFile(const CollectionSettings& settings) {
    lh::openMergedFile(settings, run_, localDateTimeNow());
}

void EngineSteps::openKeywordFile(const CollectionSettings& settings, const std::string& keyword) {
    lh::openKeywordFile(settings, run_, keyword);
}

void EngineSteps::writeKeywordHeading(const CollectionSettings& settings,
                                      const std::string& keyword, bool firstPiece) {
    lh::writeKeywordHeading(settings, run_, keyword, firstPiece);
}

void EngineSteps::closeFile() { run_.outputFile.close(); }

ResultFileFailure EngineSteps::takeFileFailure() {
    ResultFileFailure failure = run_.outputFile.failure();
    if (!failure.empty()) run_.outputFile.clearFailure();
    return failure;
}

void EngineSteps::beginRun() { resetRunOutput(run_); }

std::string EngineSteps::googleBase(bool useComSite) { return googleBaseFor(useComSite); }

void EngineSteps::beginPage() {
    page_ = std::make_unique<PageTools>();
    makeJsessionPattern(page_->jsession);
    page_->settings = host_.settings();
}

void EngineSteps::endPage() { page_.reset(); }

std::string EngineSteps::searchUrl(const std::string& keyword, long long page) {
    keyword_ = keyword;
    return buildSearchUrl(host_.settings(), run_, keyword, page);
}

std::string EngineSteps::fetchResultPage(const std::string& url) {
    return lh::fetchResultPage(host_, run_, page_->client, url, keyword_);
}

std::size_t EngineSteps::extractResultBlocks(const std::string& page) {
    page_->settings = host_.settings();
    const int count = lh::extractResultBlocks(page_->settings.engine, page, page_->scanner);
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}

std::string EngineSteps::block(std::size_t index) {
    return resultBlock(page_->scanner, static_cast<int>(index) + 1);
}

std::string EngineSteps::nextPageUrl(const std::string& url, const std::string& page) {
    // Only Baidu, Baidu News and Bing page through next-page links; looking for one on
    // other engines' pages would cost time and change nothing.
    const SearchEngine engine = host_.settings().engine;
    if (engine != SearchEngine::Baidu && engine != SearchEngine::BaiduNews &&
        engine != SearchEngine::Bing) {
        return {};
    }
    std::string text = page;
    return findNextPageUrl(url, absolutiseLinks(url, text));
}

bool EngineSteps::rankSelected(long long rank) { return lh::rankSelected(host_.settings(), rank); }

ResultRecord EngineSteps::parseResult(const std::string& block) {
    return lh::parseResult(page_->settings.engine, block, page_->scanner);
}

std::string EngineSteps::resolveResultLink(const std::string& address) {
    const CollectionSettings settings = host_.settings();
    LinkResolutionContext context{
        host_, run_, page_->client, page_->jsession, settings.engine, settings.outputTemplate};
    std::string resolved = lh::resolveResultLink(context, address);
    if (settings.engine == SearchEngine::Google) {
        resolved = cleanGoogleAddress(resolved, run_.googleBase, page_->jsession);
    }
    return resolved;
}

bool EngineSteps::acceptResult(const ResultRecord& record) {
    return lh::acceptResult(host_.settings(), record);
}

long long EngineSteps::writePageResults(const std::vector<ResultRecord>& records, int perPage,
                                        const std::function<void(long long)>& onLineWritten) {
    const long long before = run_.totalCollected;
    return lh::writePageResults(
        host_.settings(), run_, records, perPage,
        [&](long long runningTotal) { onLineWritten(runningTotal - before); });
}

}  // namespace lh
