#pragma once

#include <functional>
#include <string>
#include <vector>

#include "collect/collection_steps.h"

namespace lh::test {

// What one page of a keyword looks like to the driver.
struct ScriptedPage {
    std::string text = "page";               // the downloaded text
    std::vector<std::size_t> blocks = {10};  // blocks found per attempt; the last repeats
    long long writable = 1000;               // at most this many lines reach the file
    std::string next;                        // the next-page address
};

// CollectionSteps that answer from a script instead of engines: every block parses to
// a result "t<rank>" at "http://r/<rank>", nothing is filtered, and writing keeps up to
// `writable` lines. Records every call in `calls`.
class ScriptedSteps : public CollectionSteps {
public:
    std::function<ScriptedPage(const std::string& keyword, long long page)> script =
        [](const std::string&, long long) { return ScriptedPage{}; };
    // Called at every download, before it answers.
    std::function<void(const std::string& url)> onFetch;
    ResultFileFailure pendingFailure;
    // Texts of the next downloads, front first; then the page's own text.
    std::vector<std::string> fetchTexts;

    std::vector<std::string> calls;
    std::vector<std::string> fetched;
    std::vector<int> perPageSeen;
    std::vector<long long> writtenPerPage;

    void openMergedFile(const CollectionSettings&) override { calls.push_back("open merged"); }
    void openKeywordFile(const CollectionSettings&, const std::string& keyword) override {
        calls.push_back("open " + keyword);
    }
    void writeKeywordHeading(const CollectionSettings&, const std::string& keyword,
                             bool first) override {
        calls.push_back("heading " + keyword + (first ? " first" : ""));
    }
    void closeFile() override { calls.push_back("close"); }
    ResultFileFailure takeFileFailure() override {
        ResultFileFailure failure = pendingFailure;
        pendingFailure = {};
        return failure;
    }
    void beginRun() override { calls.push_back("begin run"); }
    std::string googleBase(bool useComSite) override {
        return useComSite ? "https://g.com/" : "https://g.hk/";
    }
    void beginPage() override { ++openPages; }
    void endPage() override { --openPages; }
    std::string searchUrl(const std::string& keyword, long long page) override {
        keyword_ = keyword;
        page_ = script(keyword, page);
        attempt_ = 0;
        return "http://e/?q=" + keyword + "&p=" + std::to_string(page);
    }
    std::string fetchResultPage(const std::string& url) override {
        fetched.push_back(url);
        if (onFetch) onFetch(url);
        if (!fetchTexts.empty()) {
            std::string text = fetchTexts.front();
            fetchTexts.erase(fetchTexts.begin());
            return text;
        }
        return page_.text;
    }
    std::size_t extractResultBlocks(const std::string&) override {
        const std::size_t i = std::min(attempt_, page_.blocks.size() - 1);
        ++attempt_;
        return page_.blocks[i];
    }
    std::string block(std::size_t index) override { return std::to_string(index); }
    std::string nextPageUrl(const std::string&, const std::string&) override { return page_.next; }
    bool rankSelected(long long) override { return true; }
    ResultRecord parseResult(const std::string& block) override {
        ResultRecord record;
        record.title = "t" + block;
        record.address = "http://r/" + block;
        return record;
    }
    std::string resolveResultLink(const std::string& address) override { return address; }
    bool acceptResult(const ResultRecord&) override { return true; }
    long long writePageResults(const std::vector<ResultRecord>& records, int perPage,
                               const std::function<void(long long)>& onLineWritten) override {
        perPageSeen.push_back(perPage);
        long long written = 0;
        for (std::size_t i = 0; i < records.size() && written < page_.writable; ++i) {
            ++written;
            onLineWritten(written);
            if (written >= perPage) break;
        }
        writtenPerPage.push_back(written);
        return written;
    }

    int openPages = 0;

private:
    std::string keyword_;
    ScriptedPage page_;
    std::size_t attempt_ = 0;
};

}  // namespace lh::test
