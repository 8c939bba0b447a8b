#pragma once

#include <string>

#include "collect/collection_host.h"
#include "collect/collection_run.h"
#include "collect/search_engine.h"
#include "textutil/regex_service.h"
#include "web/http_client.h"

namespace lh {

// The tools a page step lends link resolution: its host (hidden navigator, waits), the
// run (advertisement cookies, Google root), its download object and its jsessionid
// pattern.
struct LinkResolutionContext {
    CollectionHost& host;
    CollectionRun& run;
    HttpClient& client;
    RegexService& jsessionPattern;  // created by makeJsessionPattern
    SearchEngine engine = SearchEngine::None;
    std::string outputTemplate;
};

// Compiles ";jsessionid=[^\r\n]+" (ignore case, multiline, global) into `regex`.
void makeJsessionPattern(RegexService& regex);

// The target behind an engine's redirect address: asks the redirector for its Location,
// reads an HTML refresh page, or decodes a query parameter, as the engine needs. Only
// Baidu (when the template shows an address or domain), 360, Baidu mobile, 360 mobile
// and Sogou News resolve; other engines, and failed resolutions, keep the address.
std::string resolveResultLink(LinkResolutionContext& context, const std::string& address);

// Google's result address clean-up: the url?q= and url= targets, jsessionid parameters
// removed, percent-decoded.
std::string cleanGoogleAddress(const std::string& address, const std::string& googleBase,
                               RegexService& jsessionPattern);

}  // namespace lh
