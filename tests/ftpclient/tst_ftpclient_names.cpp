// The name rule and the local target check that keep a hostile server's names inside the
// folders the user chose, and the planners that apply them.
#include "core/curlsession.h"
#include "core/listingparser.h"
#include "core/localtarget.h"
#include "core/safename.h"
#include "core/transferplan.h"
#include "treehelpers.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace ftp;

class TestNames : public QObject {
    Q_OBJECT

private slots:
    void nameRule_data();
    void nameRule();
    void namesAreShownHarmlessly();
    void listingLeavesOutUnsafeNames();
    void localTargetStaysInsideWithoutFollowingLinks();
    void downloadPlanSkipsUnsafeNames();
    void uploadPlanSkipsNamesThatLeaveTheRemoteFolder();
};

void TestNames::nameRule_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("portable");
    QTest::addColumn<bool>("windows");
    auto row = [](const char* tag, const QString& name, bool portable, bool windows) {
        QTest::newRow(tag) << name << portable << windows;
    };
    row("plain", QStringLiteral("index.html"), true, true);
    row("accented with spaces", QStringLiteral("árvíztűrő tükörfúrógép.html"), true, true);
    row("hidden", QStringLiteral(".htaccess"), true, true);
    row("three dots", QStringLiteral("..."), true, false);
    row("dots inside", QStringLiteral("a..b"), true, true);
    row("empty", QString(), false, false);
    row("dot", QStringLiteral("."), false, false);
    row("dot dot", QStringLiteral(".."), false, false);
    row("parent path", QStringLiteral("../../x.txt"), false, false);
    row("absolute", QStringLiteral("/home/user/.bashrc"), false, false);
    row("slash inside", QStringLiteral("a/b"), false, false);
    row("trailing slash", QStringLiteral("mappa/"), false, false);
    row("backslash parent", QStringLiteral("..\\..\\x.txt"), false, false);
    row("backslash inside", QStringLiteral("a\\b"), false, false);
    row("nul", QStringLiteral("a") + QChar(0) + QStringLiteral("b"), false, false);
    row("newline", QStringLiteral("a\nb"), false, false);
    row("carriage return", QStringLiteral("a\rb"), false, false);
    row("tab", QStringLiteral("a\tb"), false, false);
    row("delete",
        QStringLiteral("a\x7f"
                       "b"),
        false, false);
    row("c1 control", QStringLiteral("a") + QChar(0x85) + QStringLiteral("b"), false, false);
    row("device", QStringLiteral("CON"), true, false);
    row("device lower case", QStringLiteral("nul"), true, false);
    row("device with extension", QStringLiteral("aux.html"), true, false);
    row("device with two extensions", QStringLiteral("Com1.tar.gz"), true, false);
    row("port superscript", QStringLiteral("LPT") + QChar(0x00B9), true, false);
    row("not a device", QStringLiteral("CONSOLE.txt"), true, true);
    row("port zero", QStringLiteral("COM0"), true, true);
    row("drive", QStringLiteral("C:"), true, false);
    row("stream", QStringLiteral("index.html:rejtett"), true, false);
    row("trailing dot", QStringLiteral("vég."), true, false);
    row("trailing space", QStringLiteral(".. "), true, false);
    row("wildcard", QStringLiteral("a*b"), true, false);
    row("pipe", QStringLiteral("a|b"), true, false);
}

void TestNames::nameRule() {
    QFETCH(QString, name);
    QFETCH(bool, portable);
    QFETCH(bool, windows);
    QCOMPARE(isSafeName(name, NameRules::Portable), portable);
    QCOMPARE(isSafeName(name, NameRules::Windows), windows);
#ifdef Q_OS_WIN
    QCOMPARE(isSafeName(name), windows);
#else
    QCOMPARE(isSafeName(name), portable);
#endif
}

