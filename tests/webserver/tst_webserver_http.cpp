// The server answering real HTTP clients on a loopback port: types, folders, caching, ranges,
// every way out of the served folder, refused methods and a folder that disappears.
#include "folderserver.h"
#include "httpdate.h"
#include "httptestclient.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkInterface>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

using webserver::FolderServer;

namespace {

const QByteArray kSecret = "TOPSECRET-outside-the-served-folder";

void writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

QByteArray bigContent() {
    QByteArray content;
    content.reserve(3 * 1024 * 1024 + 17);
    for (int i = 0; content.size() < 3 * 1024 * 1024 + 17; ++i)
        content += QByteArray::number(i) + ',';
    return content.left(3 * 1024 * 1024 + 17);
}

} // namespace

class WebServerHttpTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void contentTypes_data();
    void contentTypes();
    void indexPagesAndListing();
    void headSendsHeadersOnly();
    void conditionalRequests();
    void connectionCloseIsHonoured();
    void byteRanges_data();
    void byteRanges();
    void largeFilesAreStreamed();
    void pathEscapesAreRefused_data();
    void pathEscapesAreRefused();
    void pathEscapesWithCurl();
    void otherMethodsAreRefused();
    void vanishedFolderIsReported();
    void busyPortSuggestsAnother();
    void badFolderIsReported();
    void stopClosesOpenConnections();
    void listensOnLoopbackOnly();
    void executableServesHeadless();

private:
    QUrl url(const QString& path) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.port()).arg(path));
    }

    QTemporaryDir m_temp;
    QString m_root;
    bool m_haveSymlinks = false;
    FolderServer m_server;
    QNetworkAccessManager m_manager;
};

void WebServerHttpTest::initTestCase() {
    QVERIFY(m_temp.isValid());
    m_root = m_temp.filePath(QStringLiteral("site"));
    const QString outside = m_temp.filePath(QStringLiteral("outside"));
    writeFile(outside + "/secret.txt", kSecret);

    writeFile(
        m_root + "/index.html",
        "<!DOCTYPE html><html><body><p>\xc3\xa1rv\xc3\xadzt\xc5\xb1r\xc5\x91</p></body></html>");
    writeFile(m_root + "/page.tht", "<html><body>tht</body></html>");
    writeFile(m_root + "/latin2.htm",
              "<html><body>\xe1rv\xedzt\xfbr\xf5 t\xfck\xf6rf\xfar\xf3g\xe9p</body></html>");
    writeFile(m_root + "/declared.html",
              "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
              "charset=windows-1250\"></head><body>\xe1rv\xedz</body></html>");
    writeFile(m_root + "/bom.txt", "\xef\xbb\xbfplain");
    writeFile(m_root + "/ascii.txt", "plain text");
    writeFile(m_root + "/style.css", "p { content: \"\xf5\"; }");
    writeFile(m_root + "/app.js", "console.log('\xc5\x91');");
    writeFile(m_root + "/pic.png", QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(40, '\0'));
    writeFile(m_root + "/font.woff2", "wOF2....");
    writeFile(m_root + "/data.unknownext", "x");
    writeFile(m_root + "/docs/index.htm", "<html><body>docs index</body></html>");
    writeFile(m_root + "/files/a.txt", "0123456789abcdefghij");
    writeFile(m_root + "/files/<b>&.txt", "odd name");
    writeFile(m_root + "/files/space name.txt", "spaced");
    writeFile(m_root + "/files/.hidden", "hidden");
    writeFile(m_root + QStringLiteral("/files/tükörfúrógép.html"), "accented name");
    writeFile(m_root + "/files/sub/inner.txt", "inner");
    writeFile(m_root + "/big.bin", bigContent());

    m_haveSymlinks = QFile::link(outside, m_root + "/out") &&
                     QFile::link(outside + "/secret.txt", m_root + "/secret-link.txt") &&
                     QFile::link(outside, m_root + "/files/escape");
    QFile::link(m_root + "/files/a.txt", m_root + "/inside-link.txt");
    writeFile(m_root + "/.env", kSecret);
    writeFile(m_root + "/.git/config", kSecret);
    m_haveSymlinks = m_haveSymlinks && QFile::link(m_root + "/.env", m_root + "/files/env.txt") &&
                     QFile::link(m_root + "/.git", m_root + "/files/repo");

    const webserver::StartResult started = m_server.start(m_root, 0, false);
    QVERIFY2(started.ok, qPrintable(started.message));
    QVERIFY(m_server.port() != 0);
}

