// The server's decisions that do not need a socket: charsets, ranges, dates, path mapping and
// the Host names it answers to.
#include "byterange.h"
#include "contenttype.h"
#include "hostcheck.h"
#include "httpdate.h"
#include "safepath.h"

#include <QDir>
#include <QFile>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QTemporaryDir>
#include <QTest>

using namespace webserver;

class WebServerRulesTest : public QObject {
    Q_OBJECT

private slots:
    void charsetDetection_data();
    void charsetDetection();
    void truncatedSampleStaysUtf8();
    void rangeParsing_data();
    void rangeParsing();
    void httpDates();
    void pathMapping();
    void hiddenFilesBehindLinks();
    void hostNames_data();
    void hostNames();
    void localNetworkHostNames();
};

void WebServerRulesTest::charsetDetection_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("isHtml");
    QTest::addColumn<QByteArray>("charset");
    QTest::newRow("ascii") << QByteArray("plain") << false << QByteArray("utf-8");
    QTest::newRow("utf-8 accents")
        << QByteArray("\xc5\x91\xc5\xb1") << false << QByteArray("utf-8");
    QTest::newRow("bom") << QByteArray("\xef\xbb\xbf\xf5") << false << QByteArray("utf-8");
    QTest::newRow("windows-1250 accents")
        << QByteArray("\xf5r\xfclt") << false << QByteArray("windows-1250");
    // Byte pairs that look like UTF-8 lead and continuation but are not valid sequences.
    QTest::newRow("overlong") << QByteArray("\xc0\xaf") << false << QByteArray("windows-1250");
    QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << false << QByteArray("windows-1250");
    QTest::newRow("cut sequence in whole file")
        << QByteArray("ab\xc5") << false << QByteArray("windows-1250");
    QTest::newRow("meta charset") << QByteArray("<META CHARSET=\"windows-1250\">\xf5") << true
                                  << QByteArray();
    QTest::newRow("http-equiv") << QByteArray("<meta http-equiv=\"content-type\" "
                                              "content=\"text/html; charset=iso-8859-2\">\xf5")
                                << true << QByteArray();
    QTest::newRow("meta without charset") << QByteArray("<meta name=\"x\" content=\"charset\">\xf5")
                                          << true << QByteArray("windows-1250");
    QTest::newRow("css @charset") << QByteArray("@charset \"windows-1250\";\xf5") << false
                                  << QByteArray();
}

void WebServerRulesTest::charsetDetection() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, isHtml);
    QFETCH(QByteArray, charset);
    QCOMPARE(detectCharset(bytes, isHtml, true), charset);
}

void WebServerRulesTest::truncatedSampleStaysUtf8() {
    // Only the start of a large file is looked at; a sequence cut by the sample edge is fine.
    QCOMPARE(detectCharset("\xc5\x91\xc5", false, false), QByteArray("utf-8"));
    QCOMPARE(detectCharset("\xc5\x91\xe2\x82", false, false), QByteArray("utf-8"));
    QCOMPARE(detectCharset("\xf5\xc5", false, false), QByteArray("windows-1250"));
    QCOMPARE(contentTypeHeader("a.PNG", "\xf5", true), QByteArray("image/png"));
    QCOMPARE(contentTypeHeader("a.TXT", "\xf5", true),
             QByteArray("text/plain; charset=windows-1250"));
}

