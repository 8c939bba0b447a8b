#pragma once

#include <string>

#include "collect/browser.h"
#include "collect/engine_catalogue.h"
#include "collect/engine_session.h"
#include "textutil/regex_service.h"
#include "web/event_wait.h"
#include "web/http_client.h"

namespace lh {

// What link resolution works with: the browser's background visit and the run's waits
// (Baidu advertisement links), the session (advertisement cookies, Google's root), a
// download object and the jsessionid pattern, the engine and the output template; the
// run's stop request with the look-up's deadline. `failure` receives the last look-up
// that failed. `resolveAlways` looks links up also where the page names the target.
struct LinkResolutionContext {
    Browser& browser;
    EventWait& wait;
    EngineSession& session;
    HttpClient& client;
    const RegexService& jsessionPattern;  // created by makeJsessionPattern
    const EngineProfile& engine;
    std::string outputTemplate;
    StopToken stop{};
    TransferOutcome failure{};
    bool resolveAlways = false;
};

// Compiles ";jsessionid=[^\r\n]+" (ignore case, multiline, global) into `regex`.
void makeJsessionPattern(RegexService& regex);

// The target behind an engine's redirect address. A `pageTarget` (what the page names
// beside the link) that is an absolute http(s) address is the target, without a
// look-up, unless the context resolves always. Otherwise by the engine's link rule:
// asks the redirector for its Location, reads an HTML refresh page, decodes a query
// parameter or cleans up a Google address. Baidu resolves only when the template shows
// an address or domain; engines that keep their links, and failed resolutions, keep the
// address, as does a look-up that is stopped or runs out of time (no try is started
// after that).
std::string resolveResultLink(LinkResolutionContext& context, const std::string& address,
                              std::string_view pageTarget = {});

// Where a link's resolution may run. Here: it sends no request (the page's own target,
// a rule that reads the address itself). AnyThread: requests over its own client only.
// RunThread: it needs the browser's warm-up, the run's waits and the session's
// advertisement cookies (Baidu advertisement links).
enum class LookUpPlace { Here, AnyThread, RunThread };
LookUpPlace lookUpPlace(const EngineProfile& engine, std::string_view outputTemplate,
                        bool resolveAlways, const std::string& address,
                        std::string_view pageTarget = {});

// The target a click-tracking address (host ending in bing.com, path /ck/a) carries in
// its u= parameter: "a1" and the target's UTF-8 in base64url, padded or not. The
// address unchanged when it is no such address or u= is missing, of another kind,
// undecodable or no absolute http(s) address.
std::string clickTrackingTarget(const std::string& address);

// Google's result address clean-up: the url?q= and url= targets, jsessionid parameters
// removed, percent-decoded.
std::string cleanGoogleAddress(const std::string& address, const std::string& googleBase,
                               const RegexService& jsessionPattern);

}  // namespace lh