void WebServerHttpTest::contentTypes_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("contentType");
    QTest::newRow("utf-8 html") << "/index.html" << QByteArray("text/html; charset=utf-8");
    QTest::newRow("tht as html") << "/page.tht" << QByteArray("text/html; charset=utf-8");
    QTest::newRow("windows-1250 html")
        << "/latin2.htm" << QByteArray("text/html; charset=windows-1250");
    QTest::newRow("html declaring its charset") << "/declared.html" << QByteArray("text/html");
    QTest::newRow("bom text") << "/bom.txt" << QByteArray("text/plain; charset=utf-8");
    QTest::newRow("ascii text") << "/ascii.txt" << QByteArray("text/plain; charset=utf-8");
    QTest::newRow("windows-1250 css")
        << "/style.css" << QByteArray("text/css; charset=windows-1250");
    QTest::newRow("utf-8 js") << "/app.js" << QByteArray("text/javascript; charset=utf-8");
    QTest::newRow("png") << "/pic.png" << QByteArray("image/png");
    QTest::newRow("font") << "/font.woff2" << QByteArray("font/woff2");
    QTest::newRow("unknown") << "/data.unknownext" << QByteArray("application/octet-stream");
    QTest::newRow("listing") << "/files/" << QByteArray("text/html; charset=utf-8");
}

void WebServerHttpTest::contentTypes() {
    QFETCH(QString, path);
    QFETCH(QByteArray, contentType);
    const HttpResult result = fetch(m_manager, url(path));
    QCOMPARE(result.status, 200);
    QCOMPARE(result.header("Content-Type"), contentType);
}

void WebServerHttpTest::indexPagesAndListing() {
    HttpResult result = fetch(m_manager, url("/"));
    QCOMPARE(result.status, 200);
    QVERIFY(result.body.contains("\xc3\xa1rv\xc3\xadzt"));

    result = fetch(m_manager, url("/docs/"));
    QCOMPARE(result.status, 200);
    QVERIFY(result.body.contains("docs index"));

    // A folder without the slash is sent to its proper address so relative links work.
    result = fetch(m_manager, url("/docs?x=1"));
    QCOMPARE(result.status, 301);
    QCOMPARE(result.header("Location"), QByteArray("/docs/?x=1"));
    result = rawRequest(m_server.port(), "GET", "/files/.//sub");
    QCOMPARE(result.status, 301);
    QCOMPARE(result.header("Location"), QByteArray("/files/sub/"));

    result = fetch(m_manager, url("/files/"));
    QCOMPARE(result.status, 200);
    const QByteArray listing = result.body;
    QVERIFY(listing.contains("href=\"a.txt\""));
    QVERIFY(listing.contains("href=\"sub/\""));
    QVERIFY(listing.contains("href=\"space%20name.txt\""));
    QVERIFY(listing.contains("&lt;b&gt;&amp;.txt"));
    QVERIFY(!listing.contains("<b>&"));
    QVERIFY(!listing.contains(".hidden"));
    QVERIFY(!listing.contains("escape"));
    QVERIFY(!listing.contains("env.txt"));
    QVERIFY(!listing.contains("repo"));
    QVERIFY(listing.contains("href=\"../\""));

    result = fetch(m_manager, url("/files/%3Cb%3E%26.txt"));
    QCOMPARE(result.status, 200);
    QCOMPARE(result.body, QByteArray("odd name"));
    QVERIFY(listing.contains("href=\"t%C3%BCk%C3%B6rf%C3%BAr%C3%B3g%C3%A9p.html\""));
    result = fetch(m_manager, url("/files/t%C3%BCk%C3%B6rf%C3%BAr%C3%B3g%C3%A9p.html"));
    QCOMPARE(result.body, QByteArray("accented name"));
    QCOMPARE(fetch(m_manager, url("/files/.hidden")).status, 404);
    QCOMPARE(fetch(m_manager, url("/nothing-here.html")).status, 404);
    QCOMPARE(fetch(m_manager, url("/inside-link.txt")).body, QByteArray("0123456789abcdefghij"));
}