void WebServerRulesTest::rangeParsing_data() {
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("kind");
    QTest::addColumn<qint64>("first");
    QTest::addColumn<qint64>("length");
    const int none = int(ByteRange::Kind::None);
    const int ok = int(ByteRange::Kind::Satisfiable);
    const int bad = int(ByteRange::Kind::Unsatisfiable);
    QTest::newRow("closed") << QByteArray("bytes=2-4") << 10LL << ok << 2LL << 3LL;
    QTest::newRow("spaces") << QByteArray(" bytes= 2 - 4 ") << 10LL << ok << 2LL << 3LL;
    QTest::newRow("suffix longer than file")
        << QByteArray("bytes=-50") << 10LL << ok << 0LL << 10LL;
    QTest::newRow("zero suffix") << QByteArray("bytes=-0") << 10LL << bad << 0LL << 0LL;
    QTest::newRow("empty file") << QByteArray("bytes=0-") << 0LL << bad << 0LL << 0LL;
    QTest::newRow("start at size") << QByteArray("bytes=10-12") << 10LL << bad << 0LL << 0LL;
    QTest::newRow("negative start") << QByteArray("bytes=-2-4") << 10LL << none << 0LL << 0LL;
    QTest::newRow("letters") << QByteArray("bytes=a-b") << 10LL << none << 0LL << 0LL;
    QTest::newRow("no dash") << QByteArray("bytes=5") << 10LL << none << 0LL << 0LL;
    QTest::newRow("huge number") << QByteArray("bytes=0-99999999999999999999999") << 10LL << none
                                 << 0LL << 0LL;
    QTest::newRow("large file") << QByteArray("bytes=5000000000-") << 6000000000LL << ok
                                << 5000000000LL << 1000000000LL;
}

void WebServerRulesTest::rangeParsing() {
    QFETCH(QByteArray, header);
    QFETCH(qint64, size);
    QFETCH(int, kind);
    QFETCH(qint64, first);
    QFETCH(qint64, length);
    const ByteRange range = parseRangeHeader(header, size);
    QCOMPARE(int(range.kind), kind);
    if (range.kind == ByteRange::Kind::Satisfiable) {
        QCOMPARE(range.first, first);
        QCOMPARE(range.length, length);
    }
}

void WebServerRulesTest::httpDates() {
    const QDateTime time(QDate(1994, 11, 6), QTime(8, 49, 37), Qt::UTC);
    QCOMPARE(formatHttpDate(time), QByteArray("Sun, 06 Nov 1994 08:49:37 GMT"));
    QCOMPARE(parseHttpDate("Sun, 06 Nov 1994 08:49:37 GMT"), time);
    // Local time on this machine must not shift the value.
    QCOMPARE(formatHttpDate(time.toLocalTime()), QByteArray("Sun, 06 Nov 1994 08:49:37 GMT"));
    QVERIFY(!parseHttpDate("Sunday, 06-Nov-94 08:49:37 GMT").isValid());
    QVERIFY(!parseHttpDate("").isValid());
    QVERIFY(!parseHttpDate("\xff\xfe").isValid());
}

void WebServerRulesTest::pathMapping() {
    QTemporaryDir temp;
    const QString root = QDir(temp.filePath("root")).absolutePath();
    QVERIFY(QDir().mkpath(root + "/sub"));
    QFile page(root + "/sub/page.html");
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.close();
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();

    ResolvedPath resolved = resolveRequestPath(canonicalRoot, "/sub//./page.html");
    QCOMPARE(resolved.kind, ResolvedPath::Kind::File);
    QCOMPARE(resolved.filePath, QFileInfo(root + "/sub/page.html").canonicalFilePath());
    QCOMPARE(resolved.cleanUrlPath, QStringLiteral("/sub/page.html"));

    resolved = resolveRequestPath(canonicalRoot, "/sub");
    QCOMPARE(resolved.kind, ResolvedPath::Kind::Directory);
    QVERIFY(!resolved.hadTrailingSlash);
    QCOMPARE(resolveRequestPath(canonicalRoot, "").kind, ResolvedPath::Kind::Directory);

    // "%252e%252e" decodes once to the literal name "%2e%2e", not to "..".
    QCOMPARE(resolveRequestPath(canonicalRoot, "/%252e%252e/x").kind, ResolvedPath::Kind::NotFound);
    QCOMPARE(resolveRequestPath(canonicalRoot, "/sub/%2E%2E").kind, ResolvedPath::Kind::Forbidden);

    if (QFile::link(temp.filePath("nowhere"), root + "/dangling"))
        QCOMPARE(resolveRequestPath(canonicalRoot, "/dangling").kind,
                 ResolvedPath::Kind::Forbidden);

    // A sibling sharing the root's name as a prefix is still outside.
    QVERIFY(!isInsideRoot(canonicalRoot, canonicalRoot + "-other/file"));
    QVERIFY(isInsideRoot(canonicalRoot, canonicalRoot + "/file"));

    QVERIFY(QDir(root).removeRecursively());
    QCOMPARE(resolveRequestPath(canonicalRoot, "/sub/page.html").kind,
             ResolvedPath::Kind::RootMissing);
}