void TestNames::namesAreShownHarmlessly() {
    QCOMPARE(printableName(QStringLiteral("sor\nhamis naplósor")),
             QStringLiteral("sor\\x0ahamis naplósor"));
    QVERIFY(printableName(QString(5000, QLatin1Char('a'))).size() < 200);

    QCOMPARE(skippedNamesMessage({QStringLiteral("../x.txt"), QStringLiteral("a\tb")},
                                 unsafeNameReason()),
             QStringLiteral("„../x.txt”, „a\\x09b”: a kiszolgáló nem biztonságos nevet küldött, "
                            "kihagytam."));
    QStringList many;
    for (int i = 0; i < 40; ++i)
        many << QStringLiteral("../%1").arg(i);
    const QString bounded = skippedNamesMessage(many, unsafeNameReason());
    QVERIFY(bounded.contains(QStringLiteral("és még 28 elem")));
    QVERIFY(!bounded.contains(QStringLiteral("../39")));
}

void TestNames::listingLeavesOutUnsafeNames() {
    const QByteArray listing = "drwxr-xr-x 2 u g 4096 Dec 07 06:20 .\r\n"
                               "drwxr-xr-x 2 u g 4096 Dec 07 06:20 ..\r\n"
                               "-rw-r--r-- 1 u g 5 Dec 07 06:20 jó.html\r\n"
                               "-rw-r--r-- 1 u g 5 Dec 07 06:20 ../../x.txt\r\n"
                               "-rw-r--r-- 1 u g 5 Dec 07 06:20 /etc/passwd\r\n"
                               "drwxr-xr-x 2 u g 4096 Dec 07 06:20 ../../mappa\r\n"
                               "lrwxrwxrwx 1 u g 11 Dec 07 06:20 ../link -> /etc\r\n"
                               "-rw-r--r-- 1 u g 5 Dec 07 06:20 a\x01"
                               "b\r\n"
                               "-rw-r--r-- 1 u g 5 Dec 07 06:20 sor\rtörés\r\n"
                               "12-07-26  06:11AM                 5 ..\\dos.txt\r\n"
                               "12-07-26  06:11AM       <DIR>          jó mappa\r\n";
    QStringList unsafe;
    const RemoteEntries entries = parseListing(listing, NameEncoding::Utf8, &unsafe);
    QStringList names;
    for (const RemoteEntry& entry : entries)
        names << entry.name;
    QCOMPARE(names, QStringList({QStringLiteral("jó.html"), QStringLiteral("jó mappa")}));
    // "." and ".." are part of every listing and not worth a word.
    QCOMPARE(unsafe, QStringList({QStringLiteral("../../x.txt"), QStringLiteral("/etc/passwd"),
                                  QStringLiteral("../../mappa"), QStringLiteral("../link"),
                                  QStringLiteral("a\x01"
                                                 "b"),
                                  QStringLiteral("sor\rtörés"), QStringLiteral("..\\dos.txt")}));

    // A control character is caught after decoding too (U+0085 in UTF-8).
    unsafe.clear();
    QVERIFY(parseListing("-rw-r--r-- 1 u g 5 Dec 07 06:20 a\xc2\x85"
                         "b\r\n",
                         NameEncoding::Utf8, &unsafe)
                .isEmpty());
    QCOMPARE(unsafe.size(), 1);
}

void TestNames::localTargetStaysInsideWithoutFollowingLinks() {
    QTemporaryDir temp;
    const QString root = temp.filePath(QStringLiteral("le"));
    const QString outside = temp.filePath(QStringLiteral("kint"));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/mappa")));
    QVERIFY(QDir().mkpath(outside));
    QVERIFY(isInsideFolder(root, root + QStringLiteral("/index.html")));
    QVERIFY(isInsideFolder(root, root + QStringLiteral("/mappa/új/kép.png")));
    QVERIFY(isInsideFolder(root + QLatin1Char('/'), root + QStringLiteral("/index.html")));
    QVERIFY(!isInsideFolder(root, root));
    QVERIFY(!isInsideFolder(root, root + QStringLiteral("/../kint/x.txt")));
    QVERIFY(!isInsideFolder(root, root + QStringLiteral("/mappa/../../x.txt")));
    QVERIFY(!isInsideFolder(root, outside + QStringLiteral("/x.txt")));
    QVERIFY(
        !isInsideFolder(root, root + QStringLiteral("2/x.txt"))); // a sibling sharing the prefix
    QVERIFY(!isInsideFolder(QString(), root + QStringLiteral("/x.txt")));

#ifdef Q_OS_WIN
    QSKIP("symbolic links need extra rights on Windows");
#else
    // Links already in the download folder are never followed, wherever they point.
    QVERIFY(QFile::link(outside, root + QStringLiteral("/kifelé")));
    QVERIFY(QFile::link(root + QStringLiteral("/mappa"), root + QStringLiteral("/befelé")));
    QVERIFY(QFile::link(outside + QStringLiteral("/nincs.txt"), root + QStringLiteral("/lóg.txt")));
    QVERIFY(!isInsideFolder(root, root + QStringLiteral("/kifelé/x.txt")));
    QVERIFY(!isInsideFolder(root, root + QStringLiteral("/befelé/x.txt")));
    QVERIFY(!isInsideFolder(root, root + QStringLiteral("/lóg.txt")));
    // The chosen folder itself may be a link: that was the user's choice.
    const QString linkedRoot = temp.filePath(QStringLiteral("rövid"));
    QVERIFY(QFile::link(root, linkedRoot));
    QVERIFY(isInsideFolder(linkedRoot, linkedRoot + QStringLiteral("/mappa/x.txt")));
#endif
}

