#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "collect/collection_run.h"
#include "collect/collection_settings.h"
#include "collect/result_record.h"

namespace lh {

// A local calendar date and time; months and days from 1.
struct LocalDateTime {
    int year = 1970;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The clock's local time now. The run takes it once at its start and hands it on, so
// tests can give any moment instead.
LocalDateTime localDateTimeNow();

// "2024年5月6日9时5分30秒": no leading zeros; the time ends at its last non-zero
// part (…9时5分 when the second is 0, …9时 when minute and second are 0) and is left
// out at midnight exactly.
std::string dateTimeText(const LocalDateTime& when);

// The keyword made usable in a file name: \ / : * ? | < > become their full-width
// forms, double quotes are removed, and so are CR LF, CR, LF and TAB. Nothing is
// trimmed or shortened.
std::string fileSafeKeyword(std::string_view keyword);

// Full path of a keyword's own file: save folder + display name + "_" + file-safe
// keyword + "." + extension; when this run already created a file of that name, " (2)",
// " (3)", … is put before the extension. Files of earlier runs are replaced.
std::string keywordFileName(const CollectionSettings& settings, const CollectionRun& run,
                            std::string_view keyword);

// Full path of a merged file started at `runStart`: save folder + date-time text + "."
// + extension; when such a file exists already, " (2)", " (3)", … before the extension.
std::string mergedFileName(const CollectionSettings& settings, const CollectionRun& run,
                           const LocalDateTime& runStart);

// The first line of a CSV result file: the template without its "#" and CR LF; empty
// for other extensions.
std::string csvHeaderLine(const CollectionSettings& settings);

// Opens run.outputFile as the keyword's own file (name as keywordFileName, remembered in
// run.usedFileNames) and writes the CSV header when the extension is csv. False when the
// file could not be created or the header not written; run.outputFile keeps the reason.
bool openKeywordFile(const CollectionSettings& settings, CollectionRun& run,
                     std::string_view keyword);

// Opens run.outputFile as the run's merged file, with the CSV header when applicable.
bool openMergedFile(const CollectionSettings& settings, CollectionRun& run,
                    const LocalDateTime& runStart);

// The heading written before a keyword's results in a merged file with separator lines:
// 30 hyphens and sep unless the keyword is the first piece of the keyword list, then
// the keyword and sep; sep is "<br>" when the template holds "<br>" (any case), CR LF
// otherwise.
std::string keywordHeading(const CollectionSettings& settings, std::string_view keyword,
                           bool firstPiece);
bool writeKeywordHeading(const CollectionSettings& settings, CollectionRun& run,
                         std::string_view keyword, bool firstPiece);

// Run start: forgets the previous run's written keys, file names and file failure.
void resetRunOutput(CollectionRun& run);

// "已采集数 " + total: the start button's caption while lines are being written.
std::string collectedCountCaption(long long total);

// Called after every line that reached the file with the run's running total
// (run.totalCollected + lines written so far on this page).
using LineWrittenCallback = std::function<void(long long runningTotal)>;

// Writes a page's records in order: renders each line, skips duplicates when removing
// them (the key is the title for Baidu mobile, the whole line otherwise; the scope is
// whatever run.seenKeys holds), appends the rest to run.outputFile and stops once
// `perPage` lines are written. Returns the lines that really reached the file; a line
// the file refused is not counted, and its key is not remembered.
long long writePageResults(const CollectionSettings& settings, CollectionRun& run,
                           const std::vector<ResultRecord>& records, long long perPage,
                           const LineWrittenCallback& onLineWritten = {});

}  // namespace lh
