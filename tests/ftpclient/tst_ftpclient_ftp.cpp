// FTP and explicit FTPS against a pyftpdlib server on loopback.
#include "core/connection.h"
#include "core/curlsession.h"
#include "core/transferplan.h"
#include "core/transferworker.h"
#include "loopbackservers.h"
#include "treehelpers.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace ftp;
using namespace treehelpers;

namespace {

const QString kWorkerTimeoutHint = QStringLiteral("worker did not finish");

OpResult runAndWait(TransferWorker& worker, const std::function<void()>& call) {
    QSignalSpy finished(&worker, &TransferWorker::finished);
    // WEBRIX_FTP_TRACE=1 shows the conversation with the server when a case needs a closer look.
    QMetaObject::Connection trace;
    if (qEnvironmentVariableIsSet("WEBRIX_FTP_TRACE"))
        trace = QObject::connect(&worker, &TransferWorker::logLine,
                                 [](const QString& line) { qDebug().noquote() << line; });
    call();
    QObject::disconnect(trace);
    if (finished.isEmpty() && !finished.wait(60000))
        return OpResult::failure(OpResult::Kind::Failed, kWorkerTimeoutHint);
    return finished.last().at(1).value<OpResult>();
}

bool hasLeftovers(const QString& root) {
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        if (it.next().endsWith(QLatin1String(".webrix-part")))
            return true;
    }
    return false;
}

} // namespace

class TestFtp : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void foldersTravelByteForByte_data();
    void foldersTravelByteForByte();
    void windows1250NamesReachTheServerIntact();
    void renameMakeFolderAndDelete();
    void uploadReplacesAnExistingPage();
    void serverWithoutRenameStillGetsThePage();
    void wrongPasswordIsRefused();
    void certificateNeedsExplicitTrust();
    void interruptedUploadResumes();
    void interruptedDownloadResumesAndKeepsLocalFile();
    void fullRemoteDiskKeepsThePublishedPage();
    void cancelStopsATransferOnItsThread();

private:
    FtpTestServer m_plain;
    FtpTestServer m_tls;
};

void TestFtp::initTestCase() {
    QString error;
    if (!m_plain.start({}, &error))
        QSKIP(qPrintable(QStringLiteral("FTP test server unavailable: ") + error));
    FtpTestServer::Options tls;
    tls.tls = true;
    if (!m_tls.start(tls, &error))
        QSKIP(qPrintable(QStringLiteral("FTPS test server unavailable: ") + error));
}

void TestFtp::foldersTravelByteForByte_data() {
    QTest::addColumn<bool>("tls");
    QTest::newRow("ftp") << false;
    QTest::newRow("ftps") << true;
}

void TestFtp::foldersTravelByteForByte() {
    QFETCH(bool, tls);
    FtpTestServer& server = tls ? m_tls : m_plain;
    Site site = server.site();
    site.trustedCertificate = server.certificateFingerprint();

    QTemporaryDir local;
    const QString source = local.filePath(QStringLiteral("honlap"));
    makeSite(source);
    const QString remoteFolder = QStringLiteral("/www ") + QTest::currentDataTag();
    QVERIFY(QDir().mkpath(server.rootDir() + remoteFolder));

    TransferWorker worker(site, FtpTestServer::password());
    QSignalSpy progress(&worker, &TransferWorker::progress);
    const OpResult uploaded =
        runAndWait(worker, [&] { worker.upload({source}, remoteFolder, false); });
    QVERIFY2(uploaded.ok(), qPrintable(uploaded.message));
    QCOMPARE(snapshot(server.rootDir() + remoteFolder + QStringLiteral("/honlap")),
             snapshot(source));
    QVERIFY(!hasLeftovers(server.rootDir()));
    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.last().at(0).toLongLong(), progress.last().at(1).toLongLong());

    RemoteEntries entries;
    QSignalSpy listed(&worker, &TransferWorker::listed);
    QVERIFY(
        runAndWait(worker, [&] { worker.list(remoteFolder + QStringLiteral("/honlap")); }).ok());
    entries = listed.last().at(1).value<RemoteEntries>();
    QStringList names;
    for (const RemoteEntry& entry : entries)
        names << entry.name + (entry.isDirectory ? QStringLiteral("/") : QString());
    names.sort();
    QCOMPARE(names, QStringList({QStringLiteral("index.html"), QStringLiteral("képek/"),
                                 QStringLiteral("árvíztűrő tükörfúrógép.html"),
                                 QStringLiteral("üres mappa/"), QStringLiteral("üres.txt")}));

    const QString target = local.filePath(QStringLiteral("vissza"));
    QVERIFY(QDir().mkpath(target));
    const OpResult downloaded = runAndWait(worker, [&] {
        worker.download(entries, remoteFolder + QStringLiteral("/honlap"), target, false);
    });
    QVERIFY2(downloaded.ok(), qPrintable(downloaded.message));
    QCOMPARE(snapshot(target), snapshot(source));
}

