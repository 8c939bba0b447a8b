#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "collect/collection_settings.h"
#include "collect/result_file.h"
#include "collect/result_record.h"

namespace lh {

// The engine-specific work the driver delegates: result files, search addresses, page
// downloads, cutting pages into results, link resolution, filters and writing. The
// driver owns the run's rules (loops, paging, pauses, stop rule, verification, status
// texts); this seam lets those rules be tested with scripted pages, and lets the real
// engines be swapped in (EngineSteps) without the driver knowing how they work.
//
// One page step calls, in order: beginPage, searchUrl, then per attempt fetchResultPage
// and extractResultBlocks, then nextPageUrl, then per block rankSelected, parseResult,
// resolveResultLink, acceptResult, then writePageResults, and endPage last.
class CollectionSteps {
public:
    virtual ~CollectionSteps() = default;

    // --- result files ----------------------------------------------------------------
    // Opens the run's merged file (with its CSV header when applicable).
    virtual void openMergedFile(const CollectionSettings& settings) = 0;
    // Opens the keyword's own file (with its CSV header when applicable).
    virtual void openKeywordFile(const CollectionSettings& settings,
                                 const std::string& keyword) = 0;
    // The separator line and keyword line of a merged file; `firstPiece` when the keyword
    // is piece 1 of the keyword list.
    virtual void writeKeywordHeading(const CollectionSettings& settings, const std::string& keyword,
                                     bool firstPiece) = 0;
    virtual void closeFile() = 0;
    // A failure of the result file since the last call (then forgotten); empty when none.
    virtual ResultFileFailure takeFileFailure() = 0;

    // A run starts: forget what the previous run wrote (keys, file names, failures).
    virtual void beginRun() = 0;
    // Google's site root for this run ("https://host/"), read once at run start.
    virtual std::string googleBase(bool useComSite) = 0;

    // --- one page step ---------------------------------------------------------------
    // Makes the step's working objects; endPage releases them.
    virtual void beginPage() = 0;
    virtual void endPage() = 0;

    // The engine's search address of the keyword and page.
    virtual std::string searchUrl(const std::string& keyword, long long page) = 0;
    // One download of a result page, decoded to program text; empty on failure.
    virtual std::string fetchResultPage(const std::string& url) = 0;
    // Cuts the page into result blocks kept for `block`; returns their number.
    virtual std::size_t extractResultBlocks(const std::string& page) = 0;
    // Block i (0-based) exactly as in the page.
    virtual std::string block(std::size_t index) = 0;
    // The next-page address of the page fetched from `url`; empty when there is none.
    virtual std::string nextPageUrl(const std::string& url, const std::string& page) = 0;

    virtual bool rankSelected(long long rank) = 0;
    virtual ResultRecord parseResult(const std::string& block) = 0;
    // The record's address resolved to its target (engine redirectors, Google clean-up);
    // empty drops the result.
    virtual std::string resolveResultLink(const std::string& address) = 0;
    virtual bool acceptResult(const ResultRecord& record) = 0;
    // Writes the page's records, at most `perPage` lines; `onLineWritten` is called with
    // the number of lines written so far on this page after every line that reached
    // the file. Returns the lines that reached the file.
    virtual long long writePageResults(const std::vector<ResultRecord>& records, int perPage,
                                       const std::function<void(long long)>& onLineWritten) = 0;
};

}  // namespace lh
