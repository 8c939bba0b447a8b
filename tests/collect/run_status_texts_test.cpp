#include "collect/run_status_texts.h"

#include <gtest/gtest.h>

#include "textutil/program_text.h"

namespace lh {
namespace {

TEST(RunStatusTexts, FormatElapsedPicksTheUnitAndDropsTrailingZeros) {
    EXPECT_EQ(formatElapsed(999), "999" + gb(" 毫秒"));
    EXPECT_EQ(formatElapsed(90000), "1.5" + gb(" 分"));
    EXPECT_EQ(formatElapsed(7200000), "2" + gb(" 时"));
    EXPECT_EQ(formatElapsed(1000), "1" + gb(" 秒"));
    EXPECT_EQ(formatElapsed(12.346), "12.35" + gb(" 毫秒"));
    EXPECT_EQ(formatElapsed(86400000.0 * 3), "3" + gb(" 天"));
    EXPECT_EQ(formatElapsed(86400000.0 * 45), "1.5" + gb(" 月"));
    EXPECT_EQ(formatElapsed(86400000.0 * 30 * 18), "1.5" + gb(" 年"));
    EXPECT_EQ(status_text::collectedCount(12), gb("已采集数 12"));
}

TEST(RunStatusTexts, TheEndSaysHowTheRunEndedAndWhereTheFilesWent) {
    RunEnded ended;
    ended.totalLines = 7;
    ended.elapsedMs = 90000;
    EXPECT_EQ(status_text::endSummary(ended), gb("已采集完成！总采集数量 7 耗时 1.5 分"));
    ended.why = RunEndReason::Stopped;
    EXPECT_EQ(status_text::endSummary(ended), gb("已停止采集！总采集数量 7 耗时 1.5 分"));
    ended.why = RunEndReason::VerificationCancelled;
    EXPECT_EQ(status_text::endSummary(ended),
              gb("验证未完成，采集已停止！总采集数量 7 耗时 1.5 分"));
    ended.why = RunEndReason::NothingCollected;
    EXPECT_EQ(status_text::endSummary(ended), gb("采集结束，没有采集到结果！耗时 1.5 分"));

    EXPECT_EQ(status_text::filesWritten(ended), "");  // --stdout, or nothing opened
    ended.why = RunEndReason::Finished;
    ended.saveFolder = "/o/";
    ended.files = {{"/o/" + gb("百度_a.txt"), 5}, {"/o/" + gb("百度_b.txt"), 2}};
    ended.fileFailures = {{"/o/c.txt", "Disk full"}};
    EXPECT_EQ(
        status_text::endOfRunMessage(ended),
        gb("已采集完成！总采集数量 7 耗时 1.5 分\r\n结果文件写入失败：/o/c.txt (Disk full)\r\n"
           "结果保存在：/o/\r\n  百度_a.txt  5 条\r\n  百度_b.txt  2 条"));
}

TEST(RunStatusTexts, FailedDownloadsSayWhyInThePaneAndTheReport) {
    const TransferOutcome timedOut{TransferFailure::TimedOut, "Operation timed out", 0, "", "", ""};
    EXPECT_EQ(status_text::downloadReason(timedOut), gb("超时 (Operation timed out)"));
    EXPECT_EQ(status_text::downloadReason({.failure = TransferFailure::Proxy}),
              gb("代理服务器失败"));
    EXPECT_EQ(status_text::downloadReason({}), "");
    EXPECT_EQ(status_text::downloadFailure({DownloadPurpose::ResultPage, "http://e/s", timedOut}),
              gb("网页下载失败：超时 (Operation timed out) http://e/s"));
    EXPECT_EQ(status_text::downloadFailure({DownloadPurpose::ResultLink, "http://e/l", timedOut}),
              gb("链接解析失败：超时 (Operation timed out) http://e/l"));

    // The report: the reason when the download failed, what came of the answer, the page.
    FailureReport report{"/p/r.html", "http://e/s", "<html>", {}};
    EXPECT_EQ(status_text::failureReportContent(report), "<html>");
    report.download.failure = TransferFailure::HttpStatus;
    report.download.reason = "HTTP/1.1 503 Busy";
    report.download.rawHeaders = "HTTP/1.1 503 Busy\r\nRetry-After: 9\r\n\r\n";
    EXPECT_EQ(status_text::failureReportContent(report),
              gb("服务器返回错误") +
                  " (HTTP/1.1 503 Busy)\r\nHTTP/1.1 503 Busy\r\nRetry-After: 9\r\n\r\n<html>");
}

TEST(RunStatusTexts, ControlCharactersOfKeywordsTitlesAndPathsAreShownEscaped) {
    const std::string odd = std::string("x\0\x1b[1m", 6) + gb("词") + "\x7f";
    const std::string shown = "x\\x00\\x1b[1m" + gb("词") + "\\x7f";
    EXPECT_EQ(status_text::readingPage(odd, 2), gb("正在读 ") + shown + gb(" 的第 2 页.."));
    EXPECT_EQ(status_text::pageFound(odd, 1, 3), shown + gb(" 第 1 页,3 个网址"));
    EXPECT_EQ(status_text::resultShown("t\tu", "http://e/\r"), "t\\x09u(http://e/\\x0d)");
    EXPECT_EQ(status_text::fileInUse({"/o/a\x1b.txt", "/o/a\x1b (2).txt"}),
              gb("结果文件正被另一采集占用：/o/a\\x1b.txt，改为写入：/o/a\\x1b (2).txt"));
}

}  // namespace
}  // namespace lh
