#include "collect/collection_driver.h"

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <functional>

#include "collect/result_filter.h"
#include "collect/result_output.h"
#include "collect/run_status_texts.h"
#include "collect/search_url.h"
#include "textutil/program_text.h"
#include "web/cookie_files.h"

namespace lh {

namespace {

constexpr double kTolerance = 1e-7;
constexpr int kAttempts = 4;

// requestStop runs in signal handlers too.
static_assert(std::atomic<RunState>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);

// Keyword pieces trimmed; a piece counts as searched when something is left of it.
std::vector<std::string> keywordPieces(const std::string& keywordList) {
    std::vector<std::string> keywords;
    for (const std::string& piece : splitText(keywordList, "\r\n")) {
        keywords.push_back(trimSpaces(piece));
    }
    return keywords;
}

}  // namespace

CollectionDriver::CollectionDriver(RunSurroundings surroundings, RunParts parts)
    : surroundings_(surroundings), parts_(std::move(parts)) {}

void CollectionDriver::onStartStopClicked() {
    if (state_.load() != RunState::Idle) {
        requestStop();
        return;
    }
    // Cleared before the run counts as started, so a stop asked for once it has is kept.
    stopFlag_ = false;
    userStopAsked_ = false;
    RunState idle = RunState::Idle;
    if (!state_.compare_exchange_strong(idle, RunState::Running)) {
        requestStop();
        return;
    }
    if (startRun()) runCollection();
    finishRun();
}

void CollectionDriver::requestStop() noexcept {
    if (state_.load() == RunState::Idle || userStopAsked_.exchange(true)) return;
    RunState running = RunState::Running;
    state_.compare_exchange_strong(running, RunState::Stopping);
    stopFlag_ = true;
}

bool CollectionDriver::stopping() {
    if (userStopAsked_.load() && !stopAnnounced_) {
        stopAnnounced_ = true;
        report(RunStopping{});
    }
    return stopFlag_.load();
}

bool CollectionDriver::startRun() {
    stopAnnounced_ = false;
    verificationCancelled_ = false;
    outputRefused_ = false;
    noProxyLeft_ = false;
    searchedKeywords_ = 0;
    fileFailures_.clear();
    resumed_.reset();
    refusal_.reset();

    const CollectionSettings settings = surroundings_.options.settings();
    proxies_ = ProxyRotation(proxyAddresses(settings.proxyList));
    if (!proxies_.rotates()) {
        parts_.session.proxy.clear();
        surroundings_.browser.useProxy({});
    }
    int keywordCount = 0;
    long long position = 0;
    for (const std::string& keyword : keywordPieces(settings.keywordList)) {
        if (!keyword.empty() && parts_.shard.takes(position++)) ++keywordCount;
    }
    report(RunStarted{keywordCount});
    startTick_ = surroundings_.clock.tickCount();
    parts_.output.beginRun(settings.saveFolder);
    if (!openJournal(settings)) return false;

    surroundings_.clock.processEvents();
    parts_.session.googleBase = googleBaseFor(surroundings_.options.settings().useComSite);
    return true;
}

bool CollectionDriver::openJournal(const CollectionSettings& settings) {
    if (!parts_.output.writesFiles()) return true;
    const std::filesystem::path folder = nativePath(parts_.output.saveFolder());
    const std::vector<JournalOption> options = fileShapingOptions(settings, parts_.shard);
    if (settings.resumeRun) {
        std::optional<RunJournalState> state = readRunJournal(folder / kRunJournalName);
        if (state && !state->finished) {
            if (std::optional<OptionDifference> difference =
                    firstDifference(state->options, options)) {
                refusal_ = std::move(difference);
                return false;
            }
            // A merged run stopped before its file was named has nothing to go on with.
            const bool usable = !settings.mergeIntoOneFile || !state->mergedPath.empty();
            if (usable && journal_.reopen(folder, state->validLength)) {
                resumed_ = std::move(state);
                return true;
            }
        }
    }
    // Without a journal the run still runs; only a resume of it would start over.
    journal_.start(folder, options, parts_.shard);
    return true;
}

namespace {

// The lines of `file` between two offsets, each with its line end.
void forEachLine(const std::string& file, long long from, long long to,
                 const std::function<void(std::string)>& take) {
    if (to <= from) return;
    std::ifstream in(nativePath(file), std::ios::binary);
    in.seekg(from);
    std::string bytes(static_cast<std::size_t>(to - from), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        take(bytes.substr(start, end + 2 - start));
}

}  // namespace

void CollectionDriver::resumeOutput(const CollectionSettings& settings,
                                    const std::vector<std::string>& keywords) {
    const RunJournalState& state = *resumed_;
    OutputWriter& output = parts_.output;
    const JournalPage* goingOn = state.interrupted();
    const bool merging = settings.mergeIntoOneFile;
    if (!merging) {
        for (const auto& [piece, keyword] : state.keywords) {
            if (state.keywordFinished(piece) && static_cast<std::size_t>(piece) < keywords.size())
                output.adoptFinishedFile(keyword.lastPage->path, keyword.lastPage->fileLines);
        }
        if (goingOn) output.resumeFile(goingOn->path, goingOn->fileLength, goingOn->fileLines);
        afterOutput();
    }
    if (state.lastPage) {
        output.restoreTotal(state.lastPage->totalLines);
        paging_.nextPageUrl = state.lastPage->nextPageUrl;
        parts_.session.refererUrl = state.lastPage->refererUrl;
    }
    if (!state.cookieText.empty()) parts_.session.cookieText = state.cookieText;
    if (!settings.removeDuplicates) return;

    // The keys of the lines already written: the merged file's, or the interrupted
    // keyword's own file's.
    const bool keyOnTitle = engineProfile(settings.engine).duplicateKey == DuplicateKey::Title;
    for (const auto& [piece, keyword] : state.keywords) {
        if (!keyword.lastPage || (!merging && (!goingOn || goingOn->piece != piece))) continue;
        if (keyOnTitle) {
            for (const std::string& key : keyword.titleKeys) output.rememberKey(key);
        } else {
            forEachLine(keyword.lastPage->path, keyword.linesStart, keyword.lastPage->fileLength,
                        [&output](std::string line) { output.rememberKey(std::move(line)); });
        }
    }
}

void CollectionDriver::journalPage(long long piece, long long page, bool lastPage) {
    if (!journal_.isOpen()) return;
    OutputWriter& output = parts_.output;
    if (parts_.session.cookieText != journaledCookies_) {
        journaledCookies_ = parts_.session.cookieText;
        journal_.cookiesChanged(journaledCookies_);
    }
    // The lines reach the disk before the journal names them.
    output.syncFile();
    JournalPage record;
    record.piece = piece;
    record.page = page;
    record.lastPage = lastPage;
    record.fileLength = output.fileLength();
    record.fileLines = output.files().empty() ? 0 : output.files().back().lines;
    record.totalLines = output.totalLines();
    record.rankCounter = paging_.rankCounter;
    record.poorPageStreak = paging_.poorPageStreak;
    record.nextPageUrl = paging_.nextPageUrl;
    record.refererUrl = parts_.session.refererUrl;
    record.path = output.currentFile().path();
    record.titleKeys = output.pageTitleKeys();
    journal_.pageDone(record);
}

void CollectionDriver::finishRun() {
    parts_.output.endRun();
    RunEnded ended;
    if (refusal_) {
        ended.why = RunEndReason::ResumeRefused;
        ended.resumeRefusal = refusal_;
    } else if (verificationCancelled_) {
        ended.why = RunEndReason::VerificationCancelled;
    } else if (noProxyLeft_) {
        ended.why = RunEndReason::NoProxyLeft;
    } else if (stopFlag_.load()) {
        ended.why = RunEndReason::Stopped;
    } else if (parts_.output.totalLines() == 0) {
        ended.why = RunEndReason::NothingCollected;
    }
    ended.totalLines = parts_.output.totalLines();
    ended.elapsedMs = static_cast<long long>(surroundings_.clock.tickCount() - startTick_);
    ended.saveFolder = parts_.output.saveFolder();
    ended.files = parts_.output.files();
    ended.fileFailures = fileFailures_;
    ended.proxiesSetAside = proxies_.setAsideSoFar();
    if (ended.why == RunEndReason::Finished || ended.why == RunEndReason::NothingCollected) {
        // A shard's journal stays as its record: the merge reads the shards' keywords there.
        journal_.finish(parts_.shard.count > 1);
    } else {
        journal_.close();
    }
    if (ended.totalLines == 0 && !refusal_) {
        ended.failureReport = FailureReport{
            parts_.programFolder + folderSeparator() + status_text::failureReportFileName(),
            paging_.lastRequestUrl, paging_.lastPageText, paging_.lastDownload};
    }
    lastRun_ = ended;
    report(ended);
    state_ = RunState::Idle;
}

void CollectionDriver::afterOutput() {
    if (std::optional<FileInUse> moved = parts_.output.takeFileInUse()) report(*moved);
    const ResultFileFailure failure = parts_.output.takeFailure();
    if (!failure.empty()) {
        fileFailures_.push_back(failure);
        report(FileFailed{failure});
    }
    if (!parts_.output.sinksOk() && !outputRefused_) {
        // Lines nobody receives are lost lines: end the run as a stop would.
        outputRefused_ = true;
        state_ = RunState::Stopping;
        stopFlag_ = true;
    }
}

bool CollectionDriver::takeNextProxy() {
    if (!proxies_.rotates()) return true;
    std::string proxy;
    if (!proxies_.next(proxy)) return false;
    parts_.session.proxy = proxy;
    surroundings_.browser.useProxy(proxy);
    return true;
}

bool CollectionDriver::replaceFailedProxy(const TransferOutcome& outcome) {
    const std::string failed = parts_.session.proxy;
    proxies_.setAside(failed);
    const bool left = takeNextProxy();
    report(ProxySetAside{failed, outcome, left ? parts_.session.proxy : std::string()});
    if (!left) {
        noProxyLeft_ = true;
        state_ = RunState::Stopping;
        stopFlag_ = true;
    }
    return left;
}

void CollectionDriver::runCollection() {
    OptionsSource& options = surroundings_.options;
    RunClock& clock = surroundings_.clock;
    OutputWriter& output = parts_.output;

    const CollectionSettings atStart = options.settings();
    const std::vector<std::string> keywords = keywordPieces(atStart.keywordList);
    const bool merging = atStart.mergeIntoOneFile;
    std::vector<bool> searched(keywords.size(), false);
    long long position = 0;
    for (std::size_t i = 0; i < keywords.size(); ++i) {
        if (!keywords[i].empty()) searched[i] = parts_.shard.takes(position++);
    }
    std::vector<bool> searchedLater(keywords.size() + 1, false);
    for (std::size_t i = keywords.size(); i-- > 0;) {
        searchedLater[i] = searchedLater[i + 1] || searched[i];
    }

    if (merging) {
        if (resumed_) {
            const JournalPage* last = resumed_->lastPage ? &*resumed_->lastPage : nullptr;
            output.resumeFile(resumed_->mergedPath, resumed_->confirmedLength(),
                              last ? last->fileLines : 0);
        } else {
            output.openMergedFile(atStart, localDateTimeNow());
            output.syncFile();
            journal_.mergedFileOpened(output.currentFile().path(), output.fileLength());
        }
        afterOutput();
    }
    output.forgetKeys();
    parts_.session.cookieText = parts_.startCookieText;
    if (resumed_) resumeOutput(atStart, keywords);
    journaledCookies_ = parts_.session.cookieText;

    for (std::size_t i = 0; i < keywords.size(); ++i) {
        clock.processEvents();
        if (stopping()) break;
        const std::string& keyword = keywords[i];
        if (!searched[i]) continue;
        const long long piece = static_cast<long long>(i);
        if (resumed_ && resumed_->keywordFinished(piece)) {
            ++searchedKeywords_;
            continue;
        }
        const JournalPage* goingOn = resumed_ ? resumed_->interrupted() : nullptr;
        if (goingOn && goingOn->piece != piece) goingOn = nullptr;
        // Keywords take the proxies in turn.
        if (!takeNextProxy()) {
            noProxyLeft_ = true;
            break;
        }

        const CollectionSettings settings = options.settings();
        if (!goingOn) {
            const long long headingStart = output.fileLength();
            if (merging) {
                if (settings.keywordSeparatorLine)
                    output.writeKeywordHeading(settings, keyword, i == 0);
            } else {
                output.forgetKeys();
                output.openKeywordFile(settings, keyword);
            }
            afterOutput();
            const std::string firstName = output.keywordFileName(settings, keyword, 1);
            journal_.keywordStarted(piece, merging ? headingStart : output.fileLength(),
                                    output.fileLength(), keyword,
                                    firstName.substr(output.saveFolder().size()));
        }
        report(KeywordStarted{++searchedKeywords_, keyword});

        paging_.rankCounter = goingOn ? goingOn->rankCounter : 0;
        if (engineProfile(options.settings().engine).blankViewBeforeKeyword) {
            surroundings_.browser.loadAddress("about:blank");
            clock.waitWithEvents(1000, &stopFlag_);
        }
        paging_.poorPageStreak = goingOn ? static_cast<int>(goingOn->poorPageStreak) : 0;
        long long page = goingOn ? goingOn->page : 0;
        while (!stopping()) {
            clock.processEvents();
            ++page;
            const bool goOn = collectPage(keyword, page);
            // A page a stop cut short is done again by a resume.
            if (!stopping()) journalPage(piece, page, !goOn);
            if (!goOn || stopping() || page < 1) break;
        }

        if (!merging) {
            output.closeFile();
            afterOutput();
        }
        // Only between searched keywords: blank pieces after the last one cost no pause.
        if (searchedLater[i + 1] && !stopping() &&
            engineProfile(options.settings().engine).pauseBetweenKeywords) {
            clock.waitWithEvents(5000, &stopFlag_);
        }
        if (stopping()) break;
    }

    if (merging) {
        output.closeFile();
        afterOutput();
    }
}

void CollectionDriver::reportFailedDownload(DownloadPurpose purpose, const std::string& address,
                                            const TransferOutcome& outcome) {
    if (outcome.failure == TransferFailure::None || outcome.failure == TransferFailure::Stopped)
        return;
    report(DownloadFailed{purpose, address, outcome});
}

bool CollectionDriver::handOffVerification(const EngineProfile& engine, const std::string& url) {
    report(VerificationNeeded{url});
    const VerificationOutcome outcome = surroundings_.verification.solve({url});
    parts_.session.cookieText = outcome.cookies;
    if (!outcome.proceed) {
        verificationCancelled_ = true;
        state_ = RunState::Stopping;
        stopFlag_ = true;
        return false;
    }
    const std::string name = cookieFileName(engine.cookieFile);
    // An unwritable cookie file only costs the next run a verification.
    if (!name.empty()) writeCookieFile(parts_.programFolder, name, parts_.session.cookieText);
    return true;
}

bool CollectionDriver::collectPage(const std::string& keyword, long long page) {
    OptionsSource& options = surroundings_.options;
    RunClock& clock = surroundings_.clock;
    EngineSession& session = parts_.session;

    report(PageStarted{keyword, page});
    const int perPage = options.settings().resultsPerPage;

    const std::string url =
        parts_.pages.searchAddress(options.settings(), keyword, page, paging_.nextPageUrl, session);
    paging_.lastRequestUrl = url;

    const StopToken stop(stopFlag_);
    ResultPage result;
    for (int attempt = 1; attempt <= kAttempts && !stopping(); ++attempt) {
        const CollectionSettings settings = options.settings();
        result = parts_.pages.fetchPage(settings, keyword, url, session, stop);
        while (result.verificationDetected) {
            if (!handOffVerification(engineProfile(settings.engine), url)) break;
            result = parts_.pages.fetchPage(options.settings(), keyword, url, session, stop);
        }
        session.refererUrl = url;
        if (result.download.failure == TransferFailure::Proxy && proxies_.rotates()) {
            // Not an attempt of the page: it goes again through the next proxy at once.
            if (!replaceFailedProxy(result.download)) break;
            --attempt;
            continue;
        }
        if (!result.records.empty()) break;
        // A failed download (cut short, timed out, refused...) is a failed attempt.
        reportFailedDownload(DownloadPurpose::ResultPage, url, result.download);
        // No wait when no attempt follows it.
        if (attempt < kAttempts && !stopping()) clock.waitWithEvents(3000, &stopFlag_);
    }
    // The latest download, kept for the failure report (nothing reads it before).
    paging_.lastPageText = std::move(result.text);
    paging_.lastDownload = std::move(result.download);
    const long long blocks = static_cast<long long>(result.records.size());
    report(PageFetched{keyword, page, blocks});

    const EngineProfile& engine = engineProfile(options.settings().engine);
    std::string next = result.nextPageUrl;
    // A next page that points back where this page came from would repeat it forever.
    if (page > 1 && (next == paging_.nextPageUrl || next == url)) next.clear();
    paging_.nextPageUrl = next;
    bool isLastPage = next.empty() && engine.paging == Paging::NextLinkOnly;

    std::vector<ResultRecord*> ranked;
    for (ResultRecord& record : result.records) {
        ++paging_.rankCounter;
        if (!rankSelected(options.settings(), paging_.rankCounter)) continue;
        record.keyword = keyword;
        ranked.push_back(&record);
    }
    // Targets arrive in record order; records are kept, filtered and reported as they do.
    std::vector<ResultRecord> kept;
    parts_.pages.resolveLinks(
        options.settings(), ranked, session, stop, [&](std::size_t i, ResolvedLink link) {
            ResultRecord& record = *ranked[i];
            reportFailedDownload(DownloadPurpose::ResultLink, record.address, link.failure);
            record.address = std::move(link.address);
            if (!record.address.empty() && acceptResult(options.settings(), record)) {
                report(ResultKept{record.title, record.address});
                kept.push_back(std::move(record));
            }
            return !stopping();
        });
    stopping();  // a stop before the first look-up is announced before the lines go

    const long long written =
        parts_.output.writePage(options.settings(), kept, perPage,
                                [this](long long totalLines) { report(LineWritten{totalLines}); });
    afterOutput();

    const CollectionSettings settings = options.settings();
    const EngineProfile& now = engineProfile(settings.engine);
    if (!settings.pageLimit.isAll() && page >= settings.pageLimit.pages) isLastPage = true;

    if (!isLastPage) {
        bool poor = written <= 1;
        if (!poor && !kept.empty()) {
            const double ratio =
                static_cast<double>(written) * 100.0 / static_cast<double>(kept.size());
            poor = ratio - 30.0 < -kTolerance && page >= 4;
        }
        if (poor) {
            ++paging_.poorPageStreak;
            isLastPage = paging_.poorPageStreak >= now.poorPagesToEnd;
        } else {
            paging_.poorPageStreak = 0;
        }
    }
    if (isLastPage) paging_.poorPageStreak = 0;

    report(PageDone{keyword, page, blocks, static_cast<long long>(kept.size()), written,
                    kept.empty() ? std::string() : kept.back().title});

    if (!isLastPage) {
        const bool slow = now.slowPagePauseFromTwentyPerPage && perPage >= 20;
        clock.waitWithEvents(
            slow ? clock.randomInRange(10000, 12000) : clock.randomInRange(5000, 7000), &stopFlag_);
    }
    return !isLastPage;
}

}  // namespace lh
