#include "ui/engine_web_view.h"

#include <QDir>
#include <QFile>
#include <QNetworkCookie>
#include <QPointer>
#include <QWebEngineCookieStore>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include "textutil/file_access.h"

namespace lh {

namespace {

ViewCookie viewCookie(const QNetworkCookie& c) {
    ViewCookie v;
    v.name = QString::fromUtf8(c.name());
    v.value = QString::fromUtf8(c.value());
    v.domain = c.domain();
    v.path = c.path().isEmpty() ? QStringLiteral("/") : c.path();
    v.secure = c.isSecure();
    v.hostOnly = !c.domain().startsWith(QLatin1Char('.'));
    return v;
}

bool sameCookie(const ViewCookie& a, const ViewCookie& b) {
    return a.name == b.name && a.domain == b.domain && a.path == b.path;
}

class EngineWebView : public QObject, public WebView {
public:
    EngineWebView(QWidget* parent, const QString& storageRoot)
        : view_(new QWebEngineView(parent)), storageRoot_(storageRoot) {
        view_->setObjectName(QString::fromUtf8("浏览器"));
        view_->hide();
        rebuildProfile();
    }

    ~EngineWebView() override {
        // The page must go before the profile it belongs to.
        if (!view_.isNull()) {
            QWebEnginePage* page = view_->page();
            view_->setPage(nullptr);
            delete page;
        }
        delete profile_;
    }

    QWidget* widget() override { return view_.data(); }

    void setUserAgent(const QString& userAgent) override {
        userAgent_ = userAgent;
        if (profile_ != nullptr) profile_->setHttpUserAgent(userAgent);
    }

    void loadAddress(const QString& address) override {
        if (storageChanged_) rebuildProfile();
        address_ = address;
        if (!view_.isNull()) view_->load(QUrl(address));
    }

    QString currentCookies() override {
        if (view_.isNull() || storageChanged_) return {};
        QUrl url = view_->url();
        if (url.isEmpty() || url.scheme() == QLatin1String("about")) url = QUrl(address_);
        return cookieHeaderFor(cookies_, url);
    }

    void clearCookies() override {
        if (view_.isNull()) return;
        view_->page()->runJavaScript(QStringLiteral("$.removeCookie('name',{ path: '/'});"));
        profile_->cookieStore()->deleteAllCookies();
        cookies_.clear();
    }

    void setCacheFolder(const QString& name) override {
        cacheName_ = name;
        storageChanged_ = true;
    }

    void setCookieFolder(const QString& name) override {
        cookieName_ = name;
        storageChanged_ = true;
    }

    void setViewVisible(bool visible) override {
        if (view_.isNull()) return;
        view_->setVisible(visible);
        if (visible) view_->raise();
    }

    bool viewVisible() const override { return !view_.isNull() && view_->isVisible(); }

    void move(const QRect& rect) override {
        if (!view_.isNull()) view_->setGeometry(rect);
    }

    QString currentAddress() const override { return address_; }

private:
    void rebuildProfile() {
        storageChanged_ = false;
        QWebEngineProfile* old = profile_;
        const QString storageName =
            QStringLiteral("linkharvest-") + cookieName_ + QLatin1Char('-') + cacheName_;
        profile_ = new QWebEngineProfile(storageName, this);
        // The web view's cookies hold the user's sessions.
        createPrivateFolders(QFile::encodeName(storageRoot_).toStdString());
        profile_->setPersistentStoragePath(storageRoot_ + QStringLiteral("/cookies-") +
                                           cookieName_);
        profile_->setCachePath(storageRoot_ + QStringLiteral("/cache-") + cacheName_);
        profile_->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
        if (!userAgent_.isEmpty()) profile_->setHttpUserAgent(userAgent_);
        cookies_.clear();
        QWebEngineCookieStore* store = profile_->cookieStore();
        connect(store, &QWebEngineCookieStore::cookieAdded, this, [this](const QNetworkCookie& c) {
            const ViewCookie v = viewCookie(c);
            for (ViewCookie& existing : cookies_) {
                if (sameCookie(existing, v)) {
                    existing = v;
                    return;
                }
            }
            cookies_.push_back(v);
        });
        connect(
            store, &QWebEngineCookieStore::cookieRemoved, this, [this](const QNetworkCookie& c) {
                const ViewCookie v = viewCookie(c);
                std::erase_if(cookies_,
                              [&](const ViewCookie& existing) { return sameCookie(existing, v); });
            });
        store->loadAllCookies();
        if (!view_.isNull()) {
            QWebEnginePage* oldPage = view_->page();
            view_->setPage(new QWebEnginePage(profile_, view_));
            if (old != nullptr && oldPage != nullptr && oldPage->profile() == old) delete oldPage;
        }
        delete old;
    }

    QPointer<QWebEngineView> view_;
    QWebEngineProfile* profile_ = nullptr;
    QString storageRoot_;
    QString cacheName_ = QStringLiteral("default");
    QString cookieName_ = QStringLiteral("default");
    QString userAgent_;
    QString address_;
    bool storageChanged_ = false;
    std::vector<ViewCookie> cookies_;
};

}  // namespace

std::unique_ptr<WebView> createEngineWebView(QWidget* parent, const QString& storageRoot) {
    return std::make_unique<EngineWebView>(parent, storageRoot);
}

}  // namespace lh
