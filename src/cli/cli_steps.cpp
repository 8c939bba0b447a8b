#include "cli/cli_steps.h"

#include <fstream>

#include "textutil/program_text.h"

namespace lh::cli {

CliSteps::CliSteps(CollectionSteps& inner, CollectionRun& run, Options options)
    : inner_(inner), run_(run), options_(std::move(options)) {}

void CliSteps::openMergedFile(const CollectionSettings& settings) {
    inner_.openMergedFile(settings);
    copyNewBytes();
}

void CliSteps::openKeywordFile(const CollectionSettings& settings, const std::string& keyword) {
    inner_.openKeywordFile(settings, keyword);
    copyNewBytes();
}

void CliSteps::writeKeywordHeading(const CollectionSettings& settings, const std::string& keyword,
                                   bool firstPiece) {
    inner_.writeKeywordHeading(settings, keyword, firstPiece);
    copyNewBytes();
}

void CliSteps::closeFile() {
    copyNewBytes();
    inner_.closeFile();
}

void CliSteps::beginRun() {
    // The next page step starts the run's cookies.
    cookieSeeded_ = false;
    inner_.beginRun();
}

std::string CliSteps::googleBase(bool useComSite) { return inner_.googleBase(useComSite); }

void CliSteps::beginPage() {
    // The run empties its cookie text at its start, after beginRun.
    if (!cookieSeeded_) {
        cookieSeeded_ = true;
        if (run_.cookieText.empty()) run_.cookieText = options_.startCookieText;
    }
    inner_.beginPage();
}

long long CliSteps::writePageResults(const std::vector<ResultRecord>& records, int perPage,
                                     const std::function<void(long long)>& onLineWritten) {
    const long long written = inner_.writePageResults(records, perPage, onLineWritten);
    copyNewBytes();
    return written;
}

void CliSteps::copyNewBytes() {
    if (options_.mirror == nullptr || !mirrorOk_) return;
    const std::string& path = run_.outputFile.path();
    if (path.empty()) return;
    if (path != mirroredPath_) {
        mirroredPath_ = path;
        mirroredBytes_ = 0;
    }
    std::ifstream in(nativePath(path), std::ios::binary);
    if (!in) return;
    in.seekg(mirroredBytes_);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty()) return;
    mirroredBytes_ += static_cast<long long>(bytes.size());
    // The run appends whole lines only, so each chunk converts on its own.
    if (options_.utf8) bytes = gbToUtf8(replaceAll(bytes, "\r\n", "\n"));
    if (std::fwrite(bytes.data(), 1, bytes.size(), options_.mirror) != bytes.size() ||
        std::fflush(options_.mirror) != 0) {
        // Lines nobody receives are lost lines: end the run as a stop would.
        mirrorOk_ = false;
        run_.stopRequested = true;
    }
}

}  // namespace lh::cli
