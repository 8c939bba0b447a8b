// Which of the view's cookies a page gets, and the view without engine.
#include <QTest>

#include "ui/web_view.h"

using namespace lh;

namespace {

ViewCookie cookie(const char* name, const char* value, const char* domain, const char* path = "/",
                  bool secure = false) {
    ViewCookie c;
    c.name = QString::fromLatin1(name);
    c.value = QString::fromLatin1(value);
    c.domain = QString::fromLatin1(domain);
    c.path = QString::fromLatin1(path);
    c.secure = secure;
    c.hostOnly = !c.domain.startsWith(QLatin1Char('.'));
    return c;
}

}  // namespace

class WebViewTest : public QObject {
    Q_OBJECT
private slots:
    void cookiesFollowDomainPathAndSecureRules();
    void nullViewDoesNothing();
};

void WebViewTest::cookiesFollowDomainPathAndSecureRules() {
    const std::vector<ViewCookie> jar = {
        cookie("BAIDUID", "x1", ".baidu.com"),       cookie("host", "h", "www.baidu.com"),
        cookie("other", "o", "image.baidu.com"),     cookie("deep", "d", ".baidu.com", "/s"),
        cookie("sec", "s", ".baidu.com", "/", true), cookie("near", "n", ".ubaidu.com"),
    };
    QCOMPARE(cookieHeaderFor(jar, QUrl(QStringLiteral("http://www.baidu.com/"))),
             QStringLiteral("BAIDUID=x1; host=h"));
    // Longer paths first; "/s" covers "/s" and "/s/...", not "/search".
    QCOMPARE(cookieHeaderFor(jar, QUrl(QStringLiteral("https://www.baidu.com/s?wd=1"))),
             QStringLiteral("deep=d; BAIDUID=x1; host=h; sec=s"));
    QCOMPARE(cookieHeaderFor(jar, QUrl(QStringLiteral("https://www.baidu.com/search"))),
             QStringLiteral("BAIDUID=x1; host=h; sec=s"));
    // A domain cookie reaches the bare domain; host-only cookies stay on their host.
    QCOMPARE(cookieHeaderFor(jar, QUrl(QStringLiteral("http://baidu.com/"))),
             QStringLiteral("BAIDUID=x1"));
    QCOMPARE(cookieHeaderFor(jar, QUrl(QStringLiteral("http://sub.www.baidu.com/"))),
             QStringLiteral("BAIDUID=x1"));
    QCOMPARE(cookieHeaderFor(jar, QUrl(QStringLiteral("http://example.com/"))), QString());
    QCOMPARE(cookieHeaderFor(jar, QUrl(QStringLiteral("about:blank"))), QString());
}

void WebViewTest::nullViewDoesNothing() {
    NullWebView view;
    view.setUserAgent(QStringLiteral("ua"));
    view.loadAddress(QStringLiteral("http://127.0.0.1:1/"));
    view.clearCookies();
    view.setCacheFolder(QStringLiteral("abcdefgh"));
    QCOMPARE(view.currentCookies(), QString());
    QVERIFY(view.widget() == nullptr);
    view.setViewVisible(true);
    QVERIFY(view.viewVisible());
}

QTEST_MAIN(WebViewTest)
#include "web_view_test.moc"
