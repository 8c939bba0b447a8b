#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "collect/output_writer.h"
#include "collect/result_file.h"
#include "web/transfer_outcome.h"

namespace lh {

// Where a run is: idle (nothing going on), running, or stopping (a stop was asked for or
// a verification was cancelled; the run ends at its next check).
enum class RunState { Idle, Running, Stopping };

// Why a run ended.
enum class RunEndReason {
    Finished,               // every keyword searched
    Stopped,                // a stop was asked for (button, Ctrl-C, a sink that took no more)
    VerificationCancelled,  // the user cancelled a verification
    NothingCollected,       // every keyword searched, not one line written
    NoProxyLeft,            // every proxy of the run's list failed to connect
    ResumeRefused,          // the unfinished run's journal holds other options
};

// An option in which the unfinished run to resume differs from the run asked for.
struct OptionDifference {
    std::string option;  // its command-line flag ("--per-page") or control name, program text
    std::string was;     // program text
    std::string now;
    bool operator==(const OptionDifference&) const = default;
};

// The run has started with `keywordCount` keywords to search (blank lines left out).
struct RunStarted {
    int keywordCount = 0;
};

// A stop was asked for; the run ends at its next check.
struct RunStopping {};

// Keyword `index` (1 on, counting searched keywords only) starts; its file is open.
struct KeywordStarted {
    int index = 0;
    std::string keyword;  // program text, trimmed
};

// A page step starts.
struct PageStarted {
    std::string keyword;
    long long page = 0;
};

// The page is downloaded (after up to four attempts) and holds `blocks` results.
struct PageFetched {
    std::string keyword;
    long long page = 0;
    long long blocks = 0;
};

// A result passed the filters and will be written (unless it is a duplicate).
struct ResultKept {
    std::string title;
    std::string address;  // resolved
};

// A result line reached the output; `totalLines` is the run's running total.
struct LineWritten {
    long long totalLines = 0;
};

// The page step is done.
struct PageDone {
    std::string keyword;
    long long page = 0;
    long long resultsFound = 0;  // result blocks on the page
    long long resultsKept = 0;   // results that passed the filters
    long long linesWritten = 0;  // lines of this page that reached the output
    std::string lastTitle;       // of the last result kept; empty when none
};

// The engine answered with a verification page; the run hands it to the user.
struct VerificationNeeded {
    std::string address;
};

// What a download that failed was for.
enum class DownloadPurpose {
    ResultPage,  // an attempt at a result page; the page step tries again while it may
    ResultLink,  // a result's link look-up; the address stays as parsed
};

// A download gave no usable answer, and why. Not sent when a stop request ended it.
struct DownloadFailed {
    DownloadPurpose purpose = DownloadPurpose::ResultPage;
    std::string address;
    TransferOutcome outcome;
};

// A proxy failed to connect and is set aside for the rest of the run; the page is tried
// again through `next`, or the run ends when `next` is empty (none left).
struct ProxySetAside {
    std::string proxy;
    TransferOutcome outcome;
    std::string next;
};

// A result file lost lines: its name and the system's reason.
struct FileFailed {
    ResultFileFailure failure;
};

// FileInUse (output_writer.h) is an event too: another run holds the file a keyword
// would have written, so this run writes under the next number.

// What a run that wrote nothing keeps for inspection: the last request address, the
// last page received and how its download ended (why it failed, the status line and
// headers), to be saved to `path` (the program folder's report file).
struct FailureReport {
    std::string path;
    std::string address;
    std::string pageText;
    TransferOutcome download{};
};

// The run has ended.
struct RunEnded {
    RunEndReason why = RunEndReason::Finished;
    long long totalLines = 0;
    long long elapsedMs = 0;
    std::string saveFolder;                       // program text, with its separator
    std::vector<WrittenFile> files;               // result files with their line counts
    std::vector<ResultFileFailure> fileFailures;  // every file failure of the run, in order
    std::optional<FailureReport> failureReport;   // when nothing was written
    std::vector<std::string> proxiesSetAside;     // proxies that failed, in that order
    std::optional<OptionDifference> resumeRefusal;  // ResumeRefused: the first difference
};

using RunEvent = std::variant<RunStarted, RunStopping, KeywordStarted, PageStarted, PageFetched,
                              ResultKept, LineWritten, PageDone, VerificationNeeded, FileFailed,
                              RunEnded, DownloadFailed, FileInUse, ProxySetAside>;

// Where a run's progress goes. Called on the run's thread, in the order things happen;
// RunEnded is the last event of a run and the run is idle once the call returns.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void onRunEvent(const RunEvent& event) = 0;
};

}  // namespace lh