void TestFtp::windows1250NamesReachTheServerIntact() {
    FtpTestServer server;
    FtpTestServer::Options options;
    options.encoding = QStringLiteral("cp1250");
    QString error;
    if (!server.start(options, &error))
        QSKIP(qPrintable(error));
    QTemporaryDir local;
    const QString name = QStringLiteral("Árvíztűrő tükörfúrógép ŐŰ.html");
    const QByteArray content = "<h1>Üdvözlet</h1>";
    QVERIFY(writeFile(local.filePath(name), content));

    CurlSession session(server.site(), FtpTestServer::password());
    QVERIFY(session.upload(local.filePath(name), QLatin1Char('/') + name).ok());
    // The server decoded the Windows-1250 bytes, so the name on its disk is the real one.
    QCOMPARE(readFile(server.rootDir() + QLatin1Char('/') + name), content);

    RemoteEntries entries;
    QVERIFY(session.list(QStringLiteral("/"), &entries).ok());
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.first().name, name);
    QVERIFY(session.download(QLatin1Char('/') + name, local.filePath(QStringLiteral("vissza.html")))
                .ok());
    QCOMPARE(readFile(local.filePath(QStringLiteral("vissza.html"))), content);
}

void TestFtp::renameMakeFolderAndDelete() {
    const QString root = m_plain.rootDir() + QStringLiteral("/kezel");
    QVERIFY(writeFile(root + QStringLiteral("/régi név.html"), "a"));
    makeSite(root + QStringLiteral("/mappa"));
    CurlSession session(m_plain.site(), FtpTestServer::password());

    QVERIFY(session.makeDirectory(QStringLiteral("/kezel/új mappa")).ok());
    QVERIFY(QFileInfo(root + QStringLiteral("/új mappa")).isDir());
    QVERIFY(
        session.rename(QStringLiteral("/kezel/régi név.html"), QStringLiteral("/kezel/új név.html"))
            .ok());
    QVERIFY(!QFile::exists(root + QStringLiteral("/régi név.html")));
    QCOMPARE(readFile(root + QStringLiteral("/új név.html")), QByteArray("a"));

    RemoteEntry folder;
    folder.name = QStringLiteral("mappa");
    folder.isDirectory = true;
    const OpResult removed = removeRemote(session, folder, QStringLiteral("/kezel"));
    QVERIFY2(removed.ok(), qPrintable(removed.message));
    QVERIFY(!QFile::exists(root + QStringLiteral("/mappa")));

    const OpResult missing = session.removeFile(QStringLiteral("/kezel/nincs ilyen.html"));
    QVERIFY(!missing.ok());
    QVERIFY(!missing.message.isEmpty());
    // The connection is still usable after a refused command.
    QVERIFY(session.removeFile(QStringLiteral("/kezel/új név.html")).ok());
}

void TestFtp::uploadReplacesAnExistingPage() {
    QVERIFY(writeFile(m_plain.rootDir() + QStringLiteral("/csere/index.html"), "régi"));
    QTemporaryDir local;
    QVERIFY(writeFile(local.filePath(QStringLiteral("index.html")), "új tartalom"));
    CurlSession session(m_plain.site(), FtpTestServer::password());
    QVERIFY(session
                .upload(local.filePath(QStringLiteral("index.html")),
                        QStringLiteral("/csere/index.html"))
                .ok());
    QCOMPARE(readFile(m_plain.rootDir() + QStringLiteral("/csere/index.html")),
             QByteArray("új tartalom"));
    QVERIFY(!hasLeftovers(m_plain.rootDir() + QStringLiteral("/csere")));

    // Resuming with nothing left over from before simply sends the whole file.
    QVERIFY(session
                .upload(local.filePath(QStringLiteral("index.html")),
                        QStringLiteral("/csere/másik.html"), true)
                .ok());
    QCOMPARE(readFile(m_plain.rootDir() + QStringLiteral("/csere/másik.html")),
             QByteArray("új tartalom"));
}

