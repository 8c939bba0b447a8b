#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace lh::cli {

struct ProgressState {
    int keywordIndex = 0;  // 1-based; 0 before the first keyword
    int keywordCount = 0;
    long long page = 0;
    long long lines = 0;  // lines written so far in the run
    std::uint32_t elapsedMs = 0;
};

// Progress of a run on standard error. On a terminal the status texts scroll above
// one progress line that is redrawn in place; elsewhere (a log file, a pipe) every
// status text and every new keyword or page is one plain line.
class ProgressDisplay {
public:
    enum class Mode { Terminal, Plain, Quiet };

    // `width` is the terminal's width in columns (0 = unknown: 80).
    ProgressDisplay(std::FILE* out, Mode mode, int width = 0);
    ProgressDisplay(const ProgressDisplay&) = delete;
    ProgressDisplay& operator=(const ProgressDisplay&) = delete;

    // A status pane's new text (program text). Repeats of the same text are skipped.
    void showStatus(int pane, const std::string& programText);
    void showProgress(const ProgressState& state);
    // A line that is printed in every mode (UTF-8): the end of the run, prompts.
    void printLine(const std::string& utf8);
    // Takes the progress line off the terminal, e.g. before a prompt or at the end.
    void clearProgress();

    // True when status texts are shown as lines.
    bool showsStatus() const { return mode_ != Mode::Quiet; }

    // "keyword 2/10 | page 3 | 125 lines | 00:01:23".
    static std::string progressText(const ProgressState& state);

private:
    void emitLine(const std::string& utf8);
    void redraw();

    std::FILE* out_;
    Mode mode_;
    int width_;
    std::string paneText_[2];
    ProgressState last_;
    bool haveProgress_ = false;
    bool progressShown_ = false;
};

}  // namespace lh::cli
