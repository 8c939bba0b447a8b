#include "collect/run_status_texts.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string_view>

#include "collect/proxy_rotation.h"
#include "textutil/program_text.h"

namespace lh {

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

// Control characters of a keyword, title or path written out (\x1b), so a status line
// neither carries terminal commands nor ends at a NUL. GB18030's following bytes are
// all 0x30 or above, so no character is split.
std::string visible(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            shown += c;
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
        shown += escaped;
    }
    return shown;
}

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

}  // namespace

namespace status_text {

std::string caption(RunState state) {
    static const std::string idle = gb("开始采集");
    static const std::string running = gb("停止采集");
    static const std::string stopping = gb("停止采集中");
    switch (state) {
    case RunState::Running:
        return running;
    case RunState::Stopping:
        return stopping;
    case RunState::Idle:
        break;
    }
    return idle;
}

std::string collectedCount(long long totalLines) {
    static const std::string collected = gb("已采集数 ");
    return collected + std::to_string(totalLines);
}

std::string readingPage(const std::string& keyword, long long page) {
    static const std::string reading = gb("正在读 ");
    static const std::string ofPage = gb(" 的第 ");
    static const std::string pageDots = gb(" 页..");
    return reading + visible(keyword) + ofPage + std::to_string(page) + pageDots;
}

std::string searching() {
    static const std::string text = gb("搜索中......");
    return text;
}

std::string pageFound(const std::string& keyword, long long page, long long blocks) {
    static const std::string pageMark = gb(" 第 ");
    static const std::string pageComma = gb(" 页,");
    static const std::string addresses = gb(" 个网址");
    return visible(keyword) + pageMark + std::to_string(page) + pageComma + std::to_string(blocks) +
           addresses;
}

std::string resultShown(const std::string& title, const std::string& address) {
    return visible(title) + "(" + visible(address) + ")";
}

std::string ready() {
    static const std::string text = gb("就绪");
    return text;
}

std::string resumeRefused(const OptionDifference& difference) {
    static const std::string head = gb("无法继续上次未完成的采集：选项 ");
    static const std::string was = gb(" 上次为 ");
    static const std::string now = gb("，现在为 ");
    static const std::string tail =
        gb("。请改回原来的选项，或不勾选“继续上次未完成的采集”重新开始");
    const auto shown = [](const std::string& value) { return "\"" + value + "\""; };
    return head + difference.option + was + shown(difference.was) + now +
           shown(difference.now) + tail;
}

std::string endSummary(const RunEnded& ended) {
    static const std::string done = gb("已采集完成！总采集数量 ");
    static const std::string stopped = gb("已停止采集！总采集数量 ");
    static const std::string cancelled = gb("验证未完成，采集已停止！总采集数量 ");
    static const std::string nothing = gb("采集结束，没有采集到结果！");
    static const std::string noProxy = gb("代理服务器都无法连接，采集已停止！总采集数量 ");
    static const std::string took = gb(" 耗时 ");
    static const std::string tookAlone = gb("耗时 ");
    const std::string elapsed = formatElapsed(static_cast<double>(ended.elapsedMs));
    switch (ended.why) {
    case RunEndReason::ResumeRefused:
        return resumeRefused(ended.resumeRefusal.value_or(OptionDifference{}));
    case RunEndReason::Stopped:
        return stopped + std::to_string(ended.totalLines) + took + elapsed;
    case RunEndReason::VerificationCancelled:
        return cancelled + std::to_string(ended.totalLines) + took + elapsed;
    case RunEndReason::NothingCollected:
        return nothing + tookAlone + elapsed;
    case RunEndReason::NoProxyLeft:
        return noProxy + std::to_string(ended.totalLines) + took + elapsed;
    case RunEndReason::Finished:
        break;
    }
    return done + std::to_string(ended.totalLines) + took + elapsed;
}

std::string filesWritten(const RunEnded& ended) {
    if (ended.files.empty()) return {};
    static const std::string savedIn = gb("结果保存在：");
    static const std::string lines = gb(" 条");
    std::string text = savedIn + ended.saveFolder;
    for (const WrittenFile& file : ended.files) {
        std::string_view name = file.path;
        if (name.starts_with(ended.saveFolder)) name.remove_prefix(ended.saveFolder.size());
        text += "\r\n  ";
        text += name;
        text += "  " + std::to_string(file.lines) + lines;
    }
    return text;
}

std::string stopHint() {
    static const std::string text = gb("单击此按钮停止采集");
    return text;
}

std::string openFolderCaption() {
    static const std::string text = gb("打开文件夹");
    return text;
}

std::string fileFailure(const ResultFileFailure& failure) {
    static const std::string cannotWrite = gb("结果文件写入失败：");
    return cannotWrite + visible(failure.fileName) + " (" + failure.reason + ")";
}

std::string fileInUse(const FileInUse& moved) {
    static const std::string held = gb("结果文件正被另一采集占用：");
    static const std::string instead = gb("，改为写入：");
    return held + visible(moved.heldPath) + instead + visible(moved.path);
}

std::string proxySetAside(const ProxySetAside& event) {
    static const std::string failed = gb("代理服务器无法连接，已停用：");
    static const std::string instead = gb("，改用：");
    std::string text = failed + visible(shownProxy(event.proxy));
    const std::string reason = downloadReason(event.outcome);
    if (!reason.empty()) text += " (" + reason + ")";
    if (!event.next.empty()) text += instead + visible(shownProxy(event.next));
    return text;
}

std::string proxiesSetAside(const RunEnded& ended) {
    if (ended.proxiesSetAside.empty()) return {};
    static const std::string label = gb("无法连接而停用的代理服务器：");
    std::string text = label;
    for (std::size_t i = 0; i < ended.proxiesSetAside.size(); ++i) {
        text += (i == 0 ? "" : ", ") + visible(shownProxy(ended.proxiesSetAside[i]));
    }
    return text;
}

std::string endOfRunMessage(const RunEnded& ended) {
    std::string message = endSummary(ended);
    for (const ResultFileFailure& failure : ended.fileFailures) {
        message += "\r\n" + fileFailure(failure);
    }
    const std::string proxies = proxiesSetAside(ended);
    if (!proxies.empty()) message += "\r\n" + proxies;
    const std::string files = filesWritten(ended);
    if (!files.empty()) message += "\r\n" + files;
    return message;
}

std::string failureReportTitle() {
    static const std::string text = gb("采集失败代码(已保存到软件目录下)：");
    return text;
}

std::string failureReportFileName() {
    static const std::string text = gb("采集失败代码.html");
    return text;
}

std::string downloadReason(const TransferOutcome& outcome) {
    std::string kind;
    switch (outcome.failure) {
    case TransferFailure::None:
        return {};
    case TransferFailure::Dns:
        kind = gb("域名解析失败");
        break;
    case TransferFailure::ConnectRefused:
        kind = gb("无法连接");
        break;
    case TransferFailure::TimedOut:
        kind = gb("超时");
        break;
    case TransferFailure::Tls:
        kind = gb("安全连接失败");
        break;
    case TransferFailure::Proxy:
        kind = gb("代理服务器失败");
        break;
    case TransferFailure::TooLarge:
        kind = gb("内容过大");
        break;
    case TransferFailure::CutShort:
        kind = gb("内容不完整");
        break;
    case TransferFailure::HttpStatus:
        kind = gb("服务器返回错误");
        break;
    case TransferFailure::Stopped:
        kind = gb("已停止");
        break;
    case TransferFailure::Other:
        kind = gb("下载失败");
        break;
    }
    return outcome.reason.empty() ? kind : kind + " (" + outcome.reason + ")";
}

std::string downloadFailure(const DownloadFailed& failure) {
    static const std::string page = gb("网页下载失败：");
    static const std::string link = gb("链接解析失败：");
    return (failure.purpose == DownloadPurpose::ResultPage ? page : link) +
           downloadReason(failure.outcome) + " " + failure.address;
}

std::string failureReportContent(const FailureReport& report) {
    std::string content;
    if (report.download.failure != TransferFailure::None)
        content += downloadReason(report.download) + "\r\n";
    content += report.download.rawHeaders;
    return content + report.pageText;
}

}  // namespace status_text

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

