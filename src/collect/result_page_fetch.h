#pragma once

#include <string>
#include <string_view>

#include "collect/browser.h"
#include "collect/collection_settings.h"
#include "collect/engine_catalogue.h"
#include "collect/engine_session.h"
#include "web/event_wait.h"
#include "web/stop_token.h"
#include "web/transfer_outcome.h"

namespace lh {

// What a download needs around it: the browser (Bing's cookies and view), the run's
// waits (the page fetch's retry pause), the program folder (cookie files) and the run's
// stop request.
struct FetchSurroundings {
    Browser& browser;
    EventWait& wait;
    std::string programFolder;  // program text, no trailing separator
    StopToken stop{};
};

// One download of a result page by the engine's recipe: transport, time-out, user agent,
// referer and cookies (an engine with a cookie file reads it when the session has no
// cookies yet). Reads the download mode from `settings`. Returns the page decoded to
// program text; empty when the download failed, and `outcome` (optional) says how it
// ended. `keyword` is the keyword searched.
std::string fetchResultPage(const EngineProfile& engine, const CollectionSettings& settings,
                            EngineSession& session, FetchSurroundings& around,
                            const std::string& url, std::string_view keyword,
                            TransferOutcome* outcome = nullptr);

// Whether the recipe's pages come back with their links already absolute: the page fetch
// makes them so against the address it ended at.
bool fetchesAbsolutePages(FetchRecipe recipe);

}  // namespace lh
