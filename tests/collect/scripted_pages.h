#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "collect/engine_catalogue.h"
#include "collect/result_page_source.h"
#include "collect/verification.h"

namespace lh::test {

// What one page of a keyword looks like to the driver.
struct ScriptedPage {
    std::string text = "page";               // the downloaded text
    std::vector<std::size_t> blocks = {10};  // results found per attempt; the last repeats
    // Results beyond this many repeat the page's first one (duplicates, not written again);
    // 0: every result has an empty address and is dropped.
    long long fresh = 1000;
    std::string next;  // the next-page address
};

// The engine work answered from a script: page p of keyword k is at "http://e/?q=k&p=p",
// its results are "t/k/p/i" at "http://r/k/p/i", links resolve to themselves. A download
// is a verification page when its text is one and the engine is examined for them.
// Records every download.
class ScriptedPages : public ResultPageSource {
public:
    std::function<ScriptedPage(const std::string& keyword, long long page)> script =
        [](const std::string&, long long) { return ScriptedPage{}; };
    // Called at every download, before it answers.
    std::function<void(const std::string& url)> onFetch;
    // Texts of the next downloads, front first; then the page's own text.
    std::vector<std::string> fetchTexts;
    // How the next downloads end, front first; then they succeed.
    std::vector<TransferOutcome> downloads;
    // Every link look-up fails so (the address stays as parsed); None: they succeed.
    TransferOutcome linkFailure;

    // Downloads through these proxies fail to connect.
    std::vector<std::string> deadProxies;

    std::vector<std::string> fetched;      // every address downloaded
    std::vector<std::string> proxies;      // the session's proxy at every download
    std::vector<std::string> sentCookies;  // the session's cookie text at every download

    std::string searchAddress(const CollectionSettings&, std::string_view keyword, long long page,
                              std::string_view, const EngineSession&) override {
        const std::string url =
            "http://e/?q=" + std::string(keyword) + "&p=" + std::to_string(page);
        pages_[url] = {std::string(keyword), page, script(std::string(keyword), page), 0};
        return url;
    }

    ResultPage fetchPage(const CollectionSettings& settings, std::string_view,
                         const std::string& address, EngineSession& session,
                         const StopToken&) override {
        fetched.push_back(address);
        sentCookies.push_back(session.cookieText);
        proxies.push_back(session.proxy);
        if (onFetch) onFetch(address);
        if (std::find(deadProxies.begin(), deadProxies.end(), session.proxy) != deadProxies.end()) {
            ResultPage refused;
            refused.download = {.failure = TransferFailure::Proxy, .reason = "refused"};
            return refused;
        }
        Scripted& s = pages_[address];
        ResultPage result;
        if (!fetchTexts.empty()) {
            result.text = fetchTexts.front();
            fetchTexts.erase(fetchTexts.begin());
        } else {
            result.text = s.page.text;
        }
        if (!downloads.empty()) {
            result.download = downloads.front();
            downloads.erase(downloads.begin());
        }
        result.verificationDetected =
            isVerificationPage(engineProfile(settings.engine), result.text);
        if (result.verificationDetected) return result;
        const std::size_t count =
            s.page.blocks.empty() ? 0
                                  : s.page.blocks[std::min(s.attempt, s.page.blocks.size() - 1)];
        ++s.attempt;
        const std::string stem = s.keyword + "/" + std::to_string(s.number) + "/";
        for (std::size_t i = 0; i < count; ++i) {
            ResultRecord record;
            const std::size_t shown = static_cast<long long>(i) < s.page.fresh ? i : 0;
            record.title = "t/" + stem + std::to_string(shown);
            if (s.page.fresh > 0) record.address = "http://r/" + stem + std::to_string(shown);
            result.records.push_back(record);
        }
        result.nextPageUrl = s.page.next;
        return result;
    }

    ResolvedLink resolveLink(const CollectionSettings&, const ResultRecord& record, EngineSession&,
                             const StopToken&) override {
        return {record.address, linkFailure};
    }

private:
    struct Scripted {
        std::string keyword;
        long long number = 0;
        ScriptedPage page;
        std::size_t attempt = 0;
    };
    std::map<std::string, Scripted> pages_;
};

}  // namespace lh::test
