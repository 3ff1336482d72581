// SFTP against OpenSSH's sshd on a loopback port, with throw-away host and user keys.
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

class TestSftp : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void unknownHostKeyNeedsExplicitTrust();
    void foldersTravelByteForByte();
    void renameReplaceAndDelete();
    void keyTheServerDoesNotKnowIsRefused();
    void unsafeNamesInTheListingAreLeftOut();

private:
    Site trustedSite() const {
        Site site = m_server.site();
        site.trustedHostKey = m_server.hostKeyFingerprint();
        return site;
    }

    SftpTestServer m_server;
};

void TestSftp::initTestCase() {
    QString error;
    if (!m_server.start(&error))
        QSKIP(qPrintable(QStringLiteral("SFTP test server unavailable: ") + error));
}

void TestSftp::unknownHostKeyNeedsExplicitTrust() {
    Site site = m_server.site();
    QString entry;
    {
        CurlSession unknown(site, QString());
        const OpResult refused = unknown.open(&entry);
        QCOMPARE(refused.kind, OpResult::Kind::UnknownHostKey);
        QCOMPARE(refused.fingerprint, m_server.hostKeyFingerprint());
    }
    {
        site.trustedHostKey = m_server.hostKeyFingerprint();
        CurlSession trusted(site, QString());
        const OpResult accepted = trusted.open(&entry);
        QVERIFY2(accepted.ok(), qPrintable(accepted.message));
        QVERIFY(entry.startsWith(QLatin1Char('/')));
    }
    {
        site.trustedHostKey = QStringLiteral("SHA256:AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA");
        CurlSession changed(site, QString());
        const OpResult refused = changed.open(&entry);
        QCOMPARE(refused.kind, OpResult::Kind::UnknownHostKey);
        QVERIFY(refused.message.contains(QStringLiteral("megváltozott")));
        QCOMPARE(refused.fingerprint, m_server.hostKeyFingerprint());
    }
}

void TestSftp::foldersTravelByteForByte() {
    QTemporaryDir local;
    const QString source = local.filePath(QStringLiteral("honlap"));
    makeSite(source);
    TransferWorker worker(trustedSite(), QString());
    QSignalSpy finished(&worker, &TransferWorker::finished);
    QSignalSpy listed(&worker, &TransferWorker::listed);

    worker.upload({source}, m_server.rootDir(), false);
    QCOMPARE(finished.size(), 1);
    auto result = finished.last().at(1).value<OpResult>();
    QVERIFY2(result.ok(), qPrintable(result.message));
    const QString remote = m_server.rootDir() + QStringLiteral("/honlap");
    QCOMPARE(snapshot(remote), snapshot(source));

    worker.list(remote);
    QCOMPARE(listed.size(), 1);
    const auto entries = listed.last().at(1).value<RemoteEntries>();
    QStringList names;
    for (const RemoteEntry& entry : entries)
        names << entry.name + (entry.isDirectory ? QStringLiteral("/") : QString());
    names.sort();
    QCOMPARE(names, QStringList({QStringLiteral("index.html"), QStringLiteral("képek/"),
                                 QStringLiteral("árvíztűrő tükörfúrógép.html"),
                                 QStringLiteral("üres mappa/"), QStringLiteral("üres.txt")}));

    const QString target = local.filePath(QStringLiteral("vissza"));
    QVERIFY(QDir().mkpath(target));
    worker.download(entries, remote, target, false);
    result = finished.last().at(1).value<OpResult>();
    QVERIFY2(result.ok(), qPrintable(result.message));
    QCOMPARE(snapshot(target), snapshot(source));
}

void TestSftp::renameReplaceAndDelete() {
    const QString root = m_server.rootDir() + QStringLiteral("/kezel");
    QVERIFY(writeFile(root + QStringLiteral("/index.html"), "régi"));
    makeSite(root + QStringLiteral("/mappa"));
    QTemporaryDir local;
    QVERIFY(writeFile(local.filePath(QStringLiteral("index.html")), "új"));
    CurlSession session(trustedSite(), QString());

    // sftp-server will not rename onto an existing file; the page must still be replaced.
    const OpResult replaced = session.upload(local.filePath(QStringLiteral("index.html")),
                                             root + QStringLiteral("/index.html"));
    QVERIFY2(replaced.ok(), qPrintable(replaced.message));
    QCOMPARE(readFile(root + QStringLiteral("/index.html")), QByteArray("új"));
    QVERIFY(!QFile::exists(CurlSession::temporaryUploadName(root + QStringLiteral("/index.html"))));

    QVERIFY(session.makeDirectory(root + QStringLiteral("/új \"mappa\"")).ok());
    QVERIFY(QFileInfo(root + QStringLiteral("/új \"mappa\"")).isDir());
    QVERIFY(
        session
            .rename(root + QStringLiteral("/index.html"), root + QStringLiteral("/kezdő lap.html"))
            .ok());
    QCOMPARE(readFile(root + QStringLiteral("/kezdő lap.html")), QByteArray("új"));

    RemoteEntry folder;
    folder.name = QStringLiteral("mappa");
    folder.isDirectory = true;
    const OpResult removed = removeRemote(session, folder, root);
    QVERIFY2(removed.ok(), qPrintable(removed.message));
    QVERIFY(!QFile::exists(root + QStringLiteral("/mappa")));
    QVERIFY(!session.removeFile(root + QStringLiteral("/nincs.html")).ok());
    QVERIFY(session.removeFile(root + QStringLiteral("/kezdő lap.html")).ok());
}

void TestSftp::keyTheServerDoesNotKnowIsRefused() {
    Site site = trustedSite();
    site.privateKeyFile = m_server.strangerKey();
    CurlSession session(site, QString());
    QString entry;
    QCOMPARE(session.open(&entry).kind, OpResult::Kind::LoginFailed);
}

void TestSftp::unsafeNamesInTheListingAreLeftOut() {
#ifdef Q_OS_WIN
    QSKIP("Windows cannot hold the names this case needs");
#else
    // The SFTP listing reaches the same name rule as FTP's.
    const QString folder = m_server.rootDir() + QStringLiteral("/nevek");
    QVERIFY(writeFile(folder + QStringLiteral("/jó.html"), "a"));
    QVERIFY(writeFile(folder + QStringLiteral("/..\\kint.html"), "b"));
    QVERIFY(writeFile(folder + QStringLiteral("/vezérlő\x01jel.html"), "c"));
    TransferWorker worker(trustedSite(), QString());
    QSignalSpy finished(&worker, &TransferWorker::finished);
    QSignalSpy listed(&worker, &TransferWorker::listed);
    worker.list(folder);
    QCOMPARE(finished.size(), 1);
    const auto result = finished.last().at(1).value<OpResult>();
    QVERIFY2(result.ok(), qPrintable(result.message));
    const RemoteEntries entries = listed.last().at(1).value<RemoteEntries>();
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries.first().name, QStringLiteral("jó.html"));
    QStringList skipped = result.skipped;
    skipped.sort();
    QCOMPARE(skipped,
             QStringList({QStringLiteral("..\\kint.html"), QStringLiteral("vezérlő\x01jel.html")}));
    QVERIFY(result.warning.endsWith(
        QStringLiteral("a kiszolgáló nem biztonságos nevet küldött, kihagytam.")));
#endif
}

QTEST_GUILESS_MAIN(TestSftp)
#include "tst_ftpclient_sftp.moc"
