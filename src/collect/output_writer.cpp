#include "collect/output_writer.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "collect/engine_catalogue.h"
#include "collect/result_line.h"
#include "textutil/program_text.h"

namespace lh {

namespace {

// Numbers tried after a name before giving up on it.
constexpr int kMaxNumber = 999;
// Closed files whose locks a run keeps; older ones are let go, so a long run does not
// pile up descriptors. Runs that share a keyword list meet within a few keywords.
constexpr std::size_t kMaxHeldLocks = 128;

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

}  // namespace

OutputWriter::OutputWriter(bool writeFiles) : writeFiles_(writeFiles) {}

void OutputWriter::addSink(OutputSink& sink) { sinks_.push_back(&sink); }

void OutputWriter::beginRun(const std::string& saveFolder) {
    endRun();
    fileInUse_.reset();
    file_.clearFailure();
    fileOpen_ = false;
    sinksOk_ = true;
    seenKeys_.clear();
    usedFileNames_.clear();
    files_.clear();
    totalLines_ = 0;

    saveFolder_ = saveFolder;
    const std::string& separator = folderSeparator();
    if (saveFolder_.size() < separator.size() ||
        saveFolder_.compare(saveFolder_.size() - separator.size(), separator.size(), separator) !=
            0) {
        saveFolder_ += separator;
    }
    // A folder that cannot be made shows up as the first file's failure.
    if (writeFiles_) ensureFolderPath(saveFolder_);
}

void OutputWriter::endRun() {
    file_.close();
    fileOpen_ = false;
    heldLocks_.clear();
}

std::string OutputWriter::keywordFileName(const CollectionSettings& settings,
                                          std::string_view keyword, int number) const {
    const std::string head = engineProfile(settings.engine).displayName + "_";
    return saveFolder_ + fittedFileName(head, fileSafeKeyword(keyword),
                                        numberedName("", settings.fileExtension, number), keyword);
}

std::string OutputWriter::keywordFileName(const CollectionSettings& settings,
                                          std::string_view keyword) const {
    for (int n = 1;; ++n) {
        std::string name = keywordFileName(settings, keyword, n);
        if (usedFileNames_.count(name) == 0) return name;
    }
}

std::string OutputWriter::mergedFileName(const CollectionSettings& settings,
                                         const LocalDateTime& runStart) const {
    const std::string stem = saveFolder_ + dateTimeText(runStart);
    for (int n = 1;; ++n) {
        std::string name = numberedName(stem, settings.fileExtension, n);
        if (!fileExists(name) && usedFileNames_.count(name) == 0) return name;
    }
}

bool OutputWriter::open(const std::function<std::string(int)>& nameFor, Creation creation,
                        const CollectionSettings& settings) {
    if (fileOpen_) closeFile();
    fileOpen_ = false;
    std::string path;
    std::string held;
    bool opened = false;
    for (int n = 1; n <= kMaxNumber && !opened; ++n) {
        std::string name = nameFor(n);
        if (usedFileNames_.count(name) != 0) continue;
        path = std::move(name);
        if (!writeFiles_) break;
        const OpenOutcome outcome = file_.open(path, creation);
        if (outcome == OpenOutcome::Failed) {
            usedFileNames_.insert(path);
            return false;
        }
        opened = outcome == OpenOutcome::Opened;
        if (!opened && held.empty()) held = path;
    }
    if (writeFiles_ && !opened) {
        file_.refuse(held.empty() ? path : held, EBUSY);
        return false;
    }
    usedFileNames_.insert(path);
    // A merged name taken by an earlier run's file is no news: that file is kept anyway.
    if (!held.empty() && creation == Creation::ReplaceExisting) fileInUse_ = FileInUse{held, path};
    if (writeFiles_) files_.push_back({path, 0});
    fileOpen_ = true;
    const std::string header = csvHeaderLine(settings);
    const bool ok = header.empty() || append(header);
    flushSinks();
    return ok;
}

bool OutputWriter::openKeywordFile(const CollectionSettings& settings, std::string_view keyword) {
    return open([&](int n) { return keywordFileName(settings, keyword, n); },
                Creation::ReplaceExisting, settings);
}

bool OutputWriter::openMergedFile(const CollectionSettings& settings,
                                  const LocalDateTime& runStart) {
    const std::string stem = saveFolder_ + dateTimeText(runStart);
    return open([&](int n) { return numberedName(stem, settings.fileExtension, n); },
                Creation::NewOnly, settings);
}

bool OutputWriter::writeKeywordHeading(const CollectionSettings& settings, std::string_view keyword,
                                       bool firstPiece) {
    const bool ok = append(keywordHeading(settings, keyword, firstPiece));
    flushSinks();
    return ok;
}

void OutputWriter::closeFile() {
    flushSinks();
    HeldLock lock = file_.closeKeepingLock();
    if (lock.held()) {
        if (heldLocks_.size() >= kMaxHeldLocks) heldLocks_.pop_front();
        heldLocks_.push_back(std::move(lock));
    }
    fileOpen_ = false;
}

void OutputWriter::forgetKeys() { seenKeys_.clear(); }

void OutputWriter::adoptFinishedFile(const std::string& path, long long lines) {
    usedFileNames_.insert(path);
    if (writeFiles_) files_.push_back({path, lines});
}

bool OutputWriter::resumeFile(const std::string& path, long long length, long long lines) {
    if (fileOpen_) closeFile();
    usedFileNames_.insert(path);
    fileOpen_ = true;
    if (!writeFiles_) return true;
    files_.push_back({path, lines});
    return file_.open(path, Creation::KeepExisting) == OpenOutcome::Opened &&
           file_.truncateTo(length);
}

bool OutputWriter::append(std::string_view bytes) {
    if (writeFiles_ && !file_.append(bytes)) return false;
    for (OutputSink* sink : sinks_) {
        if (sinksOk_ && !sink->take(bytes)) sinksOk_ = false;
    }
    return true;
}

void OutputWriter::flushSinks() {
    for (OutputSink* sink : sinks_) {
        if (sinksOk_ && !sink->flush()) sinksOk_ = false;
    }
}

long long OutputWriter::writePage(const CollectionSettings& settings,
                                  const std::vector<ResultRecord>& records, long long perPage,
                                  const LineWrittenCallback& onLineWritten) {
    long long written = 0;
    pageTitleKeys_.clear();
    const bool keyOnTitle = engineProfile(settings.engine).duplicateKey == DuplicateKey::Title;
    for (const ResultRecord& record : records) {
        if (written >= perPage) break;
        std::string line = renderLine(settings, record);
        if (settings.removeDuplicates) {
            const std::string& key = keyOnTitle ? record.title : line;
            if (seenKeys_.count(key) != 0) continue;
            if (!append(line)) continue;
            if (keyOnTitle) pageTitleKeys_.push_back(record.title);
            seenKeys_.insert(keyOnTitle ? record.title : std::move(line));
        } else if (!append(line)) {
            continue;
        }
        ++written;
        ++totalLines_;
        if (writeFiles_ && fileOpen_ && !files_.empty()) ++files_.back().lines;
        if (onLineWritten) onLineWritten(totalLines_);
    }
    flushSinks();
    return written;
}

std::optional<FileInUse> OutputWriter::takeFileInUse() {
    std::optional<FileInUse> note = std::move(fileInUse_);
    fileInUse_.reset();
    return note;
}

ResultFileFailure OutputWriter::takeFailure() {
    ResultFileFailure failure = file_.failure();
    if (!failure.empty()) file_.clearFailure();
    return failure;
}

}  // namespace lh
