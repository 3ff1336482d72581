// Servers that lie: listings with names that point elsewhere, files that end too soon. Whatever
// they send, nothing outside the chosen folder changes and no short file passes for complete.
#include "core/passwordstore.h"
#include "core/safename.h"
#include "core/sitestore.h"
#include "core/transferworker.h"
#include "loopbackservers.h"
#include "treehelpers.h"
#include "ui/mainwindow.h"
#include "ui/messages.h"

#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

using namespace ftp;
using namespace treehelpers;

namespace {

// Every entry under root: files with their content, folders with '/', links with their target,
// never following a link.
QMap<QString, QString> tree(const QString& root) {
    QMap<QString, QString> result;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info = it.fileInfo();
        const QString relative = QDir(root).relativeFilePath(path);
        if (info.isSymLink())
            result.insert(relative, QStringLiteral("-> ") + info.symLinkTarget());
        else if (info.isDir())
            result.insert(relative + QLatin1Char('/'), QString());
        else
            result.insert(relative, QString::fromUtf8(readFile(path)));
    }
    return result;
}

QJsonObject fileLine(const QString& folder, const QString& name) {
    return {{QStringLiteral("dir"), folder},
            {QStringLiteral("line"), QStringLiteral("-rw-r--r-- 1 u g 8 Dec 07 06:20 ") + name}};
}

} // namespace

class TestHostile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void hostileNamesNeverLeaveTheChosenFolder();
    void shortDownloadKeepsTheOldFile_data();
    void shortDownloadKeepsTheOldFile();
    void endlesslyNestedFoldersStop();

private:
    bool waitFor(MainWindow& window, const QString& operation);

    QTemporaryDir m_settingsDir;
    QStringList m_errors;
};

void TestHostile::initTestCase() {
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settingsDir.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
    PasswordStore::setOverride(
        [](const Site&) { return std::optional(FtpTestServer::password()); });
    Messages::setHooks([this](const QString& text) { m_errors << text; },
                       [](const QString&) { return true; });
}

void TestHostile::init() {
    SiteStore::save({});
    m_errors.clear();
}

bool TestHostile::waitFor(MainWindow& window, const QString& operation) {
    QSignalSpy done(&window, &MainWindow::operationDone);
    for (int waited = 0; waited < 600; ++waited) {
        for (const QList<QVariant>& call : done) {
            if (call.at(0).toString() == operation)
                return QTest::qWaitFor([&] { return !window.isBusy(); }, 20000);
        }
        done.wait(100);
    }
    return false;
}

