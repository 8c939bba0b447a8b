#pragma once

#include <string>

namespace lh {

// What the run holds towards the engines between requests. One instance for the
// program's lifetime; the driver starts each run's cookie text, the download recipes,
// the verification hand-off and link resolution read and update the rest. All texts are
// program text (GB18030).
struct EngineSession {
    // Cookies sent to the engine: the command line's --cookies text (or empty) at every
    // run start, the browser's cookies after a verification, a cookie file's content
    // when a Baidu engine finds it empty.
    std::string cookieText;
    // Address of the latest result-page request, sent as referer; never reset.
    std::string refererUrl;
    // Browser cookie text for Baidu advertisement links; kept for the program's lifetime.
    std::string adCookieText;
    // User agent of desktop engine requests; the front end sets it once.
    std::string userAgent;
    // Google site root ("https://host/"); chosen at every run start.
    std::string googleBase;
    // The proxy every transfer of the run goes through, chosen for each keyword from the
    // run's proxy list; empty: the system's proxy variables.
    std::string proxy;
};

}  // namespace lh
