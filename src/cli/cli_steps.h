#pragma once

#include <cstdio>
#include <string>

#include "collect/collection_run.h"
#include "collect/collection_steps.h"

namespace lh::cli {

// The engine's steps with what the command line adds: the --cookies text as the run's
// starting cookie text, and, with --stdout, every byte the run writes into its result
// files copied to standard output as soon as it is written (the files then live in a
// scratch folder that the caller removes).
class CliSteps : public CollectionSteps {
public:
    struct Options {
        std::string startCookieText;  // program text; empty = none
        std::FILE* mirror = nullptr;  // standard output with --stdout, else nullptr
        bool utf8 = false;            // mirror lines as UTF-8 ending in LF
    };

    CliSteps(CollectionSteps& inner, CollectionRun& run, Options options);

    void openMergedFile(const CollectionSettings& settings) override;
    void openKeywordFile(const CollectionSettings& settings, const std::string& keyword) override;
    void writeKeywordHeading(const CollectionSettings& settings, const std::string& keyword,
                             bool firstPiece) override;
    void closeFile() override;
    ResultFileFailure takeFileFailure() override { return inner_.takeFileFailure(); }
    void beginRun() override;
    std::string googleBase(bool useComSite) override;
    void beginPage() override;
    void endPage() override { inner_.endPage(); }
    std::string searchUrl(const std::string& keyword, long long page) override {
        return inner_.searchUrl(keyword, page);
    }
    std::string fetchResultPage(const std::string& url) override {
        return inner_.fetchResultPage(url);
    }
    std::size_t extractResultBlocks(const std::string& page) override {
        return inner_.extractResultBlocks(page);
    }
    std::string block(std::size_t index) override { return inner_.block(index); }
    std::string nextPageUrl(const std::string& url, const std::string& page) override {
        return inner_.nextPageUrl(url, page);
    }
    bool rankSelected(long long rank) override { return inner_.rankSelected(rank); }
    ResultRecord parseResult(const std::string& block) override {
        return inner_.parseResult(block);
    }
    std::string resolveResultLink(const std::string& address) override {
        return inner_.resolveResultLink(address);
    }
    bool acceptResult(const ResultRecord& record) override { return inner_.acceptResult(record); }
    long long writePageResults(const std::vector<ResultRecord>& records, int perPage,
                               const std::function<void(long long)>& onLineWritten) override;

    // False once copying to standard output failed (a closed pipe, a full disk).
    bool mirrorOk() const { return mirrorOk_; }

private:
    void copyNewBytes();

    CollectionSteps& inner_;
    CollectionRun& run_;
    Options options_;
    bool cookieSeeded_ = false;
    std::string mirroredPath_;
    long long mirroredBytes_ = 0;
    bool mirrorOk_ = true;
};

}  // namespace lh::cli