void TestHostile::hostileNamesNeverLeaveTheChosenFolder() {
    QTemporaryDir temp;
    const QString target = temp.filePath(QStringLiteral("le"));
    const QString planted = temp.filePath(QStringLiteral("kint.txt"));
    QVERIFY(writeFile(planted, "eredeti"));
    QVERIFY(QDir().mkpath(temp.filePath(QStringLiteral("kint mappa"))));
    QVERIFY(QDir().mkpath(target));
#ifndef Q_OS_WIN
    // Links the user (or someone else) left in the download folder are not a way out either.
    QVERIFY(QFile::link(temp.filePath(QStringLiteral("kint mappa")),
                        target + QStringLiteral("/link mappa")));
    QVERIFY(QFile::link(planted, target + QStringLiteral("/link.html.webrix-part")));
#endif

    const QStringList unsafe = {
        QStringLiteral("../kint.txt"),
        QStringLiteral("../../kint.txt"),
        planted,
        QStringLiteral("..\\kint.txt"),
        QStringLiteral("mappa\\..\\..\\kint.txt"),
        QStringLiteral("vezérlő") + QChar(1) + QStringLiteral("jel.txt"),
        QStringLiteral("nul") + QChar(0) + QStringLiteral("lás.txt"),
    };
    QJsonArray extra;
    for (const QString& folder : {QString(), QStringLiteral("belső")}) {
        for (const QString& name : unsafe)
            extra.append(fileLine(folder, name));
        extra.append(
            QJsonObject{{QStringLiteral("dir"), folder},
                        {QStringLiteral("line"),
                         QStringLiteral("drwxr-xr-x 2 u g 4096 Dec 07 06:20 ../../mappa")}});
        extra.append(
            QJsonObject{{QStringLiteral("dir"), folder},
                        {QStringLiteral("line"),
                         QStringLiteral("12-07-26  06:11AM                 8 ..\\dos.txt")}});
        extra.append(QJsonObject{
            {QStringLiteral("dir"), folder},
            {QStringLiteral("line"),
             QStringLiteral("lrwxrwxrwx 1 u g 11 Dec 07 06:20 ../hivatkozás -> /etc/passwd")}});
    }
    FtpTestServer server;
    FtpTestServer::Options options;
    options.extraListing = QJsonDocument(extra).toJson();
    QString error;
    if (!server.start(options, &error))
        QSKIP(qPrintable(error));
    const QString served = server.rootDir();
    // What a careless client would fetch for the names above is real, so damage would show.
    QVERIFY(writeFile(served + QStringLiteral("/kint.txt"), "támadás"));
    QVERIFY(writeFile(served + QStringLiteral("/biztonságos.html"), "<p>jó</p>"));
    QVERIFY(writeFile(served + QStringLiteral("/belső/belső.html"), "<p>belül</p>"));
    QVERIFY(writeFile(served + QStringLiteral("/link.html"), "támadás"));
    QVERIFY(writeFile(served + QStringLiteral("/link mappa/x.html"), "támadás"));
    // Harmless on this system, unsafe only on Windows.
    const QStringList windowsOnly = {QStringLiteral("CON"), QStringLiteral("lpt1.txt"),
                                     QStringLiteral("alma:kép.txt"), QStringLiteral("vég.")};
    for (const QString& name : windowsOnly)
        QVERIFY(writeFile(served + QLatin1Char('/') + name, name.toUtf8()));

    Site site = server.site();
    site.localFolder = target;
    site = SiteStore::store(site);
    MainWindow window;
    window.selectSite(site.id);
    window.findChild<QPushButton*>(QStringLiteral("cmdConnect"))->click();
    QVERIFY(waitFor(window, QStringLiteral("list")));
    QCOMPARE(QDir(window.localFolder()).canonicalPath(), QDir(target).canonicalPath());

    // Browsing already leaves out what the server should not have sent, and says so.
    QCOMPARE(m_errors.size(), 1);
    const QString listed = m_errors.takeFirst();
    QVERIFY2(listed.endsWith(unsafeNameReason()), qPrintable(listed));
    for (const QString& name : unsafe)
        QVERIFY2(listed.contains(QStringLiteral("„%1”").arg(printableName(name))),
                 qPrintable(printableName(name)));
    QVERIFY(listed.contains(QStringLiteral("„../../mappa”")));
    QVERIFY(listed.contains(QStringLiteral("„..\\dos.txt”")));
    QVERIFY(listed.contains(QStringLiteral("„../hivatkozás”")));

    auto* remote = window.findChild<QTreeWidget*>(QStringLiteral("lstRemote"));
    remote->selectAll();
    window.findChild<QPushButton*>(QStringLiteral("cmdDownload"))->click();
    QVERIFY(waitFor(window, QStringLiteral("download")));

    QMap<QString, QString> expected{
        {QStringLiteral("kint.txt"), QStringLiteral("eredeti")},
        {QStringLiteral("kint mappa/"), QString()},
        {QStringLiteral("le/"), QString()},
        {QStringLiteral("le/kint.txt"), QStringLiteral("támadás")},
        {QStringLiteral("le/biztonságos.html"), QStringLiteral("<p>jó</p>")},
        {QStringLiteral("le/belső/"), QString()},
        {QStringLiteral("le/belső/belső.html"), QStringLiteral("<p>belül</p>")},
    };
#ifndef Q_OS_WIN
    for (const QString& name : windowsOnly)
        expected.insert(QStringLiteral("le/") + name, name);
    expected.insert(QStringLiteral("le/link mappa"),
                    QStringLiteral("-> ") + temp.filePath(QStringLiteral("kint mappa")));
    expected.insert(QStringLiteral("le/link.html.webrix-part"), QStringLiteral("-> ") + planted);
#endif
    QCOMPARE(tree(temp.path()), expected);
    QCOMPARE(readFile(planted), QByteArray("eredeti"));

    // One message at the end names what was left out inside the subfolder, and why.
    QCOMPARE(m_errors.size(), 1);
    const QString report = m_errors.first();
    QVERIFY2(report.contains(unsafeNameReason()), qPrintable(report));
    for (const QString& name : unsafe)
        QVERIFY2(report.contains(QStringLiteral("„belső/%1”").arg(printableName(name))),
                 qPrintable(printableName(name)));
    QVERIFY(report.contains(QStringLiteral("„belső/../../mappa”")));
#ifndef Q_OS_WIN
    QVERIFY2(report.contains(QStringLiteral("„link mappa”, „link mappa/x.html”, „link.html”: ") +
                             outsideFolderReason()),
             qPrintable(report));
#endif
}

