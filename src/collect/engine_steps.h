#pragma once

#include <memory>
#include <string>

#include "collect/collection_host.h"
#include "collect/collection_run.h"
#include "collect/collection_steps.h"

namespace lh {

// The real engines behind a run: result files in the save folder, search addresses,
// downloads over the network, extraction, link resolution, filters and output.
// A front end wires a run as:
//   CollectionRun run;                 // for the program's lifetime
//   EngineSteps steps(host, run);
//   CollectionDriver driver(host, run, steps);
//   driver.onStartStopClicked();
class EngineSteps : public CollectionSteps {
public:
    EngineSteps(CollectionHost& host, CollectionRun& run);
    ~EngineSteps() override;
    EngineSteps(const EngineSteps&) = delete;
    EngineSteps& operator=(const EngineSteps&) = delete;

    void openMergedFile(const CollectionSettings& settings) override;
    void openKeywordFile(const CollectionSettings& settings, const std::string& keyword) override;
    void writeKeywordHeading(const CollectionSettings& settings, const std::string& keyword,
                             bool firstPiece) override;
    void closeFile() override;
    ResultFileFailure takeFileFailure() override;
    void beginRun() override;
    std::string googleBase(bool useComSite) override;

    void beginPage() override;
    void endPage() override;
    std::string searchUrl(const std::string& keyword, long long page) override;
    std::string fetchResultPage(const std::string& url) override;
    std::size_t extractResultBlocks(const std::string& page) override;
    std::string block(std::size_t index) override;
    std::string nextPageUrl(const std::string& url, const std::string& page) override;
    bool rankSelected(long long rank) override;
    ResultRecord parseResult(const std::string& block) override;
    std::string resolveResultLink(const std::string& address) override;
    bool acceptResult(const ResultRecord& record) override;
    long long writePageResults(const std::vector<ResultRecord>& records, int perPage,
                               const std::function<void(long long)>& onLineWritten) override;

private:
    struct PageTools;

    CollectionHost& host_;
    CollectionRun& run_;
    std::string keyword_;
    std::unique_ptr<PageTools> page_;
};

}  // namespace lh
