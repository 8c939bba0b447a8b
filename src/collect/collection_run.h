#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <unordered_set>

#include "collect/result_file.h"

namespace lh {

// The run state, one instance for the program's lifetime. Fields keep their values
// between runs unless the driver resets them (as each comment says). All texts are
// program text (GB18030).
struct CollectionRun {
    // The run must stop at its next check. false at run start; set by the stop click.
    std::atomic<bool> stopRequested{false};
    // Tick count (ms, wrapping) at run start.
    std::uint32_t startTick = 0;
    // Resolved save folder with the folder separator at its end; set at run start.
    std::string saveFolder;
    // Lines written in the whole run; 0 at run start.
    long long totalCollected = 0;
    // Google site root ("https://host/"); set at run start from the .com option.
    std::string googleBase;
    // Address of the latest result-page request; each page.
    std::string lastRequestUrl;
    // Text of the latest result page fetched; each fetch attempt.
    std::string lastPageText;
    // The result file being written: per keyword, or per run when merging.
    ResultFile outputFile;
    // Keys of lines already written (exact text); cleared at run start and, when not
    // merging, at every keyword.
    std::unordered_set<std::string> seenKeys;
    // Per-keyword file names (full paths) this run has created, so two keywords with
    // the same file-safe form never share a file; cleared at run start.
    std::unordered_set<std::string> usedFileNames;
    // Cookies sent to the engine; empty at run start.
    std::string cookieText;
    // Rank of the current result within the keyword, over all its pages; 0 per keyword.
    long long rankCounter = 0;
    // Consecutive pages that met the stop rule (Bing's grace); 0 per keyword.
    int poorPageStreak = 0;
    // Next-page address found on the latest page; overwritten each page.
    std::string nextPageUrl;
    // Address of the latest result-page request, sent as referer; each attempt.
    std::string refererUrl;
    // Browser cookie text for Baidu advertisement links; never reset.
    std::string adCookieText;
    // User-agent text of engine requests; set when the window is created.
    std::string userAgent;
};

}  // namespace lh