void WebServerHttpTest::headSendsHeadersOnly() {
    // A HEAD then a GET on one connection: a stray body after HEAD would corrupt the second reply.
    const QByteArray requests = "HEAD /files/a.txt HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"
                                "GET /ascii.txt HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    const QList<HttpResult> replies = rawExchange(m_server.port(), requests, {true, false}, 2);
    QCOMPARE(replies.size(), 2);
    QCOMPARE(replies[0].status, 200);
    QCOMPARE(replies[0].header("Content-Length"), QByteArray("20"));
    QCOMPARE(replies[0].header("Content-Type"), QByteArray("text/plain; charset=utf-8"));
    QCOMPARE(replies[1].status, 200);
    QCOMPARE(replies[1].body, QByteArray("plain text"));

    const HttpResult viaManager = fetch(m_manager, url("/index.html"), "HEAD");
    QCOMPARE(viaManager.status, 200);
    QVERIFY(viaManager.body.isEmpty());
}

void WebServerHttpTest::connectionCloseIsHonoured() {
    for (const QByteArray path : {"/ascii.txt", "/big.bin"}) {
        QTcpSocket socket;
        socket.connectToHost(QStringLiteral("127.0.0.1"), m_server.port());
        socket.write("GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n");
        QByteArray received;
        QTRY_VERIFY_WITH_TIMEOUT(
            (received += socket.readAll(), socket.state() == QAbstractSocket::UnconnectedState),
            15000);
        received += socket.readAll();
        QVERIFY(received.startsWith("HTTP/1.1 200"));
        QVERIFY(received.contains("\r\nConnection: close\r\n"));
        const QFileInfo file(m_root + path);
        QCOMPARE(received.size() - received.indexOf("\r\n\r\n") - 4, file.size());
    }
}

void WebServerHttpTest::conditionalRequests() {
    const QString path = m_root + "/files/a.txt";
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    const QDateTime stamp = QDateTime::currentDateTimeUtc().addSecs(-3600);
    QVERIFY(file.setFileTime(stamp, QFileDevice::FileModificationTime));
    file.close();

    const HttpResult first = fetch(m_manager, url("/files/a.txt"));
    const QByteArray lastModified = first.header("Last-Modified");
    QCOMPARE(lastModified, webserver::formatHttpDate(stamp));

    HttpResult again =
        rawRequest(m_server.port(), "GET", "/files/a.txt", {{"If-Modified-Since", lastModified}});
    QCOMPARE(again.status, 304);
    QVERIFY(again.body.isEmpty());
    QCOMPARE(again.header("Last-Modified"), lastModified);
    // A length on a 304 must be the file's own, never 0.
    QVERIFY(again.header("Content-Length").isEmpty() || again.header("Content-Length") == "20");

    const QByteArray earlier = webserver::formatHttpDate(stamp.addSecs(-60));
    again = fetch(m_manager, url("/files/a.txt"), "GET", {{"If-Modified-Since", earlier}});
    QCOMPARE(again.status, 200);
    QCOMPARE(again.body.size(), 20);

    again = fetch(m_manager, url("/files/a.txt"), "GET", {{"If-Modified-Since", "yesterday"}});
    QCOMPARE(again.status, 200);

    // Saving the page again makes the browser get the new text.
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(stamp.addSecs(120), QFileDevice::FileModificationTime));
    file.close();
    again = fetch(m_manager, url("/files/a.txt"), "GET", {{"If-Modified-Since", lastModified}});
    QCOMPARE(again.status, 200);
}