void TestFtp::serverWithoutRenameStillGetsThePage() {
    FtpTestServer server;
    FtpTestServer::Options options;
    options.noRename = true;
    QString error;
    if (!server.start(options, &error))
        QSKIP(qPrintable(error));
    QVERIFY(writeFile(server.rootDir() + QStringLiteral("/index.html"), "régi"));
    QTemporaryDir local;
    QVERIFY(writeFile(local.filePath(QStringLiteral("index.html")), "új"));
    CurlSession session(server.site(), FtpTestServer::password());
    const OpResult result =
        session.upload(local.filePath(QStringLiteral("index.html")), QStringLiteral("/index.html"));
    QVERIFY2(result.ok(), qPrintable(result.message));
    QCOMPARE(readFile(server.rootDir() + QStringLiteral("/index.html")), QByteArray("új"));
    QVERIFY(!hasLeftovers(server.rootDir()));
}

void TestFtp::wrongPasswordIsRefused() {
    CurlSession session(m_plain.site(), QStringLiteral("rossz jelszó"));
    QString entry;
    const OpResult result = session.open(&entry);
    QCOMPARE(result.kind, OpResult::Kind::LoginFailed);
    QVERIFY(result.message.contains(QStringLiteral("jelszó")));
}

void TestFtp::certificateNeedsExplicitTrust() {
    Site site = m_tls.site();
    QString entry;
    {
        CurlSession unknown(site, FtpTestServer::password());
        const OpResult refused = unknown.open(&entry);
        QCOMPARE(refused.kind, OpResult::Kind::UntrustedCertificate);
        QCOMPARE(refused.fingerprint, m_tls.certificateFingerprint());
        QVERIFY(refused.peerDetails.contains(QStringLiteral("webrix-test")));
    }
    {
        site.trustedCertificate = m_tls.certificateFingerprint();
        CurlSession trusted(site, FtpTestServer::password());
        const OpResult accepted = trusted.open(&entry);
        QVERIFY2(accepted.ok(), qPrintable(accepted.message));
        QCOMPARE(entry, QStringLiteral("/"));
    }
    {
        site.trustedCertificate = QString(m_tls.certificateFingerprint()).replace(0, 2, "00");
        CurlSession changed(site, FtpTestServer::password());
        const OpResult refused = changed.open(&entry);
        QCOMPARE(refused.kind, OpResult::Kind::UntrustedCertificate);
        QVERIFY(refused.message.contains(QStringLiteral("megváltozott")));
    }
    {
        // A plain server cannot be talked into TLS; the password must not go out in clear.
        Site plain = m_plain.site();
        plain.protocol = Protocol::FtpTls;
        CurlSession session(plain, FtpTestServer::password());
        QCOMPARE(session.open(&entry).kind, OpResult::Kind::ConnectionFailed);
    }
}

void TestFtp::interruptedUploadResumes() {
    FtpTestServer server;
    QString error;
    if (!server.start({}, &error))
        QSKIP(qPrintable(error));
    QTemporaryDir local;
    const QByteArray content = randomBytes(48 * 1024 * 1024, 7);
    QVERIFY(writeFile(local.filePath(QStringLiteral("nagy.bin")), content));

    CurlSession session(server.site(), FtpTestServer::password());
    bool killed = false;
    session.setProgressHandler([&](qint64 done, qint64) {
        if (!killed && done > 4 * 1024 * 1024) {
            killed = true;
            server.kill();
        }
    });
    const OpResult broken =
        session.upload(local.filePath(QStringLiteral("nagy.bin")), QStringLiteral("/nagy.bin"));
    QVERIFY(killed);
    QCOMPARE(broken.kind, OpResult::Kind::ConnectionLost);
    QVERIFY(!QFile::exists(server.rootDir() + QStringLiteral("/nagy.bin")));
    const qint64 partial =
        QFileInfo(server.rootDir() + QStringLiteral("/.nagy.bin.webrix-part")).size();
    QVERIFY(partial > 0 && partial < content.size());

    QVERIFY2(server.restart(&error), qPrintable(error));
    qint64 firstReported = -1;
    session.setProgressHandler([&](qint64 done, qint64) {
        if (firstReported < 0 && done > 0)
            firstReported = done;
    });
    const OpResult resumed = session.upload(local.filePath(QStringLiteral("nagy.bin")),
                                            QStringLiteral("/nagy.bin"), true);
    QVERIFY2(resumed.ok(), qPrintable(resumed.message));
    QVERIFY2(firstReported >= partial, "the upload started over instead of resuming");
    QVERIFY(readFile(server.rootDir() + QStringLiteral("/nagy.bin")) == content);
    QVERIFY(!hasLeftovers(server.rootDir()));
}

