#pragma once

#include <string>
#include <vector>

#include "collect/browser.h"
#include "collect/collection_settings.h"
#include "collect/engine_catalogue.h"
#include "collect/run_clock.h"

namespace lh {

// The texts that mark a page as one of the engines' verification (captcha) pages.
const std::vector<std::string>& verificationMarkers();

// True when the page holds one of the engines' verification (captcha) markers,
// letters compared without regard to ASCII case.
bool detectVerification(const std::string& page);

// True when the engine's page is one to hand to the user: the shared markers where the
// engine's pages are examined for them, the engine's own challenge marker always.
bool isVerificationPage(const EngineProfile& engine, const std::string& page);

// The question put to the user while a verification page is shown.
const std::string& verificationPrompt();

// A verification the run asks to have solved: the address of the page that showed it.
struct VerificationRequest {
    std::string address;  // program text
};

// The answer: whether the run goes on, and the cookies to go on with (taken also when
// the user cancelled).
struct VerificationOutcome {
    bool proceed = false;
    std::string cookies;  // a Cookie header value, program text
};

// "Solve this address, give me cookies or cancel." The window shows the page in its
// web view (ViewVerification), the command line asks on the terminal, tests answer
// from a queue. Called on the run's thread; returns when the user has answered.
class VerificationService {
public:
    virtual ~VerificationService() = default;
    virtual VerificationOutcome solve(const VerificationRequest& request) = 0;
};

// The embedded web view and the window around it, as a verification hand-off uses them.
// Loads return at once; the caller waits on its clock.
class VerificationView {
public:
    virtual ~VerificationView() = default;
    // The system's clear-browsing-data command, waited for.
    virtual void clearBrowsingData(BrowsingData what) = 0;
    // Empties the view's cookie store; afterwards only later page loads set cookies.
    virtual void clearCookies() = 0;
    // Moves the view onto new, empty cache / cookie storage named by the folder text.
    virtual void setCacheFolder(const std::string& folderName) = 0;
    virtual void setCookieFolder(const std::string& folderName) = 0;
    virtual void loadAddress(const std::string& address) = 0;
    virtual void setVisible(bool visible) = 0;
    // The OK/Cancel question that leaves the window and its view usable. True = OK.
    virtual bool askToContinue(const std::string& prompt) = 0;
    // Cookie-header text of the page the view holds.
    virtual std::string currentCookies() = 0;
    // Brings the main window to the front with the keyboard focus.
    virtual void activateMainWindow() = 0;
};

// The hand-off in an embedded view: optionally clears the browser's data and moves the
// view onto fresh storage, shows the page, asks (or waits 10 s with auto-close), takes
// the view's cookies, hides it and on OK brings the window back. Reads the clear-cache
// and auto-close options at the moment it uses them.
class ViewVerification : public VerificationService {
public:
    ViewVerification(VerificationView& view, RunClock& clock, OptionsSource& options);
    VerificationOutcome solve(const VerificationRequest& request) override;

private:
    VerificationView& view_;
    RunClock& clock_;
    OptionsSource& options_;
};

// `length` random letters and digits from the clock's random numbers.
std::string randomFolderName(RunClock& clock, int length = 8);

}  // namespace lh