void WebServerHttpTest::byteRanges_data() {
    QTest::addColumn<QByteArray>("range");
    QTest::addColumn<QByteArray>("ifRange");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("contentRange");
    const QByteArray all = "0123456789abcdefghij";
    QTest::newRow("first bytes") << QByteArray("bytes=0-3") << QByteArray() << 206
                                 << QByteArray("0123") << QByteArray("bytes 0-3/20");
    QTest::newRow("open end") << QByteArray("bytes=15-") << QByteArray() << 206
                              << QByteArray("fghij") << QByteArray("bytes 15-19/20");
    QTest::newRow("suffix") << QByteArray("bytes=-2") << QByteArray() << 206 << QByteArray("ij")
                            << QByteArray("bytes 18-19/20");
    QTest::newRow("end past size") << QByteArray("bytes=18-99") << QByteArray() << 206
                                   << QByteArray("ij") << QByteArray("bytes 18-19/20");
    QTest::newRow("beyond the end") << QByteArray("bytes=20-") << QByteArray() << 416
                                    << QByteArray() << QByteArray("bytes */20");
    QTest::newRow("several ranges")
        << QByteArray("bytes=0-1,5-6") << QByteArray() << 200 << all << QByteArray();
    QTest::newRow("other unit") << QByteArray("lines=0-1") << QByteArray() << 200 << all
                                << QByteArray();
    QTest::newRow("malformed") << QByteArray("bytes=5-2") << QByteArray() << 200 << all
                               << QByteArray();
    QTest::newRow("stale if-range")
        << QByteArray("bytes=0-3") << QByteArray("Thu, 01 Jan 2004 00:00:00 GMT") << 200 << all
        << QByteArray();
}

void WebServerHttpTest::byteRanges() {
    QFETCH(QByteArray, range);
    QFETCH(QByteArray, ifRange);
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, contentRange);
    HeaderPairs headers{{"Range", range}};
    if (!ifRange.isEmpty())
        headers.append({"If-Range", ifRange});
    const HttpResult result = rawRequest(m_server.port(), "GET", "/files/a.txt", headers);
    QCOMPARE(result.status, status);
    if (status != 416)
        QCOMPARE(result.body, body);
    QCOMPARE(result.header("Content-Range"), contentRange);
}

void WebServerHttpTest::largeFilesAreStreamed() {
    const QByteArray expected = bigContent();
    HttpResult result = fetch(m_manager, url("/big.bin"));
    QCOMPARE(result.status, 200);
    QCOMPARE(result.header("Content-Length").toLongLong(), expected.size());
    QVERIFY(result.body == expected);

    result = fetch(m_manager, url("/big.bin"), "GET", {{"Range", "bytes=2000000-2000099"}});
    QCOMPARE(result.status, 206);
    QVERIFY(result.body == expected.mid(2000000, 100));
    QCOMPARE(result.header("Content-Range"),
             "bytes 2000000-2000099/" + QByteArray::number(expected.size()));
}

void WebServerHttpTest::pathEscapesAreRefused_data() {
    QTest::addColumn<QByteArray>("target");
    const QByteArray outsideAbsolute = QDir(m_temp.path()).filePath("outside/secret.txt").toUtf8();
    QTest::newRow("dot-dot") << QByteArray("/../outside/secret.txt");
    QTest::newRow("deep dot-dot") << QByteArray("/files/sub/../../../outside/secret.txt");
    QTest::newRow("dot then dot-dot") << QByteArray("/./../outside/secret.txt");
    QTest::newRow("encoded dot-dot") << QByteArray("/%2e%2e/outside/secret.txt");
    QTest::newRow("upper-case encoding") << QByteArray("/%2E%2E%2Foutside%2Fsecret.txt");
    QTest::newRow("mixed encoding") << QByteArray("/.%2e/outside/secret.txt");
    QTest::newRow("backslashes") << QByteArray("/..\\outside\\secret.txt");
    QTest::newRow("encoded backslashes") << QByteArray("/..%5coutside%5csecret.txt");
    QTest::newRow("absolute path") << "/" + outsideAbsolute;
    QTest::newRow("encoded absolute path") << "/" + QUrl::toPercentEncoding(outsideAbsolute);
    QTest::newRow("NUL") << QByteArray("/index.html%00.txt");
    QTest::newRow("absolute form") << QByteArray("http://127.0.0.1/../outside/secret.txt");
    QTest::newRow("folder link leading out") << QByteArray("/out/secret.txt");
    QTest::newRow("file link leading out") << QByteArray("/secret-link.txt");
    QTest::newRow("link in a subfolder") << QByteArray("/files/escape/secret.txt");
    QTest::newRow("passwd") << QByteArray("/../../../../../../../../etc/passwd");
    QTest::newRow("dot-file") << QByteArray("/.env");
    QTest::newRow("link to a dot-file") << QByteArray("/files/env.txt");
    QTest::newRow("link to a dot-folder") << QByteArray("/files/repo/config");
}

