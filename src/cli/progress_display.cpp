#include "cli/progress_display.h"

#include "textutil/program_text.h"

namespace lh::cli {

ProgressDisplay::ProgressDisplay(std::FILE* out, Mode mode, int width)
    : out_(out), mode_(mode), width_(width > 0 ? width : 80) {}

std::string ProgressDisplay::progressText(const ProgressState& s) {
    const std::uint32_t seconds = s.elapsedMs / 1000;
    char clock[32];
    std::snprintf(clock, sizeof clock, "%02u:%02u:%02u", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return "keyword " + std::to_string(s.keywordIndex) + "/" + std::to_string(s.keywordCount) +
           " | page " + std::to_string(s.page) + " | " + std::to_string(s.lines) +
           (s.lines == 1 ? " line" : " lines") + " | " + clock;
}

void ProgressDisplay::showStatus(int pane, const std::string& programText) {
    if (pane < 0 || pane > 1 || paneText_[pane] == programText) return;
    paneText_[pane] = programText;
    if (mode_ == Mode::Quiet || programText.empty()) return;
    emitLine(gbToUtf8(programText));
}

void ProgressDisplay::showProgress(const ProgressState& state) {
    const bool newStep =
        !haveProgress_ || state.keywordIndex != last_.keywordIndex || state.page != last_.page;
    const bool changed =
        newStep || state.lines != last_.lines || state.elapsedMs / 1000 != last_.elapsedMs / 1000;
    last_ = state;
    haveProgress_ = true;
    if (mode_ == Mode::Terminal) {
        if (changed) redraw();
    } else if (mode_ == Mode::Plain && newStep && state.keywordIndex > 0) {
        std::fprintf(out_, "progress: %s\n", progressText(state).c_str());
        std::fflush(out_);
    }
}

void ProgressDisplay::printLine(const std::string& utf8) { emitLine(utf8); }

void ProgressDisplay::clearProgress() {
    if (mode_ != Mode::Terminal || !progressShown_) return;
    std::fputs("\r\x1b[K", out_);
    std::fflush(out_);
    progressShown_ = false;
}

void ProgressDisplay::emitLine(const std::string& utf8) {
    const bool hadProgress = progressShown_;
    clearProgress();
    std::fputs(utf8.c_str(), out_);
    std::fputc('\n', out_);
    if (hadProgress) {
        redraw();
    } else {
        std::fflush(out_);
    }
}

void ProgressDisplay::redraw() {
    if (mode_ != Mode::Terminal || !haveProgress_) return;
    std::string text = progressText(last_);
    // A wrapped line could not be redrawn in place.
    if (static_cast<int>(text.size()) >= width_) text.resize(static_cast<std::size_t>(width_ - 1));
    std::fputs("\r\x1b[K", out_);
    std::fputs(text.c_str(), out_);
    std::fflush(out_);
    progressShown_ = true;
}

}  // namespace lh::cli
