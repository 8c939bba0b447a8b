#pragma once

#include <string>

#include "collect/result_file.h"
#include "collect/run_events.h"

namespace lh {

// The window's view of a run: the start button's caption, the two status panes, the
// merge option's enabling, the end-of-run message and the failure report. The window,
// the command line and the tests' fake each implement it.
class StatusDisplay {
public:
    virtual ~StatusDisplay() = default;
    virtual void setCaption(const std::string& caption) = 0;
    // Pane 0 = first (progress), 1 = second (results, summary).
    virtual void setStatus(int pane, const std::string& text) = 0;
    virtual void setMergeOptionEnabled(bool enabled) = 0;
    // What a click on the start button does while a run goes on; empty once it ended.
    // Beside the panes (their texts stay as they are); a terminal has Ctrl-C instead.
    virtual void setStopHint(const std::string&) {}
    // Message box with an OK button; with a `folder` (program text) also a button that
    // opens it. Returns when it is closed.
    virtual void showEndOfRunMessage(const std::string& text, const std::string& folder) = 0;
    // The read-only text dialog: window title, hint line, text. Returns when closed.
    virtual void showFailureReport(const std::string& title, const std::string& hint,
                                   const std::string& content) = 0;
};

// Shows one event of a run the way the window always has: the start button's captions
// (idle, running, stopping, the running total of lines), the two panes' texts (the page
// being read, the search under way, the results found on a page, the result kept, a
// file failure, ready and the summary), the end-of-run message, and for a run that
// wrote nothing the report file, saved after the message is closed, and its dialog.
// Every text the window shows of a run is made in run_status_texts.cpp.
void showRunEvent(const RunEvent& event, StatusDisplay& display);

// The texts themselves, all program text. Keywords, titles, addresses and paths in them
// show control characters as \x1b and the like.
namespace status_text {
std::string caption(RunState state);
std::string collectedCount(long long totalLines);
std::string readingPage(const std::string& keyword, long long page);
std::string searching();
std::string pageFound(const std::string& keyword, long long page, long long blocks);
std::string resultShown(const std::string& title, const std::string& address);
std::string ready();
// The run's last line: finished, stopped, verification cancelled or nothing collected,
// each in its own words, with the total and the time taken.
// Why an unfinished run cannot be resumed with the options given.
std::string resumeRefused(const OptionDifference& difference);
std::string endSummary(const RunEnded& ended);
std::string fileFailure(const ResultFileFailure& failure);
// The save folder, then each file written with its line count, one per line (CR LF);
// empty when no file was written.
std::string filesWritten(const RunEnded& ended);
// Another run holds a result file; this run writes the other name.
std::string fileInUse(const FileInUse& moved);
// A proxy failed to connect: which, why, and the one tried next.
std::string proxySetAside(const ProxySetAside& event);
// The proxies a run set aside, on one line; empty when none was.
std::string proxiesSetAside(const RunEnded& ended);
std::string endOfRunMessage(const RunEnded& ended);
std::string openFolderCaption();
std::string stopHint();
std::string failureReportTitle();
std::string failureReportFileName();
// Why a download failed: the kind in words and the system's text.
std::string downloadReason(const TransferOutcome& outcome);
// The second pane's line for a failed download.
std::string downloadFailure(const DownloadFailed& failure);
// What the report shows after the address: why the last download failed (when it did),
// the status line and headers that came, then the page.
std::string failureReportContent(const FailureReport& report);
}  // namespace status_text

// Elapsed time with its unit: "999 毫秒", "1.5 分", "2 时" (values rounded to 2 decimals).
std::string formatElapsed(double ms);

// Saves a failure report: the address, CR LF and the report's content, replacing the
// file. An unwritable program folder only costs the report.
void writeFailureReport(const FailureReport& report);

}  // namespace lh
