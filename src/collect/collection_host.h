#pragma once

#include <string>

#include "collect/collection_settings.h"
#include "web/event_wait.h"

namespace lh {

// Everything a collection run needs from its surroundings. The run calls it from the
// one thread it runs on, start to end; the window implements it with Qt, the command
// line with a terminal, the tests with a fake that records every call.
//
// All texts are program text (GB18030). Nothing here may throw; an operation the host
// cannot carry out does nothing (texts it should return are then empty).
class CollectionHost : public EventWait {
public:
    // --- options -------------------------------------------------------------------

    // The controls' current values. Called at every moment the run reads an option, so
    // a change made during a run takes effect at its next use; a fresh copy each call.
    virtual CollectionSettings settings() = 0;

    // Handles pending window events once (the run's pump points: before each keyword
    // and each page). A click on the start button may arrive here and call
    // CollectionDriver::onStartStopClicked re-entrantly, or from another thread.
    virtual void processEvents() = 0;

    // A uniformly random whole number in [low, high], both inclusive. Tests seed it.
    virtual long long randomInRange(long long low, long long high) = 0;

    // --- window --------------------------------------------------------------------

    // Text of one pane of the two-pane status bar: 0 = first (progress), 1 = second.
    virtual void setStatusText(int pane, const std::string& text) = 0;

    // Caption of the start/stop button 按钮立即采集.
    virtual std::string startButtonCaption() = 0;
    virtual void setStartButtonCaption(const std::string& caption) = 0;

    // Enables or disables the check box 选择框合并保存 (disabled while a run lasts).
    virtual void setMergeOptionEnabled(bool enabled) = 0;

    // End-of-run message box with an OK button only; returns when it is closed.
    virtual void showEndOfRunMessage(const std::string& text) = 0;

    // The read-only text dialog in information mode: window title, hint line above the
    // text, and the text itself. Returns when it is closed.
    virtual void showFailureReport(const std::string& title, const std::string& hint,
                                   const std::string& content) = 0;

    // The verification question: a system-modal OK/Cancel box that leaves the main window
    // (and the web view on it) usable. True = OK.
    virtual bool askVerificationContinue(const std::string& prompt) = 0;

    // Brings the main window to the front with the keyboard focus.
    virtual void activateMainWindow() = 0;

    // --- embedded web view 浏览器 ----------------------------------------------------
    // Loads never block: they go on while the run waits through waitWithEvents.

    virtual void webViewLoadAddress(const std::string& address) = 0;
    // Cookies of the page currently loaded as a Cookie header value ("a=1; b=2"),
    // empty when there are none or the view has no engine.
    virtual std::string webViewCurrentCookies() = 0;
    // Empties the view's cookie store; afterwards only later page loads set cookies.
    virtual void webViewClearCookies() = 0;
    // Moves the view onto new, empty cache / cookie storage named by the folder text.
    virtual void webViewSetCacheFolder(const std::string& folderName) = 0;
    virtual void webViewSetCookieFolder(const std::string& folderName) = 0;
    virtual void webViewSetVisible(bool visible) = 0;
    virtual void webViewSetUserAgent(const std::string& userAgent) = 0;

    // --- hidden navigator 超文本浏览框1 ----------------------------------------------

    // Visits `address` the way a browser would, through the program-wide cookie store
    // and with the navigator's user agent of the moment, so that systemCookies(host)
    // afterwards returns what the visit left. May return before the visit has finished;
    // the run waits through waitWithEvents afterwards.
    virtual void navigatorLoad(const std::string& address) = 0;

    // --- system --------------------------------------------------------------------

    // The system's clear-browsing-data command, waited for: what = 1, 2, 8, 255 in the
    // run's order. 2 and 255 empty the program-wide cookie store, 8 and 255 drop the
    // navigator's cached data, 1 has nothing to clear here.
    virtual void clearBrowsingData(int what) = 0;

    // The program's own folder (cookie files, failure report), without trailing
    // separator.
    virtual std::string programFolder() = 0;
};

}  // namespace lh