void TestNames::downloadPlanSkipsUnsafeNames() {
    // Only folders make the planner ask the server, so this session never connects.
    Site site;
    site.host = QStringLiteral("127.0.0.1");
    site.port = 9;
    CurlSession session(site, QString());
    RemoteEntries entries;
    auto add = [&entries](const QString& name, qint64 size, bool isLink = false) {
        RemoteEntry entry;
        entry.name = name;
        entry.size = size;
        entry.isLink = isLink;
        entries.append(entry);
    };
    add(QStringLiteral("index.html"), 10);
    add(QStringLiteral("../kint.txt"), 20);
    add(QStringLiteral("/etc/passwd"), 30);
    add(QStringLiteral("a\\b"), 40);
    add(QStringLiteral("www"), 11, true);

    QTemporaryDir local;
    TransferPlan plan;
    QStringList unsafe;
    QVERIFY(planDownload(session, entries, QStringLiteral("/"), local.path(), &plan, &unsafe).ok());
    QCOMPARE(plan.size(), 2);
    QCOMPARE(plan.at(0).localPath, QDir(local.path()).filePath(QStringLiteral("index.html")));
    QCOMPARE(plan.at(0).remotePath, QStringLiteral("/index.html"));
    QCOMPARE(plan.at(0).expectedSize, 10);
    // A link's listed length is its own, not its target's.
    QCOMPARE(plan.at(1).expectedSize, -1);
    QCOMPARE(unsafe, QStringList({QStringLiteral("../kint.txt"), QStringLiteral("/etc/passwd"),
                                  QStringLiteral("a\\b")}));
    QCOMPARE(totalBytes(plan), 21);
}

void TestNames::uploadPlanSkipsNamesThatLeaveTheRemoteFolder() {
#ifdef Q_OS_WIN
    QSKIP("Windows cannot hold the names this case needs");
#else
    QTemporaryDir local;
    const QString folder = local.filePath(QStringLiteral("honlap"));
    QVERIFY(treehelpers::writeFile(folder + QStringLiteral("/index.html"), "a"));
    QVERIFY(treehelpers::writeFile(folder + QStringLiteral("/..\\..\\kint.html"), "b"));
    QVERIFY(treehelpers::writeFile(folder + QStringLiteral("/sor\ntörés.html"), "c"));
    QStringList unsafe;
    const TransferPlan plan = planUpload({folder}, QStringLiteral("/www"), &unsafe);
    QStringList remote;
    for (const PlannedItem& item : plan)
        remote << item.remotePath;
    QCOMPARE(remote, QStringList({QStringLiteral("/www/honlap"),
                                  QStringLiteral("/www/honlap/index.html")}));
    unsafe.sort();
    QCOMPARE(unsafe, QStringList({QStringLiteral("honlap/..\\..\\kint.html"),
                                  QStringLiteral("honlap/sor\ntörés.html")}));
#endif
}

QTEST_GUILESS_MAIN(TestNames)
#include "tst_ftpclient_names.moc"
