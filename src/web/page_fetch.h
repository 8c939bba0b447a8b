#pragma once

#include <string>

#include "textutil/program_text.h"
#include "web/body_decoding.h"
#include "web/event_wait.h"
#include "web/stop_token.h"
#include "web/transfer_outcome.h"

namespace lh {

struct PageFetchOptions {
    CharsetCode charset = CharsetCode::Detect;
    int timeoutSeconds = 60;  // 0 also means 60
    std::string referer{};
    std::string userAgent{};    // sent as a User-Agent line when non-empty
    std::string cookies{};      // empty: the program-wide store's cookies
    std::string contentType{};  // sent as a Content-Type line when non-empty
    std::string proxy{};        // host:port
    StopToken stop{};           // ends the attempt in progress; no more attempts or pauses
    std::size_t maxBodyBytes = kDefaultBodyLimit;
};

struct PageFetchReply {
    std::string url{};  // the address of the last attempt
    CharsetCode charset = CharsetCode::Detect;
    Bytes body{};                   // undecoded body of the last attempt
    std::string responseCookies{};  // cookie text of the last attempt
    TransferOutcome outcome{};      // how the last attempt ended
};

// One page in one call: `target` is an address, optionally followed by "|" and form data
// (which makes a POST). Up to three attempts: an empty answer (a failed transfer, one cut
// short, one too large) is retried after a 1000 ms wait, and a page that redirects in its
// markup (meta refresh, script location) is followed. A stop request ends the attempts
// and the waits at once. The page text of the last attempt comes back with its links
// absolute against the last address.
std::string fetchPage(const std::string& target, EventWait& wait,
                      const PageFetchOptions& options = {}, PageFetchReply* reply = nullptr);

}  // namespace lh
