#include "collect/result_output.h"

#include <ctime>
#include <filesystem>
#include <system_error>

#include "collect/result_line.h"
#include "collect/search_engine.h"
#include "textutil/program_text.h"

namespace lh {

namespace {

// name + " (n)" before the extension; n = 1 gives the plain name.
std::string numberedName(const std::string& stem, const std::string& extension, int n) {
    std::string name = stem;
    if (n > 1) name += " (" + std::to_string(n) + ")";
    return name + "." + extension;
}

bool fileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(nativePath(path), error);
}

bool writeHeaderIfCsv(const CollectionSettings& settings, CollectionRun& run) {
    const std::string header = csvHeaderLine(settings);
    return header.empty() || run.outputFile.append(header);
}

}  // namespace

LocalDateTime localDateTimeNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::string dateTimeText(const LocalDateTime& when) {
    static const std::string year = gb("年"), month = gb("月"), day = gb("日");
    static const std::string hour = gb("时"), minute = gb("分"), second = gb("秒");
    auto n = [](int value) { return std::to_string(value); };
    std::string text = n(when.year) + year + n(when.month) + month + n(when.day) + day;
    if (when.second != 0) {
        text += n(when.hour) + hour + n(when.minute) + minute + n(when.second) + second;
    } else if (when.minute != 0) {
        text += n(when.hour) + hour + n(when.minute) + minute;
    } else if (when.hour != 0) {
        text += n(when.hour) + hour;
    }
    return text;
}

std::string fileSafeKeyword(std::string_view keyword) {
    std::string safe;
    safe.reserve(keyword.size() + 8);
    for (std::size_t i = 0; i < keyword.size();) {
        const std::size_t length = charLengthAt(keyword, i);
        if (length > 1) {
            safe.append(keyword.substr(i, length));
            i += length;
            continue;
        }
        const char c = keyword[i++];
        switch (c) {
        case '\\':
        case '/':
        case ':':
        case '*':
        case '?':
        case '|':
        case '<':
        case '>':
            safe += '\xA3';
            safe += static_cast<char>(static_cast<unsigned char>(c) | 0x80);
            break;
        case '"':
        case '\r':
        case '\n':
        case '\t':
            break;
        default:
            safe += c;
        }
    }
    return safe;
}

std::string keywordFileName(const CollectionSettings& settings, const CollectionRun& run,
                            std::string_view keyword) {
    const std::string stem =
        run.saveFolder + engineDisplayName(settings.engine) + "_" + fileSafeKeyword(keyword);
    for (int n = 1;; ++n) {
        std::string name = numberedName(stem, settings.fileExtension, n);
        if (run.usedFileNames.count(name) == 0) return name;
    }
}

std::string mergedFileName(const CollectionSettings& settings, const CollectionRun& run,
                           const LocalDateTime& runStart) {
    const std::string stem = run.saveFolder + dateTimeText(runStart);
    for (int n = 1;; ++n) {
        std::string name = numberedName(stem, settings.fileExtension, n);
        if (!fileExists(name) && run.usedFileNames.count(name) == 0) return name;
    }
}

std::string csvHeaderLine(const CollectionSettings& settings) {
    if (!isCsvExtension(settings.fileExtension)) return {};
    return replaceAll(settings.outputTemplate, "#", "") + "\r\n";
}

bool openKeywordFile(const CollectionSettings& settings, CollectionRun& run,
                     std::string_view keyword) {
    const std::string name = keywordFileName(settings, run, keyword);
    run.usedFileNames.insert(name);
    if (!run.outputFile.open(name)) return false;
    return writeHeaderIfCsv(settings, run);
}

bool openMergedFile(const CollectionSettings& settings, CollectionRun& run,
                    const LocalDateTime& runStart) {
    const std::string name = mergedFileName(settings, run, runStart);
    run.usedFileNames.insert(name);
    if (!run.outputFile.open(name)) return false;
    return writeHeaderIfCsv(settings, run);
}

std::string keywordHeading(const CollectionSettings& settings, std::string_view keyword,
                           bool firstPiece) {
    const std::string sep =
        containsText(settings.outputTemplate, "<br>", Case::Ignore) ? "<br>" : "\r\n";
    std::string heading;
    if (!firstPiece) heading = std::string(30, '-') + sep;
    heading.append(keyword);
    heading += sep;
    return heading;
}

bool writeKeywordHeading(const CollectionSettings& settings, CollectionRun& run,
                         std::string_view keyword, bool firstPiece) {
    return run.outputFile.append(keywordHeading(settings, keyword, firstPiece));
}

void resetRunOutput(CollectionRun& run) {
    run.outputFile.close();
    run.outputFile.clearFailure();
    run.seenKeys.clear();
    run.usedFileNames.clear();
}

std::string collectedCountCaption(long long total) {
    static const std::string caption = gb("已采集数 ");
    return caption + std::to_string(total);
}

long long writePageResults(const CollectionSettings& settings, CollectionRun& run,
                           const std::vector<ResultRecord>& records, long long perPage,
                           const LineWrittenCallback& onLineWritten) {
    long long written = 0;
    const bool keyOnTitle = settings.engine == SearchEngine::BaiduMobile;
    for (const ResultRecord& record : records) {
        if (written >= perPage) break;
        std::string line = renderLine(settings, record);
        if (settings.removeDuplicates) {
            const std::string& key = keyOnTitle ? record.title : line;
            if (run.seenKeys.count(key) != 0) continue;
            if (!run.outputFile.append(line)) continue;
            run.seenKeys.insert(keyOnTitle ? record.title : std::move(line));
        } else if (!run.outputFile.append(line)) {
            continue;
        }
        ++written;
        if (onLineWritten) onLineWritten(run.totalCollected + written);
    }
    return written;
}

}  // namespace lh
