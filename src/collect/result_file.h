#pragma once

#include <string>
#include <string_view>

namespace lh {

// Why a result file lost lines: the file's name and the system's reason, both program
// text. Empty `fileName` means nothing went wrong.
struct ResultFileFailure {
    std::string fileName;
    std::string reason;
    bool empty() const { return fileName.empty(); }
};

// A closed result file's lock, kept so that no other run takes the file while this
// run goes on. Releasing it (or destruction) lets others have the name again.
class HeldLock {
public:
    HeldLock() = default;
    explicit HeldLock(int fd) : fd_(fd) {}
    ~HeldLock() { release(); }
    HeldLock(HeldLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    HeldLock& operator=(HeldLock&& other) noexcept;
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;
    void release();
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// How opening a result file went.
enum class OpenOutcome {
    Opened,
    InUse,   // another run holds the file (or, for a new-only file, the name exists)
    Failed,  // the file could not be made; the failure is kept
};

// Whether opening may replace a file of that name.
enum class Creation {
    ReplaceExisting,  // an earlier run's file is emptied and written anew
    NewOnly,          // only a name no file has yet is taken
    KeepExisting,     // a resumed run's file: kept as it is, appended to
};

// One result file of a run. Created empty (an existing file of that name is replaced,
// unless another run holds it), written only by appending program text exactly as
// given (GB18030 bytes, the caller supplies the CR LF), never with a byte-order mark.
// The file is opened for appending and locked (flock, exclusive) while open, so two
// runs never write into one file and each append lands whole at the end.
// Every append reaches the disk before it reports success, so a count of successful
// appends is a count of lines really in the file. The first failure (the file could not
// be created, a write failed, the disk is full) is kept for the run to report; a write
// that fails part-way is cut back, so the file never ends in half a line.
class ResultFile {
public:
    ResultFile() = default;
    ~ResultFile();
    ResultFile(const ResultFile&) = delete;
    ResultFile& operator=(const ResultFile&) = delete;

    // Closes any open file, then opens `path` (program text) empty. InUse leaves
    // nothing open and keeps no failure, so the caller may try another name; after
    // Failed the failure is kept and later appends fail.
    OpenOutcome open(std::string_view path, Creation creation = Creation::ReplaceExisting);

    // Gives up on `path` without opening anything: the failure (the system's reason for
    // `errorNumber`) is kept and later appends fail.
    void refuse(std::string_view path, int errorNumber);

    // Appends the bytes with one write. False when the file is not open or the write
    // failed.
    bool append(std::string_view text);

    // The open file's length in bytes; -1 when nothing is open or it cannot be told.
    long long size() const;
    // Cuts the open file back to `length` bytes (a resumed run drops what its journal
    // never confirmed). False, with the failure kept, when that fails.
    bool truncateTo(long long length);
    // Makes what was appended survive a crash of the machine, not only of the program.
    bool sync();

    // Closes the file; a file that was never opened closes silently.
    void close();
    // Closes the file but keeps its lock (empty when nothing was open or locked).
    HeldLock closeKeepingLock();

    bool isOpen() const { return fd_ >= 0; }
    // Program text of the path given to the last `open`.
    const std::string& path() const { return path_; }

    // The first failure since the last `clearFailure`; empty when none.
    const ResultFileFailure& failure() const { return failure_; }
    // Lines (appends) refused since the last `clearFailure`.
    long long lostAppends() const { return lostAppends_; }
    void clearFailure();

private:
    void keepFailure(int errorNumber);

    int fd_ = -1;
    bool locked_ = false;
    std::string path_;
    ResultFileFailure failure_;
    long long lostAppends_ = 0;
};

}  // namespace lh