void TestHostile::shortDownloadKeepsTheOldFile_data() {
    QTest::addColumn<bool>("sizeRefused");
    QTest::newRow("SIZE refused, listing size known") << true;
    QTest::newRow("SIZE answered") << false;
}

void TestHostile::shortDownloadKeepsTheOldFile() {
    QFETCH(bool, sizeRefused);
    FtpTestServer server;
    FtpTestServer::Options options;
    options.noSize = sizeRefused;
    options.shortReads = true;
    QString error;
    if (!server.start(options, &error))
        QSKIP(qPrintable(error));
    const QByteArray content = randomBytes(300 * 1024, 21);
    QVERIFY(writeFile(server.rootDir() + QStringLiteral("/oldal.bin"), content));
    QTemporaryDir local;
    const QString target = local.filePath(QStringLiteral("oldal.bin"));
    QVERIFY(writeFile(target, "a régi változat"));

    TransferWorker worker(server.site(), FtpTestServer::password());
    QSignalSpy listed(&worker, &TransferWorker::listed);
    QSignalSpy finished(&worker, &TransferWorker::finished);
    worker.list(QStringLiteral("/"));
    QCOMPARE(finished.size(), 1);
    QVERIFY(finished.last().at(1).value<OpResult>().ok());
    const RemoteEntries entries = listed.last().at(1).value<RemoteEntries>();
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.first().size, content.size());

    worker.download(entries, QStringLiteral("/"), local.path(), false);
    QCOMPARE(finished.size(), 2);
    const auto result = finished.last().at(1).value<OpResult>();
    QCOMPARE(result.kind, OpResult::Kind::ConnectionLost);
    QVERIFY2(result.message.contains(QStringLiteral("megszakadt")), qPrintable(result.message));
    QCOMPARE(readFile(target), QByteArray("a régi változat"));
    // What did arrive stays for resuming.
    QCOMPARE(readFile(CurlSession::partialDownloadName(target)), content.left(content.size() / 2));
}

void TestHostile::endlesslyNestedFoldersStop() {
    // A server can show a folder inside itself forever; real ones are never this deep.
    FtpTestServer server;
    QString error;
    if (!server.start({}, &error))
        QSKIP(qPrintable(error));
    QString deep = server.rootDir();
    for (int level = 0; level < 70; ++level)
        deep += QStringLiteral("/m");
    QVERIFY(QDir().mkpath(deep));
    RemoteEntry top;
    top.name = QStringLiteral("m");
    top.isDirectory = true;
    QTemporaryDir local;
    TransferWorker worker(server.site(), FtpTestServer::password());
    QSignalSpy finished(&worker, &TransferWorker::finished);
    worker.download({top}, QStringLiteral("/"), local.path(), false);
    QCOMPARE(finished.size(), 1);
    const auto result = finished.last().at(1).value<OpResult>();
    QCOMPARE(result.kind, OpResult::Kind::Failed);
    QVERIFY2(result.message.contains(QStringLiteral("túl mélyen")), qPrintable(result.message));
    // Nothing was created before the whole plan was known.
    QVERIFY(QDir(local.path()).isEmpty());
}

QTEST_MAIN(TestHostile)
#include "tst_ftpclient_hostile.moc"
