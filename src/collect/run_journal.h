#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "collect/collection_settings.h"
#include "collect/run_events.h"

namespace lh {

// The journal an unfinished run keeps in its save folder, and what a finished shard
// leaves there instead so that its files can be merged with the other shards'.
inline constexpr std::string_view kRunJournalName = ".linkharvest-journal";
inline constexpr std::string_view kShardRecordName = ".linkharvest-shard";

// A slice of the keyword list: the non-blank keywords at positions index, index + count,
// … (counted from 0). count 1 is the whole list.
struct KeywordShard {
    long long index = 0;
    long long count = 1;
    bool takes(long long position) const { return count <= 1 || position % count == index; }
    bool operator==(const KeywordShard&) const = default;
};

// An option that shapes the files a run writes, as text: the name is its command-line
// flag ("--per-page"; program text), the value as the journal keeps it.
struct JournalOption {
    std::string name;
    std::string value;
    bool operator==(const JournalOption&) const = default;
};

// The options whose change would make a resumed run's files differ from an
// uninterrupted run's: every persisted option but where files go and how the window
// behaves, the keyword list (by its digest) and the shard.
std::vector<JournalOption> fileShapingOptions(const CollectionSettings& settings,
                                              KeywordShard shard);

// The first option that differs between a journal and the run asked for.
std::optional<OptionDifference> firstDifference(const std::vector<JournalOption>& journal,
                                                const std::vector<JournalOption>& now);

// A page step whose lines reached their file, with what the next page step needs.
struct JournalPage {
    long long piece = 0;  // the keyword's line in the list, blank lines counted
    long long page = 0;
    bool lastPage = false;       // the keyword is finished
    long long fileLength = 0;    // of the file written, after the page
    long long fileLines = 0;     // result lines in that file
    long long totalLines = 0;    // the run's
    long long rankCounter = 0;
    long long poorPageStreak = 0;
    std::string nextPageUrl;
    std::string refererUrl;
    std::string path;                     // the file written, program text
    std::vector<std::string> titleKeys;   // duplicate keys of engines keyed on the title
};

// A keyword as a journal tells it.
struct JournalKeyword {
    std::string keyword;
    std::string firstName;       // its own file's name without a number (file name only)
    long long headingStart = 0;  // where its part of a merged file starts
    long long linesStart = 0;    // where its lines start (after a heading or a CSV header)
    std::optional<JournalPage> lastPage;
    std::vector<std::string> titleKeys;  // of its lines, in order
};

// What a journal holds, read back. Records after the last page a crash left half
// written are not part of it.
struct RunJournalState {
    std::vector<JournalOption> options;
    KeywordShard shard;
    std::string mergedPath;  // program text; empty for files per keyword
    long long mergedStart = 0;  // the merged file's length after its header
    std::map<long long, JournalKeyword> keywords;  // by piece; only those begun
    std::optional<JournalPage> lastPage;  // the latest page of the run
    std::string cookieText;
    bool finished = false;
    long long validLength = 0;  // bytes of whole records

    // The keyword a stop interrupted (its last page is not its last), if any.
    const JournalPage* interrupted() const {
        return lastPage && !lastPage->lastPage ? &*lastPage : nullptr;
    }
    bool keywordFinished(long long piece) const;
    // Length the file being written had at the latest page (the merged file's header
    // length before any).
    long long confirmedLength() const;
};

// Reads a journal or a shard's record; nullopt when there is none or it is not one.
std::optional<RunJournalState> readRunJournal(const std::filesystem::path& file);

// Writes a run's journal: one line per record, appended whole; page ends reach the disk
// before the run goes on, after the result file they describe. Created readable by the
// user alone (it names what the user searched for), and locked while its run goes on:
// a second run in the same folder keeps no journal rather than take the first one's.
class RunJournal {
public:
    RunJournal() = default;
    ~RunJournal();
    RunJournal(const RunJournal&) = delete;
    RunJournal& operator=(const RunJournal&) = delete;

    // A new journal in `folder` (native path), replacing any: written whole under another
    // name, then renamed.
    bool start(const std::filesystem::path& folder, const std::vector<JournalOption>& options,
               KeywordShard shard);
    // Goes on with a journal read before, cut back to its whole records.
    bool reopen(const std::filesystem::path& folder, long long validLength);

    void mergedFileOpened(const std::string& path, long long length);
    void keywordStarted(long long piece, long long headingStart, long long linesStart,
                        const std::string& keyword, const std::string& firstName);
    void cookiesChanged(const std::string& cookieText);
    void pageDone(const JournalPage& page);
    // The run is over: the journal goes, or for a shard becomes its record.
    void finish(bool keepAsShardRecord);
    // The run stopped: the journal stays for a resume.
    void close();
    bool isOpen() const { return fd_ >= 0; }

private:
    void append(const std::string& record, bool sync);

    int fd_ = -1;
    std::filesystem::path folder_;
};

}  // namespace lh