void writeFailureReport(const FailureReport& report) {
    std::ofstream out(nativePath(report.path), std::ios::binary | std::ios::trunc);
    const std::string text = report.address + "\r\n" + status_text::failureReportContent(report);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void showRunEvent(const RunEvent& event, StatusDisplay& display) {
    using namespace status_text;
    std::visit(
        Overloaded{
            [&](const RunStarted&) {
                display.setCaption(caption(RunState::Running));
                display.setStopHint(stopHint());
                display.setMergeOptionEnabled(false);
            },
            [&](const RunStopping&) { display.setCaption(caption(RunState::Stopping)); },
            [&](const KeywordStarted&) {},
            [&](const PageStarted& e) {
                display.setStatus(0, readingPage(e.keyword, e.page));
                display.setStatus(1, searching());
            },
            [&](const PageFetched& e) {
                display.setStatus(0, pageFound(e.keyword, e.page, e.blocks));
            },
            [&](const ResultKept& e) { display.setStatus(1, resultShown(e.title, e.address)); },
            [&](const LineWritten& e) { display.setCaption(collectedCount(e.totalLines)); },
            [&](const PageDone&) {},
            [&](const VerificationNeeded&) {},
            [&](const FileFailed& e) { display.setStatus(1, fileFailure(e.failure)); },
            [&](const DownloadFailed& e) { display.setStatus(1, downloadFailure(e)); },
            [&](const FileInUse& e) { display.setStatus(1, fileInUse(e)); },
            [&](const ProxySetAside& e) { display.setStatus(1, proxySetAside(e)); },
            [&](const RunEnded& e) {
                display.setCaption(caption(RunState::Idle));
                display.setStopHint({});
                display.setStatus(0, ready());
                display.setStatus(1, endSummary(e));
                display.setMergeOptionEnabled(true);
                display.showEndOfRunMessage(endOfRunMessage(e),
                                            e.files.empty() ? std::string() : e.saveFolder);
                if (e.failureReport) {
                    writeFailureReport(*e.failureReport);
                    display.showFailureReport(failureReportTitle(), e.failureReport->address,
                                              failureReportContent(*e.failureReport));
                }
            },
        },
        event);
}

}  // namespace lh
