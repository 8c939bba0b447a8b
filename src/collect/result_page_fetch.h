#pragma once

#include <string>

#include "collect/collection_host.h"
#include "collect/collection_run.h"
#include "web/http_client.h"

namespace lh {

// One download of a result page the way the selected engine is asked: the engine's
// transport, time-out, user agent, referer and cookies (the Baidu engines read their
// cookie file when the run has no cookies yet; Bing sends the web view's cookies and
// then shows the page there). Returns the page decoded to program text; empty when the
// download failed. `keyword` is the keyword searched (360 mobile's referer names it).
std::string fetchResultPage(CollectionHost& host, CollectionRun& run, HttpClient& client,
                            const std::string& url, const std::string& keyword);

}  // namespace lh
