#include "collect/collection_driver.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "collect/verification.h"
#include "textutil/program_text.h"

namespace lh {

namespace captions {
const std::string& start() {
    static const std::string text = gb("开始采集");
    return text;
}
const std::string& stop() {
    static const std::string text = gb("停止采集");
    return text;
}
const std::string& stopping() {
    static const std::string text = gb("停止采集中");
    return text;
}
}  // namespace captions

namespace {

constexpr double kTolerance = 1e-7;

// Plain decimal notation rounded to 2 places, without trailing zeros.
std::string plainNumber(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.2f", std::round(value * 100.0) / 100.0);
    std::string text = buffer;
    if (text.find('.') != std::string::npos) {
        while (!text.empty() && text.back() == '0') text.pop_back();
        if (!text.empty() && text.back() == '.') text.pop_back();
    }
    if (text == "-0") text = "0";
    return text;
}

bool isDrive(const std::string& prefix) {
    return prefix.size() == 2 && prefix[1] == ':' &&
           ((prefix[0] >= 'A' && prefix[0] <= 'Z') || (prefix[0] >= 'a' && prefix[0] <= 'z'));
}

bool isBaiduWeb(SearchEngine engine) {
    return engine == SearchEngine::Baidu || engine == SearchEngine::BaiduNews;
}

// Ends endPage on every way out of a page step.
class PageScope {
public:
    explicit PageScope(CollectionSteps& steps) : steps_(steps) { steps_.beginPage(); }
    ~PageScope() { steps_.endPage(); }
    PageScope(const PageScope&) = delete;
    PageScope& operator=(const PageScope&) = delete;

private:
    CollectionSteps& steps_;
};

}  // namespace

std::string formatElapsed(double ms) {
    const auto below = [](double value, double limit) { return value - limit < -kTolerance; };
    if (below(ms, 1000)) return plainNumber(ms) + gb(" 毫秒");
    const double s = ms / 1000;
    if (below(s, 60)) return plainNumber(s) + gb(" 秒");
    const double m = s / 60;
    if (below(m, 60)) return plainNumber(m) + gb(" 分");
    const double h = m / 60;
    if (below(h, 24)) return plainNumber(h) + gb(" 时");
    const double d = h / 24;
    if (below(d, 30)) return plainNumber(d) + gb(" 天");
    const double mo = d / 30;
    if (below(mo, 12)) return plainNumber(mo) + gb(" 月");
    return plainNumber(mo / 12) + gb(" 年");
}

bool ensureFolderPath(const std::string& path) {
    const std::string& separator = folderSeparator();
    std::size_t at = findText(path, separator);
    while (at != kNotFound) {
        const std::string prefix = path.substr(0, at);
        if (!prefix.empty() && !isDrive(prefix)) {
            std::error_code error;
            const auto native = nativePath(prefix);
            if (!std::filesystem::exists(native, error)) {
                if (!std::filesystem::create_directory(native, error)) return false;
            }
        }
        at = findText(path, separator, at + separator.size());
    }
    std::error_code error;
    return std::filesystem::is_directory(nativePath(path), error);
}

CollectionDriver::CollectionDriver(CollectionHost& host, CollectionRun& run, CollectionSteps& steps)
    : host_(host), run_(run), steps_(steps) {}

void CollectionDriver::onStartStopClicked() {
    if (host_.startButtonCaption() != captions::start()) {
        host_.setStartButtonCaption(captions::stopping());
        run_.stopRequested = true;
        return;
    }
    if (running_.exchange(true)) return;  // a start while a run lasts is a stop click
    startRun();
}

void CollectionDriver::requestStop() {
    if (!running_.load()) return;
    host_.setStartButtonCaption(captions::stopping());
    run_.stopRequested = true;
}

void CollectionDriver::startRun() {
    host_.setStartButtonCaption(captions::stop());
    run_.stopRequested = false;
    host_.setMergeOptionEnabled(false);
    run_.startTick = host_.tickCount();
    fileFailures_.clear();

    const CollectionSettings settings = host_.settings();
    run_.saveFolder = settings.saveFolder;
    const std::string& separator = folderSeparator();
    if (run_.saveFolder.size() < separator.size() ||
        run_.saveFolder.compare(run_.saveFolder.size() - separator.size(), separator.size(),
                                separator) != 0) {
        run_.saveFolder += separator;
    }
    run_.totalCollected = 0;
    ensureFolderPath(run_.saveFolder);

    host_.processEvents();
    run_.googleBase = steps_.googleBase(host_.settings().useComSite);
    steps_.beginRun();

    runCollection();
    finishRun();
}

void CollectionDriver::finishRun() {
    static const std::string ready = gb("就绪");
    static const std::string done = gb("已采集完成！总采集数量 ");
    static const std::string took = gb(" 耗时 ");
    static const std::string reportName = gb("采集失败代码.html");
    static const std::string reportTitle = gb("采集失败代码(已保存到软件目录下)：");

    host_.setStartButtonCaption(captions::start());
    host_.setStatusText(0, ready);
    const std::uint32_t elapsed = host_.tickCount() - run_.startTick;
    const std::string summary = done + std::to_string(run_.totalCollected) + took +
                                formatElapsed(static_cast<double>(elapsed));
    host_.setStatusText(1, summary);
    host_.setMergeOptionEnabled(true);
    std::string message = summary;
    for (const std::string& failure : fileFailures_) message += "\r\n" + failure;
    host_.showEndOfRunMessage(message);

    if (run_.totalCollected == 0) {
        const std::string path = host_.programFolder() + folderSeparator() + reportName;
        std::ofstream out(nativePath(path), std::ios::binary | std::ios::trunc);
        const std::string text = run_.lastRequestUrl + "\r\n" + run_.lastPageText;
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        host_.showFailureReport(reportTitle, run_.lastRequestUrl, run_.lastPageText);
    }
    running_ = false;
}

void CollectionDriver::noteFileFailure() {
    static const std::string cannotWrite = gb("结果文件写入失败：");
    const ResultFileFailure failure = steps_.takeFileFailure();
    if (failure.empty()) return;
    const std::string text = cannotWrite + failure.fileName + " (" + failure.reason + ")";
    host_.setStatusText(1, text);
    fileFailures_.push_back(text);
}

void CollectionDriver::pauseWithStop(long long ms) {
    host_.waitWithEvents(ms, &run_.stopRequested);
}

void CollectionDriver::runCollection() {
    const CollectionSettings atStart = host_.settings();
    const std::vector<std::string> pieces = splitText(atStart.keywordList, "\r\n");
    const bool merging = atStart.mergeIntoOneFile;

    // Trimmed once: a piece counts as searched when something is left of it.
    std::vector<std::string> keywords;
    keywords.reserve(pieces.size());
    for (const std::string& piece : pieces) keywords.push_back(trimSpaces(piece));
    std::vector<bool> searchedLater(keywords.size() + 1, false);
    for (std::size_t i = keywords.size(); i-- > 0;) {
        searchedLater[i] = searchedLater[i + 1] || !keywords[i + 0].empty();
    }

    if (merging) {
        steps_.openMergedFile(atStart);
        noteFileFailure();
    }
    run_.seenKeys.clear();
    run_.cookieText.clear();

    for (std::size_t i = 0; i < keywords.size(); ++i) {
        host_.processEvents();
        if (run_.stopRequested) break;
        const std::string& keyword = keywords[i];
        if (keyword.empty()) continue;

        const CollectionSettings settings = host_.settings();
        if (merging) {
            if (settings.keywordSeparatorLine) {
                steps_.writeKeywordHeading(settings, keyword, i == 0);
            }
        } else {
            run_.seenKeys.clear();
            steps_.openKeywordFile(settings, keyword);
        }
        noteFileFailure();

        run_.rankCounter = 0;
        if (host_.settings().engine == SearchEngine::Bing) {
            host_.webViewLoadAddress("about:blank");
            host_.waitWithEvents(1000, nullptr);
        }
        run_.poorPageStreak = 0;
        long long page = 0;
        while (!run_.stopRequested) {
            host_.processEvents();
            ++page;
            const bool goOn = collectPage(keyword, page);
            if (!goOn || run_.stopRequested || page < 1) break;
        }

        if (!merging) {
            steps_.closeFile();
            noteFileFailure();
        }
        // Only between searched keywords: blank pieces after the last one cost no pause.
        if (searchedLater[i + 1] && !run_.stopRequested &&
            host_.settings().engine != SearchEngine::Sogou) {
            pauseWithStop(5000);
        }
        if (run_.stopRequested) break;
    }

    if (merging) {
        steps_.closeFile();
        noteFileFailure();
    }
}

bool CollectionDriver::collectPage(const std::string& keyword, long long page) {
    static const std::string reading = gb("正在读 ");
    static const std::string ofPage = gb(" 的第 ");
    static const std::string pageDots = gb(" 页..");
    static const std::string searching = gb("搜索中......");
    static const std::string pageMark = gb(" 第 ");
    static const std::string pageComma = gb(" 页,");
    static const std::string addresses = gb(" 个网址");
    static const std::string collected = gb("已采集数 ");

    const std::string pageText = std::to_string(page);
    host_.setStatusText(0, reading + keyword + ofPage + pageText + pageDots);
    host_.setStatusText(1, searching);
    const int perPage = host_.settings().resultsPerPage();

    PageScope scope(steps_);
    const std::string url = steps_.searchUrl(keyword, page);
    run_.lastRequestUrl = url;

    constexpr int kAttempts = 4;
    std::size_t blocks = 0;
    std::string text;
    for (int attempt = 1; attempt <= kAttempts && !run_.stopRequested; ++attempt) {
        text = steps_.fetchResultPage(url);
        const SearchEngine engine = host_.settings().engine;
        if (checksVerification(engine)) {
            while (detectVerification(text)) {
                if (!handOffVerification(host_, run_, engine, url)) break;
                text = steps_.fetchResultPage(url);
            }
        }
        run_.lastPageText = text;
        run_.refererUrl = url;
        blocks = steps_.extractResultBlocks(text);
        if (blocks > 0) break;
        // No wait when no attempt follows it.
        if (attempt < kAttempts && !run_.stopRequested) host_.waitWithEvents(3000, nullptr);
    }
    host_.setStatusText(
        0, keyword + pageMark + pageText + pageComma + std::to_string(blocks) + addresses);

    const SearchEngine engine = host_.settings().engine;
    std::string next = steps_.nextPageUrl(url, text);
    // A next page that points back where this page came from would repeat it forever.
    if (page > 1 && (next == run_.nextPageUrl || next == url)) next.clear();
    run_.nextPageUrl = next;
    bool isLastPage = next.empty() && isBaiduWeb(engine);

    std::vector<ResultRecord> pageResults;
    for (std::size_t i = 0; i < blocks; ++i) {
        ++run_.rankCounter;
        if (!steps_.rankSelected(run_.rankCounter)) continue;
        if (run_.stopRequested) break;
        ResultRecord record = steps_.parseResult(steps_.block(i));
        record.keyword = keyword;
        record.address = steps_.resolveResultLink(record.address);
        if (record.address.empty()) continue;
        if (!steps_.acceptResult(record)) continue;
        host_.setStatusText(1, record.title + "(" + record.address + ")");
        pageResults.push_back(std::move(record));
    }

    const long long totalBefore = run_.totalCollected;
    const long long written =
        steps_.writePageResults(pageResults, perPage, [&](long long writtenSoFar) {
            host_.setStartButtonCaption(collected + std::to_string(totalBefore + writtenSoFar));
        });
    run_.totalCollected += written;
    noteFileFailure();

    const CollectionSettings settings = host_.settings();
    const long long pageLimit = settings.pageLimit();
    if (pageLimit > 0 && page >= pageLimit) isLastPage = true;

    if (!isLastPage) {
        bool poor = written <= 1;
        if (!poor && !pageResults.empty()) {
            const double ratio =
                static_cast<double>(written) * 100.0 / static_cast<double>(pageResults.size());
            poor = ratio - 30.0 < -kTolerance && page >= 4;
        }
        if (poor) {
            isLastPage = true;
            ++run_.poorPageStreak;
            if (settings.engine == SearchEngine::Bing && run_.poorPageStreak < 5) {
                isLastPage = false;
            }
        } else {
            run_.poorPageStreak = 0;
        }
    }
    if (isLastPage) run_.poorPageStreak = 0;

    if (!isLastPage) {
        const bool slow = isBaiduWeb(settings.engine) && perPage >= 20;
        pauseWithStop(slow ? host_.randomInRange(10000, 12000) : host_.randomInRange(5000, 7000));
    }
    return !isLastPage;
}

}  // namespace lh
