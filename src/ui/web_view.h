#pragma once

#include <QNetworkProxy>
#include <QRect>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace lh {

// One cookie as the view's cookie store reports it.
struct ViewCookie {
    QString name;
    QString value;
    QString domain;  // ".example.com" for a domain cookie, "example.com" host-only
    QString path;    // "/" when the cookie gave none
    bool secure = false;
    bool hostOnly = false;
};

// The cookies of `cookies` that a request to `url` carries, as a Cookie header value
// ("a=1; b=2"): domain, path and secure rules of browsers, longer paths first.
QString cookieHeaderFor(const std::vector<ViewCookie>& cookies, const QUrl& url);

// The embedded web view 浏览器: shows verification pages to the user and hands their
// cookies to the run. Every operation returns at once; loads go on in the background.
class WebView {
public:
    virtual ~WebView() = default;

    // The widget to place on the window; nullptr for a view without engine.
    virtual QWidget* widget() = 0;
    virtual void setUserAgent(const QString& userAgent) = 0;
    virtual void loadAddress(const QString& address) = 0;
    // Cookie-header text for the page currently loaded; empty when none.
    virtual QString currentCookies() = 0;
    // Runs the page's cookie removal script, then empties the cookie store.
    virtual void clearCookies() = 0;
    // Moves the view onto new, empty storage named by the folder text.
    virtual void setCacheFolder(const QString& name) = 0;
    virtual void setCookieFolder(const QString& name) = 0;
    virtual void setViewVisible(bool visible) = 0;
    virtual bool viewVisible() const = 0;
    virtual void move(const QRect& rect) = 0;
    // The address loaded last (what the view shows or is loading).
    virtual QString currentAddress() const = 0;
};

// A view without engine: every operation does nothing, cookies are always empty.
class NullWebView : public WebView {
public:
    QWidget* widget() override { return nullptr; }
    void setUserAgent(const QString&) override {}
    void loadAddress(const QString& address) override { address_ = address; }
    QString currentCookies() override { return {}; }
    void clearCookies() override {}
    void setCacheFolder(const QString&) override {}
    void setCookieFolder(const QString&) override {}
    void setViewVisible(bool visible) override { visible_ = visible; }
    bool viewVisible() const override { return visible_; }
    void move(const QRect&) override {}
    QString currentAddress() const override { return address_; }

private:
    QString address_;
    bool visible_ = false;
};

// The view's proxy for a run's proxy address ([scheme://][user:password@]host[:port]):
// socks5/socks5h addresses a SOCKS proxy, anything else an HTTP proxy; port 1080 (as
// the transport takes it) when none is named. Empty or unreadable: the system's settings (DefaultProxy).
QNetworkProxy viewProxyOf(const std::string& address);

using WebViewFactory = std::function<std::unique_ptr<WebView>(QWidget* parent)>;

// True when this build has the Chromium view.
bool webEngineAvailable();

// The Chromium view when this build has it, storing its data under `storageRoot`;
// otherwise (or when `storageRoot` is empty and storage cannot be set up) the null view.
std::unique_ptr<WebView> createWebView(QWidget* parent, const QString& storageRoot);

}  // namespace lh
