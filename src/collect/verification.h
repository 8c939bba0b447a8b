#pragma once

#include <string>

#include "collect/collection_host.h"
#include "collect/collection_run.h"
#include "collect/search_engine.h"

namespace lh {

// True when the page holds one of the engines' verification (captcha) markers,
// letters compared without regard to ASCII case.
bool detectVerification(const std::string& page);

// Whether the engine's pages are examined for verification markers at all.
bool checksVerification(SearchEngine engine);

// Shows the verification page at `pageUrl` in the host's web view, waits for the user
// (or 10 s with auto-close), takes the view's cookies as the run's cookie text and, for
// the Baidu engines, stores them in the program folder's cookie file. False when the
// user cancelled: the run's stop flag is then set.
bool handOffVerification(CollectionHost& host, CollectionRun& run, SearchEngine engine,
                         const std::string& pageUrl);

// The name of an engine's cookie file in the program folder ("百度Cookies.txt" for Baidu
// and Baidu News, "百度移动Cookies.txt" for Baidu mobile); empty for other engines.
std::string cookieFileName(SearchEngine engine);

// `length` random letters and digits from the host's random source.
std::string randomFolderName(CollectionHost& host, int length = 8);

}  // namespace lh