void WebServerRulesTest::hiddenFilesBehindLinks() {
    QTemporaryDir temp;
    const QString root = QDir(temp.filePath("root")).absolutePath();
    QVERIFY(QDir().mkpath(root + "/.git"));
    QFile env(root + "/.env");
    QVERIFY(env.open(QIODevice::WriteOnly));
    env.close();
    QFile config(root + "/.git/config");
    QVERIFY(config.open(QIODevice::WriteOnly));
    config.close();
    if (!QFile::link(root + "/.env", root + "/settings.txt") ||
        !QFile::link(root + "/.git", root + "/repo"))
        QSKIP("symbolic links are not available here");
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();

    // The name asked for looks ordinary; what it leads to is hidden.
    QCOMPARE(resolveRequestPath(canonicalRoot, "/settings.txt").kind, ResolvedPath::Kind::NotFound);
    QCOMPARE(resolveRequestPath(canonicalRoot, "/repo/config").kind, ResolvedPath::Kind::NotFound);
    QCOMPARE(resolveRequestPath(canonicalRoot, "/repo/").kind, ResolvedPath::Kind::NotFound);
    QVERIFY(isHiddenBelowRoot(canonicalRoot, canonicalRoot + "/sub/.env"));
    QVERIFY(!isHiddenBelowRoot(canonicalRoot, canonicalRoot + "/sub/a.env"));
    // A dot in a folder above the served one hides nothing.
    QVERIFY(!isHiddenBelowRoot(canonicalRoot + "/.git", canonicalRoot + "/.git/config"));
}

void WebServerRulesTest::hostNames_data() {
    QTest::addColumn<QByteArray>("host");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("localhost") << QByteArray("localhost") << true;
    QTest::newRow("localhost with port") << QByteArray("localhost:8080") << true;
    QTest::newRow("upper case") << QByteArray("LOCALHOST:8080") << true;
    QTest::newRow("trailing dot") << QByteArray("localhost.:8080") << true;
    QTest::newRow("127.0.0.1") << QByteArray("127.0.0.1") << true;
    QTest::newRow("127.0.0.1 with port") << QByteArray("127.0.0.1:65535") << true;
    QTest::newRow("[::1]") << QByteArray("[::1]") << true;
    QTest::newRow("[::1] with port") << QByteArray("[::1]:8080") << true;
    QTest::newRow("::1 without brackets") << QByteArray("::1") << false;
    QTest::newRow("empty port") << QByteArray("localhost:") << false;
    QTest::newRow("port too long") << QByteArray("localhost:123456") << false;
    QTest::newRow("junk after brackets") << QByteArray("[::1]x") << false;
    QTest::newRow("other name") << QByteArray("attacker.example") << false;
    QTest::newRow("userinfo trick") << QByteArray("localhost@attacker.example") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void WebServerRulesTest::hostNames() {
    QFETCH(QByteArray, host);
    QFETCH(bool, accepted);
    QCOMPARE(HostCheck::loopbackOnly().accepts(host), accepted);
}

void WebServerRulesTest::localNetworkHostNames() {
    const HostCheck lan = HostCheck::withLocalNetwork();
    QVERIFY(lan.accepts("localhost:8080"));
    QVERIFY(!lan.accepts("attacker.example"));
    const QByteArray name = QHostInfo::localHostName().toUtf8();
    if (!name.isEmpty()) {
        QVERIFY(lan.accepts(name + ":8080"));
        QVERIFY(lan.accepts(name.toUpper()));
        QVERIFY(!HostCheck::loopbackOnly().accepts(name));
    }
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.protocol() != QAbstractSocket::IPv4Protocol || address.isLoopback())
            continue;
        const QByteArray text = address.toString().toLatin1();
        QVERIFY(lan.accepts(text + ":8080"));
        QVERIFY(!HostCheck::loopbackOnly().accepts(text));
    }
}

QTEST_MAIN(WebServerRulesTest)
#include "tst_webserver_rules.moc"
