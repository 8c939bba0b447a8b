// The real Chromium view: loads pages from a local server and reports the cookies the
// pages set through currentCookies; clearCookies and new storage empty them.
#include <QApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include "ui/web_view.h"

using namespace lh;

namespace {

// Answers every request with a small page; "/" and "/sub/..." set different cookies,
// anything else (the favicon) none.
class CookieServer : public QTcpServer {
public:
    CookieServer() {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [s] {
                    const QByteArray request = s->readAll();
                    const bool sub = request.startsWith("GET /sub/");
                    const bool top = request.startsWith("GET / ");
                    QByteArray body = "<html><body>ok</body></html>";
                    QByteArray head =
                        "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n";
                    if (sub) head += "Set-Cookie: deep=2; Path=/sub\r\n";
                    if (top) head += "Set-Cookie: top=1; Path=/\r\n";
                    head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n";
                    s->write(head + body);
                    s->disconnectFromHost();
                });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
};

}  // namespace

class WebViewSmokeTest : public QObject {
    Q_OBJECT
private slots:
    void loadsPageAndReportsItsCookies();
};

void WebViewSmokeTest::loadsPageAndReportsItsCookies() {
    if (!webEngineAvailable()) QSKIP("built without Qt WebEngine");
    CookieServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort());
    QTemporaryDir storage;
    QWidget host;
    host.resize(400, 300);
    auto view = createWebView(&host, storage.path());
    QVERIFY(view->widget() != nullptr);
    view->setUserAgent(QStringLiteral("linkharvest-test"));
    view->move(host.rect());
    view->setViewVisible(true);
    host.show();

    view->loadAddress(base + QStringLiteral("/"));
    QTRY_COMPARE_WITH_TIMEOUT(view->currentCookies(), QStringLiteral("top=1"), 30000);
    view->loadAddress(base + QStringLiteral("/sub/page"));
    QTRY_COMPARE_WITH_TIMEOUT(view->currentCookies(), QStringLiteral("deep=2; top=1"), 30000);

    view->clearCookies();
    QCOMPARE(view->currentCookies(), QString());
    view->loadAddress(base + QStringLiteral("/"));
    QTRY_COMPARE_WITH_TIMEOUT(view->currentCookies(), QStringLiteral("top=1"), 30000);

    // New storage starts empty: only the next load's cookies count.
    view->setCacheFolder(QStringLiteral("Ab3dE5gH"));
    view->setCookieFolder(QStringLiteral("Zy9xW8vU"));
    QCOMPARE(view->currentCookies(), QString());
    view->loadAddress(base + QStringLiteral("/sub/x"));
    QTRY_COMPARE_WITH_TIMEOUT(view->currentCookies(), QStringLiteral("deep=2"), 30000);
    view.reset();
}

QTEST_MAIN(WebViewSmokeTest)
#include "web_view_smoke_test.moc"