void TestFtp::interruptedDownloadResumesAndKeepsLocalFile() {
    FtpTestServer server;
    QString error;
    if (!server.start({}, &error))
        QSKIP(qPrintable(error));
    const QByteArray content = randomBytes(48 * 1024 * 1024, 8);
    QVERIFY(writeFile(server.rootDir() + QStringLiteral("/nagy.bin"), content));
    QTemporaryDir local;
    const QString target = local.filePath(QStringLiteral("nagy.bin"));
    QVERIFY(writeFile(target, "a régi helyi változat"));

    CurlSession session(server.site(), FtpTestServer::password());
    bool killed = false;
    session.setProgressHandler([&](qint64 done, qint64) {
        if (!killed && done > 4 * 1024 * 1024) {
            killed = true;
            server.kill();
        }
    });
    const OpResult broken = session.download(QStringLiteral("/nagy.bin"), target);
    QVERIFY(killed);
    QCOMPARE(broken.kind, OpResult::Kind::ConnectionLost);
    QCOMPARE(readFile(target), QByteArray("a régi helyi változat"));
    const qint64 partial = QFileInfo(CurlSession::partialDownloadName(target)).size();
    QVERIFY(partial > 0 && partial < content.size());

    QVERIFY2(server.restart(&error), qPrintable(error));
    const OpResult resumed = session.download(QStringLiteral("/nagy.bin"), target, true);
    QVERIFY2(resumed.ok(), qPrintable(resumed.message));
    QVERIFY(readFile(target) == content);
    QVERIFY(!QFile::exists(CurlSession::partialDownloadName(target)));
}

void TestFtp::fullRemoteDiskKeepsThePublishedPage() {
    FtpTestServer server;
    FtpTestServer::Options options;
    options.fullFolder = QStringLiteral("tele");
    QString error;
    if (!server.start(options, &error))
        QSKIP(qPrintable(error));
    QVERIFY(writeFile(server.rootDir() + QStringLiteral("/tele/index.html"), "élő oldal"));
    QTemporaryDir local;
    QVERIFY(writeFile(local.filePath(QStringLiteral("index.html")), randomBytes(256 * 1024, 3)));

    CurlSession session(server.site(), FtpTestServer::password());
    const OpResult result = session.upload(local.filePath(QStringLiteral("index.html")),
                                           QStringLiteral("/tele/index.html"));
    QCOMPARE(result.kind, OpResult::Kind::RemoteFull);
    QCOMPARE(readFile(server.rootDir() + QStringLiteral("/tele/index.html")),
             QByteArray("élő oldal"));
    QCOMPARE(readFile(local.filePath(QStringLiteral("index.html"))).size(), 256 * 1024);
}

void TestFtp::cancelStopsATransferOnItsThread() {
    QTemporaryDir local;
    QVERIFY(
        writeFile(local.filePath(QStringLiteral("nagy.bin")), randomBytes(64 * 1024 * 1024, 9)));
    Connection connection(m_plain.site(), FtpTestServer::password());
    QSignalSpy finished(connection.worker(), &TransferWorker::finished);
    QSignalSpy progress(connection.worker(), &TransferWorker::progress);
    const QString path = local.filePath(QStringLiteral("nagy.bin"));
    connection.post([path](TransferWorker* w) { w->upload({path}, QStringLiteral("/"), false); });
    // This thread keeps running its event loop while the transfer goes on.
    QTRY_VERIFY_WITH_TIMEOUT(!progress.isEmpty() || !finished.isEmpty(), 30000);
    connection.cancel();
    QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), 30000);
    const auto result = finished.last().at(1).value<OpResult>();
    if (result.ok())
        QSKIP("the transfer finished before it could be cancelled");
    QCOMPARE(result.kind, OpResult::Kind::Cancelled);
    QVERIFY(!QFile::exists(m_plain.rootDir() + QStringLiteral("/nagy.bin")));
}

QTEST_GUILESS_MAIN(TestFtp)
#include "tst_ftpclient_ftp.moc"
