#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "collect/collection_settings.h"
#include "collect/result_file.h"
#include "collect/result_output.h"
#include "collect/result_record.h"

namespace lh {

// Somewhere besides the result files every written byte goes, as soon as it is written:
// the command line's --stdout. Bytes are program text exactly as appended (whole
// lines, CR LF; headers and keyword headings too).
class OutputSink {
public:
    virtual ~OutputSink() = default;
    // False once the sink can take nothing more; the writer then stops feeding it and
    // reports it through sinksOk, and the run ends as a stop would.
    virtual bool take(std::string_view bytes) = 0;
    // Called after each batch (a page, a header, a heading, a file closing).
    virtual bool flush() { return true; }
};

// A result file of the run and the result lines that reached it.
struct WrittenFile {
    std::string path;  // program text
    long long lines = 0;
    bool operator==(const WrittenFile&) const = default;
};

// A keyword's result file another run holds, and the name this run writes instead.
// Program text.
struct FileInUse {
    std::string heldPath;
    std::string path;
    bool operator==(const FileInUse&) const = default;
};

// Called after every result line that was written, with the run's running total.
using LineWrittenCallback = std::function<void(long long runningTotal)>;

// The run's output: the result files (one per keyword, or one merged file), the keys of
// lines written (duplicate removal), the file names used, the first failure of a file,
// the line counts per file and in all, and the sinks every written byte is fed to. One
// instance for the program's lifetime; beginRun starts over.
class OutputWriter {
public:
    // `writeFiles` false: no file is created and nothing reaches the disk; the lines go
    // to the sinks alone (the command line's --stdout).
    explicit OutputWriter(bool writeFiles = true);
    OutputWriter(const OutputWriter&) = delete;
    OutputWriter& operator=(const OutputWriter&) = delete;

    void addSink(OutputSink& sink);
    bool writesFiles() const { return writeFiles_; }

    // A run starts: forgets the previous run's keys, file names, failure, counts and
    // files. `saveFolder` (program text) gets the folder separator at its end and, when
    // files are written, every missing folder along it is created.
    void beginRun(const std::string& saveFolder);
    // The run is over: closes its file and lets go of the files it kept from other runs.
    void endRun();
    const std::string& saveFolder() const { return saveFolder_; }

    // Full path of a keyword's own file: save folder + display name + "_" + file-safe
    // keyword + "." + extension, the keyword cut and marked with its hash when the name
    // would be too long (fittedFileName); when this run already created a file of that
    // name, " (2)", " (3)", … is put before the extension. Files of earlier runs are
    // replaced; opening takes the next number instead when another run holds the file.
    std::string keywordFileName(const CollectionSettings& settings, std::string_view keyword) const;
    // The same name with number `number` (1: the plain name), whether used or not.
    std::string keywordFileName(const CollectionSettings& settings, std::string_view keyword,
                                int number) const;
    // Full path of a merged file started at `runStart`: save folder + date-time text + "."
    // + extension; when such a file exists already, " (2)", " (3)", … before the extension.
    // Opening takes the first number whose file it creates itself.
    std::string mergedFileName(const CollectionSettings& settings,
                               const LocalDateTime& runStart) const;

    // Opens the keyword's own file / the run's merged file, with the CSV header when the
    // extension is csv. False when it could not be created or the header not written; the
    // reason is kept (takeFailure).
    bool openKeywordFile(const CollectionSettings& settings, std::string_view keyword);
    bool openMergedFile(const CollectionSettings& settings, const LocalDateTime& runStart);
    // The merged file's keyword heading (keywordHeading).
    bool writeKeywordHeading(const CollectionSettings& settings, std::string_view keyword,
                             bool firstPiece);
    void closeFile();

    // Starts a new duplicate scope (every keyword's own file; a merged run keeps one).
    void forgetKeys();

    // Writes a page's records in order: renders each line, skips duplicates when removing
    // them (the engine's duplicate key: the title for Baidu mobile, the whole line
    // otherwise), appends the rest and stops once `perPage` lines are written. Returns the
    // lines that really reached the file; a line the file refused is not counted, and its
    // key is not remembered.
    long long writePage(const CollectionSettings& settings,
                        const std::vector<ResultRecord>& records, long long perPage,
                        const LineWrittenCallback& onLineWritten = {});

    // A resumed run takes up what its journal says was written: a finished file (its name
    // taken, its lines counted, nothing opened), the file it was writing (opened as it is,
    // cut back to `length`, appended to), the run's total and the duplicate keys of lines
    // already written.
    void adoptFinishedFile(const std::string& path, long long lines);
    bool resumeFile(const std::string& path, long long length, long long lines);
    void restoreTotal(long long lines) { totalLines_ = lines; }
    void rememberKey(std::string key) { seenKeys_.insert(std::move(key)); }
    // The open file's length (-1 without one) and its contents reaching the disk.
    long long fileLength() const { return writeFiles_ ? file_.size() : -1; }
    bool syncFile() { return !writeFiles_ || file_.sync(); }
    // Titles the last writePage remembered as keys (engines keyed on the title only).
    const std::vector<std::string>& pageTitleKeys() const { return pageTitleKeys_; }

    // The first failure of a result file since the last call (then forgotten).
    ResultFileFailure takeFailure();
    // The last open that had to leave a name to another run, since the last call.
    std::optional<FileInUse> takeFileInUse();
    // False once a sink took nothing more.
    bool sinksOk() const { return sinksOk_; }

    // Result lines written in this run, in all and per file (files in opening order).
    long long totalLines() const { return totalLines_; }
    const std::vector<WrittenFile>& files() const { return files_; }
    // The file being written (its path, failure and lost appends).
    const ResultFile& currentFile() const { return file_; }
    bool remembersKey(const std::string& key) const { return seenKeys_.count(key) != 0; }

private:
    bool open(const std::function<std::string(int)>& nameFor, Creation creation,
              const CollectionSettings& settings);
    bool append(std::string_view bytes);
    void flushSinks();

    bool writeFiles_;
    std::vector<OutputSink*> sinks_;
    bool sinksOk_ = true;
    std::string saveFolder_;
    ResultFile file_;
    bool fileOpen_ = false;
    std::deque<HeldLock> heldLocks_;      // files of this run already closed, newest last
    std::optional<FileInUse> fileInUse_;  // without files: a file is "open" between open and close
    std::unordered_set<std::string> seenKeys_;
    std::unordered_set<std::string> usedFileNames_;
    std::vector<WrittenFile> files_;
    std::vector<std::string> pageTitleKeys_;
    long long totalLines_ = 0;
};

}  // namespace lh
