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

// One result file of a run. Created empty (an existing file of that name is replaced),
// written only by appending program text exactly as given (GB18030 bytes, the caller
// supplies the CR LF), never with a byte-order mark.
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

    // Closes any open file, then creates `path` (program text) empty. False when it
    // cannot be created; the failure is kept and later appends fail.
    bool open(std::string_view path);

    // Appends the bytes. False when the file is not open or the write failed.
    bool append(std::string_view text);

    // Closes the file; a file that was never opened closes silently.
    void close();

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
    std::string path_;
    ResultFileFailure failure_;
    long long lostAppends_ = 0;
};

}  // namespace lh
