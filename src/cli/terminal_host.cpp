#include "cli/terminal_host.h"

#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <variant>

#include "cli/interrupt.h"
#include "textutil/program_text.h"

namespace lh::cli {

namespace {

constexpr int kSliceMs = 10;

void sleepMs(int ms) {
    timespec ts{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    // A signal cuts the sleep short; the caller tests its flags after every slice anyway.
    ::nanosleep(&ts, nullptr);
}

std::string linesOf(const std::string& programText) {
    return gbToUtf8(replaceAll(programText, "\r\n", "\n"));
}

}  // namespace

TerminalHost::TerminalHost(Options options, ProgressDisplay& display, LineReader readLine,
                           Sleeper sleep)
    : options_(std::move(options)),
      display_(display),
      readLine_(std::move(readLine)),
      sleep_(sleep ? std::move(sleep) : Sleeper(sleepMs)) {}

void TerminalHost::waitWithEvents(long long ms, const std::atomic<bool>* stopFlag) {
    const double scaled = static_cast<double>(ms) * options_.pauseScale;
    for (long long waited = 0; static_cast<double>(waited) < scaled; waited += kSliceMs) {
        if (stopFlag != nullptr && stopFlag->load()) return;
        sleep_(kSliceMs);
        processEvents();
    }
}

std::uint32_t TerminalHost::tickCount() {
    const auto elapsed = std::chrono::steady_clock::now() - started_;
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void TerminalHost::processEvents() {
    if (!stopForwarded_ && interruptCount() > 0) {
        stopForwarded_ = true;
        if (onStop_) onStop_();
    }
    progress_.elapsedMs = tickCount();
    display_.showProgress(progress_);
}

long long TerminalHost::randomInRange(long long low, long long high) {
    if (high <= low) return low;
    std::uniform_int_distribution<long long> pick(low, high);
    return pick(random_);
}

void TerminalHost::onRunEvent(const RunEvent& event) {
    if (const auto* started = std::get_if<RunStarted>(&event)) {
        progress_.keywordCount = started->keywordCount;
    } else if (const auto* keyword = std::get_if<KeywordStarted>(&event)) {
        startedKeyword_ = keyword->index;
    } else if (const auto* page = std::get_if<PageStarted>(&event)) {
        progress_.keywordIndex = startedKeyword_;
        progress_.page = page->page;
    } else if (const auto* line = std::get_if<LineWritten>(&event)) {
        progress_.lines = line->totalLines;
    } else if (const auto* ended = std::get_if<RunEnded>(&event)) {
        showRunEnd(*ended);
        return;
    }
    showRunEvent(event, *this);
}

void TerminalHost::setStatus(int pane, const std::string& text) {
    display_.showStatus(pane, text);
    processEvents();
}

void TerminalHost::showRunEnd(const RunEnded& ended) {
    setStatus(0, status_text::ready());
    const std::string summary = status_text::endSummary(ended);
    setStatus(1, summary);
    display_.clearProgress();
    // The summary stands in the status lines already unless those are not shown.
    if (!display_.showsStatus()) display_.printLine(linesOf(summary));
    for (const ResultFileFailure& failure : ended.fileFailures) {
        display_.printLine(linesOf(status_text::fileFailure(failure)));
    }
    const std::string proxies = status_text::proxiesSetAside(ended);
    if (!proxies.empty()) display_.printLine(linesOf(proxies));
    if (ended.failureReport) {
        writeFailureReport(*ended.failureReport);
        showFailureReport(status_text::failureReportTitle(), ended.failureReport->address,
                          ended.failureReport->pageText);
        // Why the last download failed, in every display mode.
        const std::string reason = status_text::downloadReason(ended.failureReport->download);
        if (!reason.empty()) display_.printLine("  " + linesOf(reason));
    }
    // Where the results went, last, so a script or a person finds them at the end.
    const std::string files = status_text::filesWritten(ended);
    if (!files.empty()) display_.printLine(linesOf(files));
}

void TerminalHost::showEndOfRunMessage(const std::string& text, const std::string&) {
    display_.clearProgress();
    display_.printLine(linesOf(text));
}

void TerminalHost::showFailureReport(const std::string& title, const std::string& hint,
                                     const std::string&) {
    display_.printLine(linesOf(title) + " " +
                       gbToUtf8(options_.programFolder + folderSeparator() +
                                status_text::failureReportFileName()));
    if (!hint.empty()) display_.printLine("  " + linesOf(hint));
}

VerificationOutcome TerminalHost::solve(const VerificationRequest& request) {
    display_.clearProgress();
    const std::string address = gbToUtf8(request.address);
    VerificationOutcome cancelled{false, options_.cookieText};
    if (options_.captchaMode == CaptchaMode::Stop || interruptCount() > 0) {
        display_.printLine("verification page at " + address +
                           ": run stopped (--on-captcha ask lets you solve it in a browser)");
        return cancelled;
    }
    display_.printLine(linesOf(verificationPrompt()));
    display_.printLine("Open " + address +
                       " in a browser, pass the check, then paste the browser's cookie text for "
                       "that site (name=value; ...) and press Enter. An empty line cancels.");
    display_.printLine("cookies> ");
    const std::optional<std::string> line = readLine_ ? readLine_() : std::nullopt;
    if (!line || interruptCount() > 0) return cancelled;
    std::string answer = *line;
    while (!answer.empty() && (answer.back() == '\r' || answer.back() == '\n')) answer.pop_back();
    answer = isValidUtf8(answer) ? utf8ToGb(answer) : answer;
    answer = trimSpaces(answer);
    if (answer.empty()) return cancelled;
    options_.cookieText = answer;
    return {true, answer};
}

void TerminalHost::visitInBackground(const std::string& address) {
    if (navigate_) navigate_(address, proxy_);
}

double pauseScaleFromEnvironment() {
    const char* text = std::getenv("LINKHARVEST_TEST_PAUSE_SCALE");
    if (text == nullptr || *text == '\0') return 1.0;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(value >= 0.0 && value <= 1.0)) return 1.0;
    return value;
}

std::optional<std::string> readLineFrom(int fd) {
    std::string line;
    for (;;) {
        char c = 0;
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0) {
            if (errno == EINTR && interruptCount() == 0) continue;
            return std::nullopt;
        }
        if (n == 0) {
            if (line.empty()) return std::nullopt;
            return line;
        }
        if (c == '\n') return line;
        line += c;
    }
}

}  // namespace lh::cli
