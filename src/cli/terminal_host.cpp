#include "cli/terminal_host.h"

#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "cli/interrupt.h"
#include "textutil/program_text.h"
#include "web/cookie_store.h"

namespace lh::cli {

namespace {

constexpr int kSliceMs = 10;

void sleepMs(int ms) {
    timespec ts{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
    // A signal cuts the sleep short; the caller tests its flags after every slice anyway.
    ::nanosleep(&ts, nullptr);
}

// "正在读 " + keyword + " 的第 " + page + " 页..": the page number, or 0 for other texts.
long long pageOfReadingText(const std::string& text) {
    static const std::string reading = gb("正在读 ");
    static const std::string ofPage = gb(" 的第 ");
    static const std::string dots = gb(" 页..");
    if (text.compare(0, reading.size(), reading) != 0) return 0;
    if (text.size() < reading.size() + dots.size() ||
        text.compare(text.size() - dots.size(), dots.size(), dots) != 0) {
        return 0;
    }
    const std::size_t at = text.rfind(ofPage);
    if (at == std::string::npos || at < reading.size()) return 0;
    return toInteger(std::string_view(text).substr(at + ofPage.size()));
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
      sleep_(sleep ? std::move(sleep) : Sleeper(sleepMs)),
      caption_(gb("开始采集")) {}

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

void TerminalHost::setStatusText(int pane, const std::string& text) {
    if (pane == 0) {
        if (const long long page = pageOfReadingText(text); page > 0) {
            if (page == 1) ++progress_.keywordIndex;
            progress_.page = page;
        }
    }
    if (pane == 1) lastPane1_ = text;
    display_.showStatus(pane, text);
    processEvents();
}

void TerminalHost::setStartButtonCaption(const std::string& caption) {
    static const std::string collected = gb("已采集数 ");
    caption_ = caption;
    if (caption.compare(0, collected.size(), collected) == 0) {
        progress_.lines = toInteger(std::string_view(caption).substr(collected.size()));
    }
}

void TerminalHost::showEndOfRunMessage(const std::string& text) {
    display_.clearProgress();
    // The summary usually stands in the status pane already; say it once.
    std::string rest = text;
    if (display_.showsStatus() && !lastPane1_.empty() &&
        text.compare(0, lastPane1_.size(), lastPane1_) == 0) {
        rest = text.substr(lastPane1_.size());
        if (rest.compare(0, 2, "\r\n") == 0) rest.erase(0, 2);
    }
    if (!rest.empty()) display_.printLine(linesOf(rest));
}

void TerminalHost::showFailureReport(const std::string& title, const std::string& hint,
                                     const std::string&) {
    static const std::string reportName = gb("采集失败代码.html");
    display_.printLine(linesOf(title) + " " +
                       gbToUtf8(options_.programFolder + folderSeparator() + reportName));
    if (!hint.empty()) display_.printLine("  " + linesOf(hint));
}

bool TerminalHost::askVerificationContinue(const std::string& prompt) {
    display_.clearProgress();
    const std::string address = gbToUtf8(verificationAddress_);
    if (options_.captchaMode == CaptchaMode::Stop || interruptCount() > 0) {
        display_.printLine("verification page at " + address +
                           ": run stopped (--on-captcha ask lets you solve it in a browser)");
        return false;
    }
    display_.printLine(linesOf(prompt));
    display_.printLine("Open " + address +
                       " in a browser, pass the check, then paste the browser's cookie text for "
                       "that site (name=value; ...) and press Enter. An empty line cancels.");
    display_.printLine("cookies> ");
    const std::optional<std::string> line = readLine_ ? readLine_() : std::nullopt;
    if (!line || interruptCount() > 0) return false;
    std::string answer = *line;
    while (!answer.empty() && (answer.back() == '\r' || answer.back() == '\n')) answer.pop_back();
    answer = isValidUtf8(answer) ? utf8ToGb(answer) : answer;
    answer = trimSpaces(answer);
    if (answer.empty()) return false;
    options_.cookieText = answer;
    return true;
}

void TerminalHost::webViewLoadAddress(const std::string& address) {
    if (address != "about:blank") verificationAddress_ = address;
}

void TerminalHost::navigatorLoad(const std::string& address) {
    if (navigate_) navigate_(address);
}

void TerminalHost::clearBrowsingData(int what) {
    if (what == 2 || what == 255) CookieStore::instance().clear();
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