void WebServerHttpTest::pathEscapesAreRefused() {
    QFETCH(QByteArray, target);
    if (!m_haveSymlinks && (target.contains("out/") || target.contains("link") ||
                            target.contains("escape") || target.contains("files/")))
        QSKIP("symbolic links are not available here");
    const HttpResult result = rawRequest(m_server.port(), "GET", target);
    QVERIFY2(result.status == 403 || result.status == 404,
             qPrintable(QStringLiteral("status %1").arg(result.status)));
    QVERIFY(!result.body.contains(kSecret));
    QVERIFY(!result.body.contains("root:"));
}

void WebServerHttpTest::pathEscapesWithCurl() {
    const QString curl = QStandardPaths::findExecutable(QStringLiteral("curl"));
    if (curl.isEmpty())
        QSKIP("curl is not installed");
    const QStringList targets{"/../outside/secret.txt", "/%2e%2e/outside/secret.txt",
                              "/..%2f..%2f..%2f..%2fetc%2fpasswd", "/..\\outside\\secret.txt"};
    for (const QString& target : targets) {
        int exitCode = -1;
        const QByteArray output =
            runToEnd(curl,
                     {"-s", "--path-as-is", "-w", "\n%{http_code}",
                      QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.port()).arg(target)},
                     &exitCode);
        QCOMPARE(exitCode, 0);
        const QByteArray status = output.mid(output.lastIndexOf('\n') + 1);
        QVERIFY2(status == "403" || status == "404", qPrintable(target + " -> " + status));
        QVERIFY(!output.contains(kSecret));
    }
}

void WebServerHttpTest::otherMethodsAreRefused() {
    for (const QByteArray method : {"POST", "PUT", "DELETE", "OPTIONS", "PATCH", "TRACE"}) {
        const QByteArray request =
            method + " /created.txt HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 5\r\n"
                     "\r\nhello";
        const HttpResult result = rawExchange(m_server.port(), request).value(0);
        QCOMPARE(result.status, 405);
        QCOMPARE(result.header("Allow"), QByteArray("GET, HEAD"));
    }
    QVERIFY(!QFile::exists(m_root + "/created.txt"));
    QCOMPARE(fetch(m_manager, url("/index.html"), "POST").status, 405);
}

void WebServerHttpTest::vanishedFolderIsReported() {
    QTemporaryDir temp;
    const QString folder = temp.filePath(QStringLiteral("vanishing"));
    writeFile(folder + "/index.html", "here");
    FolderServer server;
    QVERIFY(server.start(folder, 0, false).ok);
    QSignalSpy missing(&server, &FolderServer::servedFolderMissing);
    const QUrl address(server.localUrl());
    QCOMPARE(fetch(m_manager, address).body, QByteArray("here"));

    QVERIFY(QDir(folder).removeRecursively());
    HttpResult result = fetch(m_manager, address);
    QCOMPARE(result.status, 503);
    QVERIFY(result.body.contains("A kiszolgált mappa már nem érhető el."));
    QCOMPARE(missing.count(), 1);
    QCOMPARE(fetch(m_manager, address.resolved(QUrl("page.html"))).status, 503);
    QVERIFY(server.isRunning());

    // Put back, it is served again without a restart.
    writeFile(folder + "/index.html", "back");
    QCOMPARE(fetch(m_manager, address).body, QByteArray("back"));
}

