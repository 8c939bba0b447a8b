#pragma once

#include <string>

namespace lh {

// What the run needs of a browser outside verification: Bing's pages are shown in the
// embedded view and sent with its cookies, and Baidu's advertisement links need the
// cookies a background visit leaves in the program-wide cookie store. Every call
// returns at once; loads go on while the run waits through its clock. Texts are program
// text. A front end without a browser does nothing and has no cookies.
class Browser {
public:
    virtual ~Browser() = default;

    // Loads `address` into the embedded web view.
    virtual void loadAddress(const std::string& address) = 0;
    // Cookies of the page the view holds, as a Cookie header value ("a=1; b=2").
    virtual std::string currentCookies() = 0;
    // Visits `address` the way a browser would, through the program-wide cookie store, so
    // that the store holds what the visit left; the run waits for it on its clock.
    virtual void visitInBackground(const std::string& address) = 0;
    // Sends the view's and the background visits' requests through `address`
    // ([scheme://]host:port) from now on; empty: the system's proxy settings.
    virtual void useProxy(const std::string& address) { (void)address; }
};

// What the system's clear-browsing-data command is asked to clear; the values are the
// command's own numbers and a verification hand-off asks for all four in this order.
enum class BrowsingData {
    History = 1,
    Cookies = 2,
    TemporaryFiles = 8,
    Everything = 255,
};

// What clearing `what` means to this program: the program-wide cookie store empties,
// and the background navigator drops the visits it has not started yet.
struct BrowsingDataEffect {
    bool cookieStore = false;
    bool queuedVisits = false;
};
BrowsingDataEffect effectOf(BrowsingData what);

}  // namespace lh
