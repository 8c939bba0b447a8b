#include "ui/web_view.h"

#include <algorithm>

#include <QStringList>

#ifdef LH_HAVE_WEBENGINE
#include "ui/engine_web_view.h"
#endif

namespace lh {

namespace {

bool domainMatches(const ViewCookie& cookie, const QString& host) {
    QString domain = cookie.domain.toLower();
    if (cookie.hostOnly) return host == (domain.startsWith('.') ? domain.mid(1) : domain);
    if (domain.startsWith('.')) domain = domain.mid(1);
    if (domain.isEmpty()) return false;
    return host == domain || host.endsWith(QLatin1Char('.') + domain);
}

bool pathMatches(const QString& cookiePath, const QString& requestPath) {
    const QString path = cookiePath.isEmpty() ? QStringLiteral("/") : cookiePath;
    if (requestPath == path) return true;
    if (!requestPath.startsWith(path)) return false;
    return path.endsWith('/') || requestPath.at(path.size()) == QLatin1Char('/');
}

}  // namespace

QString cookieHeaderFor(const std::vector<ViewCookie>& cookies, const QUrl& url) {
    const QString host = url.host().toLower();
    if (host.isEmpty()) return {};
    const QString path = url.path().isEmpty() ? QStringLiteral("/") : url.path();
    const bool secureScheme = url.scheme() == QLatin1String("https");
    std::vector<const ViewCookie*> matching;
    for (const ViewCookie& c : cookies) {
        if (c.secure && !secureScheme) continue;
        if (!domainMatches(c, host) || !pathMatches(c.path, path)) continue;
        matching.push_back(&c);
    }
    std::stable_sort(
        matching.begin(), matching.end(),
        [](const ViewCookie* a, const ViewCookie* b) { return a->path.size() > b->path.size(); });
    QStringList pairs;
    for (const ViewCookie* c : matching) pairs << c->name + QLatin1Char('=') + c->value;
    return pairs.join(QStringLiteral("; "));
}

bool webEngineAvailable() {
#ifdef LH_HAVE_WEBENGINE
    return true;
#else
    return false;
#endif
}

std::unique_ptr<WebView> createWebView(QWidget* parent, const QString& storageRoot) {
#ifdef LH_HAVE_WEBENGINE
    if (!storageRoot.isEmpty()) {
        if (auto view = createEngineWebView(parent, storageRoot)) return view;
    }
#else
    (void)parent;
    (void)storageRoot;
#endif
    return std::make_unique<NullWebView>();
}

QNetworkProxy viewProxyOf(const std::string& address) {
    if (address.empty()) return QNetworkProxy(QNetworkProxy::DefaultProxy);
    const QString text = QString::fromLatin1(address.data(), static_cast<qsizetype>(address.size()));
    const QUrl url(text.contains(QStringLiteral("://")) ? text : QStringLiteral("http://") + text);
    if (!url.isValid() || url.host().isEmpty()) return QNetworkProxy(QNetworkProxy::DefaultProxy);
    const bool socks = url.scheme().startsWith(QStringLiteral("socks5"));
    QNetworkProxy proxy(socks ? QNetworkProxy::Socks5Proxy : QNetworkProxy::HttpProxy, url.host(),
                        static_cast<quint16>(url.port(1080)));
    if (!url.userName().isEmpty()) {
        proxy.setUser(url.userName());
        proxy.setPassword(url.password());
    }
    return proxy;
}

}  // namespace lh