void WebServerHttpTest::busyPortSuggestsAnother() {
    QTcpServer occupier;
    QVERIFY(occupier.listen(QHostAddress::LocalHost, 0));
    const quint16 busy = occupier.serverPort();

    FolderServer server;
    const webserver::StartResult refused = server.start(m_root, busy, false);
    QVERIFY(!refused.ok);
    QVERIFY(!server.isRunning());
    QVERIFY(refused.message.contains(QStringLiteral("foglalt")));
    QVERIFY(refused.message.contains(QString::number(busy)));
    QVERIFY(refused.suggestedPort != 0 && refused.suggestedPort != busy);
    QVERIFY(refused.message.contains(QString::number(refused.suggestedPort)));

    const webserver::StartResult retried = server.start(m_root, refused.suggestedPort, false);
    QVERIFY2(retried.ok, qPrintable(retried.message));
    QCOMPARE(fetch(m_manager, QUrl(server.localUrl() + "ascii.txt")).body,
             QByteArray("plain text"));

    // Several copies side by side, each on its own port.
    QVERIFY(server.port() != m_server.port());
    server.stop();
    QTcpSocket probe;
    probe.connectToHost(QStringLiteral("127.0.0.1"), retried.port);
    QVERIFY(!probe.waitForConnected(2000));
}

void WebServerHttpTest::badFolderIsReported() {
    FolderServer server;
    webserver::StartResult result = server.start(m_temp.filePath("no-such-folder"), 0, false);
    QVERIFY(!result.ok);
    QVERIFY(result.message.contains(QStringLiteral("nem létezik")));
    result = server.start(m_root + "/ascii.txt", 0, false);
    QVERIFY(!result.ok);
    result = server.start(QString(), 0, false);
    QVERIFY(!result.ok);
    QVERIFY(result.message.contains(QStringLiteral("Válassza ki")));
    QVERIFY(!server.isRunning());
}

void WebServerHttpTest::stopClosesOpenConnections() {
    FolderServer server;
    QVERIFY(server.start(m_root, 0, false).ok);
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), server.port());
    socket.write("GET /ascii.txt HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    QTRY_VERIFY(socket.bytesAvailable() > 0);
    QCOMPARE(socket.state(), QAbstractSocket::ConnectedState); // kept alive
    server.stop();
    QTRY_COMPARE(socket.state(), QAbstractSocket::UnconnectedState);
}

void WebServerHttpTest::listensOnLoopbackOnly() {
    QCOMPARE(m_server.localUrl(), QStringLiteral("http://127.0.0.1:%1/").arg(m_server.port()));
    QVERIFY(m_server.networkUrls().isEmpty());
    QHostAddress external;
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback())
            external = address;
    }
    if (external.isNull())
        QSKIP("no network address besides loopback on this machine");
    QTcpSocket probe;
    probe.connectToHost(external, m_server.port());
    QVERIFY(!probe.waitForConnected(2000));
}

void WebServerHttpTest::executableServesHeadless() {
    QProcess process;
    process.start(QStringLiteral(WEBSERVER_EXECUTABLE),
                  {"--serve", m_root, "--port", "0", "--no-gui", "--quiet"});
    QVERIFY(process.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(process.canReadLine() || process.state() == QProcess::NotRunning,
                             15000);
    const QByteArray line = process.readLine().trimmed();
    QVERIFY2(line.startsWith("Cím: http://127.0.0.1:"), line.constData());
    const QUrl address(QString::fromUtf8(line.mid(line.indexOf("http"))));
    const HttpResult result = fetch(m_manager, address.resolved(QUrl("docs/")));
    QCOMPARE(result.status, 200);
    QVERIFY(result.body.contains("docs index"));
    process.kill();
    process.waitForFinished();

    // A folder that cannot be served ends the program with a message instead of a hang.
    QProcess failing;
    failing.start(QStringLiteral(WEBSERVER_EXECUTABLE),
                  {"--serve", m_temp.filePath("no-such-folder"), "--port", "0", "--no-gui"});
    QVERIFY(failing.waitForFinished(15000));
    QCOMPARE(failing.exitCode(), 1);
    QVERIFY(QString::fromUtf8(failing.readAllStandardError()).contains("nem létezik"));
}

QTEST_MAIN(WebServerHttpTest)
#include "tst_webserver_http.moc"
