#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "collect/browser.h"
#include "collect/collection_settings.h"
#include "collect/engine_catalogue.h"
#include "collect/engine_session.h"
#include "collect/output_writer.h"
#include "collect/proxy_rotation.h"
#include "collect/result_page_source.h"
#include "collect/run_clock.h"
#include "collect/run_events.h"
#include "collect/run_journal.h"
#include "collect/verification.h"

namespace lh {

// What a run talks to. A front end hands in its own; the driver owns none of them.
struct RunSurroundings {
    OptionsSource& options;
    RunClock& clock;
    ProgressSink& progress;
    Browser& browser;  // Bing's blank page before each keyword
    VerificationService& verification;
};

// What a run works with besides its surroundings; all live as long as the driver.
struct RunParts {
    ResultPageSource& pages;
    OutputWriter& output;
    EngineSession& session;
    // The program's own folder (cookie files, the failure report), program text without
    // a trailing separator.
    std::string programFolder;
    // The cookie text every run starts with (the command line's --cookies); empty: none.
    std::string startCookieText;
    // The part of the keyword list this run searches (the command line's --shard).
    KeywordShard shard{};
};

// The start/stop button, the keyword loop and the page step of a collection run: the
// run's rules (attempts, paging, page limit, stop rule, pauses, verification hand-off)
// with the engine work asked of `pages` and of the engine's catalogue entry. Progress
// goes out as typed events.
//
// Single-threaded: a run executes on the thread that calls onStartStopClicked, start to
// end (the page source may look links up on threads of its own; their targets come back
// on the run's thread). requestStop, state and running may be called from any thread; requestStop
// touches lock-free atomics only, so a signal handler may call it too.
//
//   EngineSession session;  OutputWriter output;   // for the program's lifetime
//   EnginePageSource pages(browser, clock, programFolder);
//   CollectionDriver driver({options, clock, progress, browser, verification},
//                           {pages, output, session, programFolder, ""});
//   driver.onStartStopClicked();   // starts a run and returns when it has ended
class CollectionDriver {
public:
    CollectionDriver(RunSurroundings surroundings, RunParts parts);
    CollectionDriver(const CollectionDriver&) = delete;
    CollectionDriver& operator=(const CollectionDriver&) = delete;

    // The start button's click: starts a run when idle and returns when it has ended;
    // while a run is going on (a click delivered during one of its pumps) asks it to stop.
    void onStartStopClicked();

    // Asks the running run to stop at its next check; nothing while idle or once asked.
    void requestStop() noexcept;

    RunState state() const { return state_.load(); }
    bool running() const { return state() != RunState::Idle; }

    // How the last run ended (the event every front end was given); default before any.
    const RunEnded& lastRun() const { return lastRun_; }

private:
    // The keyword loop of one run.
    void runCollection();
    // One page step; true = go on to the next page.
    bool collectPage(const std::string& keyword, long long page);
    bool handOffVerification(const EngineProfile& engine, const std::string& url);
    // A download that gave no usable answer, unless a stop ended it.
    void reportFailedDownload(DownloadPurpose purpose, const std::string& address,
                              const TransferOutcome& outcome);
    // False when the run must not go on (a journal with other options).
    bool startRun();
    // The journal of an unfinished run to go on with, or a new one.
    bool openJournal(const CollectionSettings& settings);
    // Takes up the files, keys and totals an unfinished run left.
    void resumeOutput(const CollectionSettings& settings, const std::vector<std::string>& keywords);
    void journalPage(long long piece, long long page, bool lastPage);
    void finishRun();
    // The stop check: true once the run must stop; announces a user's stop the first time.
    bool stopping();
    // A file failure or a sink that took no more, after any output.
    void afterOutput();
    // Hands the session and the browser the next proxy in use; false (and the run
    // stops) when every proxy of the list is set aside.
    bool takeNextProxy();
    // Sets the session's proxy aside after it failed to connect and takes the next one;
    // false when none is left.
    bool replaceFailedProxy(const TransferOutcome& outcome);
    void report(const RunEvent& event) { surroundings_.progress.onRunEvent(event); }

    RunSurroundings surroundings_;
    RunParts parts_;
    std::atomic<RunState> state_{RunState::Idle};
    std::atomic<bool> stopFlag_{false};       // what the waits test
    std::atomic<bool> userStopAsked_{false};  // requestStop since the run started
    bool stopAnnounced_ = false;
    bool verificationCancelled_ = false;
    bool outputRefused_ = false;
    bool noProxyLeft_ = false;
    ProxyRotation proxies_;

    // Paging state of the current keyword (the run's thread only).
    struct PagingState {
        long long rankCounter = 0;
        int poorPageStreak = 0;
        std::string nextPageUrl;       // found on the latest page; kept across keywords
        std::string lastRequestUrl;    // of the latest page, for the failure report
        std::string lastPageText;      // of the latest download, for the failure report
        TransferOutcome lastDownload;  // how the latest download ended, for the same
    } paging_;

    RunJournal journal_;
    std::optional<RunJournalState> resumed_;  // the unfinished run this one goes on with
    std::optional<OptionDifference> refusal_;
    std::string journaledCookies_;

    std::uint32_t startTick_ = 0;
    int searchedKeywords_ = 0;
    std::vector<ResultFileFailure> fileFailures_;
    RunEnded lastRun_;
};

}  // namespace lh
