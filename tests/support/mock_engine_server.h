#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "collect/search_engine.h"
#include "support/local_server.h"

namespace lh::test {

// One result the mock engines list. Program text.
struct MockResult {
    std::string title;
    std::string target;  // the real address behind the engine's link
    std::string description;
};

// How an engine's pages travel.
enum class MockBody { Utf8, Gbk, GzipUtf8, GzipGbk };

// The ten search engines on 127.0.0.1: an HTTP and an HTTPS LocalServer, with every
// engine host routed to them (NetworkOverrides, program-wide, until destruction; the
// HTTPS side uses the test CA). Only one may exist at a time.
//
// Result pages: `results(engine, keyword, page)` lists what page `page` of a keyword
// holds (resultsPerPage results, pagesPerKeyword pages, then pages without results),
// in the markup that engine's extraction reads, with a next-page link on Baidu, Baidu
// News and Bing (none on the last page). The links go through each engine's redirector:
//   Baidu       http://www.baidu.com/link?url=HEX      302 Location (needs no cookie);
//               every third result  .../link?url=A-HEX  answers 200 with the noscript
//               refresh page (marker A) and no Location; result 2 of page 1 is an
//               advertisement https://www.baidu.com/baidu.php?url=HEX whose Location
//               is the target only with the warm-up cookie BAIDUID (set by the search
//               /s?...&tn=baidu&wd=...), another baidu.php address otherwise
//   360         http://www.so.com/link?m=HEX           200 refresh page (marker B)
//   Sogou News  http://news.sogou.com/link?url=HEX     404 there; on www.sogou.com 200
//               refresh page (marker C)
//   Baidu mobile https://m.baidu.com/from=844b/...&nsrc=HEX  200 refresh page (marker B)
//   360 mobile  https://m.so.com/jump?u=ENCODED&m=1    decoded locally
//   Google      https://www.google.com/url?q=TARGET&sa=U (or google.com.hk)
//   Sogou, Baidu News, Bing, Shenma: the target itself.
// With carryTargets on, results also name their target in the page as today's engines
// do: Baidu mu= on the block, 360 data-mdurl on the title link, Sogou and Sogou News
// data-url in the block; Bing's links become click-tracking addresses
// (https://www.bing.com/ck/a?!&&p=…&u=a1<target in base64url>&ntb=1).
// Verification: requireVerification(engine) makes result pages of that engine answer
// its verification page until a request carries the cookie "verified=yes".
class MockEngineServer {
public:
    MockEngineServer();
    ~MockEngineServer();
    MockEngineServer(const MockEngineServer&) = delete;
    MockEngineServer& operator=(const MockEngineServer&) = delete;

    int resultsPerPage = 3;
    // Called on a server thread for every request before it is answered.
    std::function<void(const RecordedRequest&)> onRequest;
    // Called on a server thread with every answer before it goes out; may change it
    // (stall it, cut it short). Set before requests arrive.
    std::function<void(const RecordedRequest&, ScriptedAnswer&)> alterAnswer;
    int pagesPerKeyword = 3;
    bool carryTargets = false;  // set before requests arrive

    // The first `count` results of a keyword's page.
    static std::vector<MockResult> results(SearchEngine engine, const std::string& keyword,
                                           int page, int count = 3);
    static MockBody bodyOf(SearchEngine engine);

    // About 1 KB of markup that is no result (a side panel with one link), as padding.
    static std::string fillerBlock();

    void requireVerification(SearchEngine engine, bool on = true);
    // Every result-page answer of every engine is padded to about this many bytes.
    void setPagePadding(std::size_t bytes);

    // Requests that arrived on either server, in arrival order within each server.
    std::vector<RecordedRequest> requests() const;
    // Requests for result pages of `engine` (not redirectors).
    std::vector<RecordedRequest> resultPageRequests(SearchEngine engine) const;
    void clearLog();

    // Which engine a request is a result page of; None for redirectors and others.
    static SearchEngine engineOfRequest(const RecordedRequest& request);

private:
    ScriptedAnswer answer(const RecordedRequest& request);
    ScriptedAnswer resultPage(SearchEngine engine, const RecordedRequest& request);

    LocalServer http_{LocalServer::Scheme::Http};
    LocalServer https_{LocalServer::Scheme::Https};
    mutable std::mutex mutex_;
    std::map<SearchEngine, bool> verification_;
    std::size_t padding_ = 0;
};

// The bytes of `text` in base64url without padding.
std::string base64UrlOf(const std::string& text);

// Hex of the bytes of `text` (lower case), and back (up to the first pair that is no hex).
std::string hexOf(const std::string& text);
std::string unhex(const std::string& hex);

}  // namespace lh::test
