// The pieces that need no server: listings, name encodings, the site list, transfer figures.
#include "core/listingparser.h"
#include "core/nameencoding.h"
#include "core/passwordstore.h"
#include "core/sitestore.h"
#include "core/transferplan.h"
#include "core/transferrate.h"
#include "treehelpers.h"

#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

using namespace ftp;

class TestUnits : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void unixAndDosListingsAreRead();
    void windows1250RoundTrip();
    void siteListSurvivesOddSettingsAndKeepsNoPassword();
    void uploadPlanPutsFoldersFirst();
    void speedAndTimeLeft();
    void missingKeyringAnswersQuickly();

private:
    QTemporaryDir m_settingsDir;
};

void TestUnits::initTestCase() {
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settingsDir.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
}

void TestUnits::unixAndDosListingsAreRead() {
    const QByteArray listing =
        "total 12\r\n"
        "drwxr-xr-x   2 root     root         4096 Dec 07 06:20 .\r\n"
        "drwxr-xr-x   2 root     root         4096 Dec 07 06:20 ..\r\n"
        "-rw-r--r--   1 root     root            3 Dec 07 06:20 index.html\r\n"
        "drwxr-xr-x   2 root     root         4096 Jan  1  2024 két  szóköz mappa\r\n"
        "lrwxrwxrwx   1 web      web            11 Mar 15 10:00 www -> public_html\r\n"
        "-rw-r--r--   1 ftp 1234567890 Feb 29  2024 nagy fájl.zip\r\n"
        "12-07-26  06:11AM       <DIR>          régi mappa\r\n"
        "12-07-26  11:30PM                 2048 kép.gif\r\n"
        "ez nem egy lista sor\r\n"
        "\r\n";
    const RemoteEntries entries = parseListing(listing, NameEncoding::Utf8);
    QCOMPARE(entries.size(), 6);
    QCOMPARE(entries.at(0).name, QStringLiteral("index.html"));
    QCOMPARE(entries.at(0).size, 3);
    QVERIFY(!entries.at(0).isDirectory);
    QCOMPARE(entries.at(1).name, QStringLiteral("két  szóköz mappa"));
    QVERIFY(entries.at(1).isDirectory);
    QCOMPARE(entries.at(2).name, QStringLiteral("www"));
    QVERIFY(entries.at(2).isLink);
    QCOMPARE(entries.at(3).name, QStringLiteral("nagy fájl.zip"));
    QCOMPARE(entries.at(3).size, 1234567890LL);
    QCOMPARE(entries.at(4).name, QStringLiteral("régi mappa"));
    QVERIFY(entries.at(4).isDirectory);
    QCOMPARE(entries.at(5).name, QStringLiteral("kép.gif"));
    QCOMPARE(entries.at(5).size, 2048);

    // The same line from a Windows-1250 host.
    const QByteArray legacy =
        "-rw-r--r--   1 u g 5 Dec 07 06:20 " +
        encodeName(QStringLiteral("tükörfúrógép ŐŰ.htm"), NameEncoding::Windows1250);
    const RemoteEntries decoded = parseListing(legacy, NameEncoding::Windows1250);
    QCOMPARE(decoded.size(), 1);
    QCOMPARE(decoded.first().name, QStringLiteral("tükörfúrógép ŐŰ.htm"));
}

void TestUnits::windows1250RoundTrip() {
    const QString hungarian = QStringLiteral("Árvíztűrő tükörfúrógép ŐŰőű €");
    const QByteArray bytes = encodeName(hungarian, NameEncoding::Windows1250);
    QCOMPARE(bytes.size(), hungarian.size());
    QCOMPARE(quint8(bytes.at(0)), quint8(0xC1));                      // Á
    QCOMPARE(quint8(bytes.at(bytes.indexOf('t') + 1)), quint8(0xFB)); // ű
    QCOMPARE(quint8(bytes.back()), quint8(0x80));                     // €
    QCOMPARE(decodeName(bytes, NameEncoding::Windows1250), hungarian);
    // What the code page cannot hold becomes '?' rather than garbage.
    QCOMPARE(encodeName(QStringLiteral("日本.html"), NameEncoding::Windows1250),
             QByteArray("??.html"));
    QCOMPARE(decodeName(encodeName(hungarian, NameEncoding::Utf8), NameEncoding::Utf8), hungarian);
}

void TestUnits::siteListSurvivesOddSettingsAndKeepsNoPassword() {
    Site site;
    site.name = QStringLiteral("Saját honlap");
    site.host = QStringLiteral("ftp.example.hu");
    site.port = 2121;
    site.protocol = Protocol::FtpTls;
    site.user = QStringLiteral("józsef");
    site.remoteFolder = QStringLiteral("/public_html");
    site.localFolder = QStringLiteral("/home/j/honlap");
    site.encoding = NameEncoding::Windows1250;
    site.trustedCertificate = QStringLiteral("AB:CD");
    const Site stored = SiteStore::store(site);
    QVERIFY(!stored.id.isEmpty());

    QList<Site> sites = SiteStore::load();
    QCOMPARE(sites.size(), 1);
    const Site& loaded = sites.first();
    QCOMPARE(loaded.id, stored.id);
    QCOMPARE(loaded.name, site.name);
    QCOMPARE(loaded.port, 2121);
    QCOMPARE(loaded.protocol, Protocol::FtpTls);
    QCOMPARE(loaded.user, site.user);
    QCOMPARE(loaded.encoding, NameEncoding::Windows1250);
    QCOMPARE(loaded.trustedCertificate, site.trustedCertificate);

    {
        // Hand-edited nonsense falls back to defaults; an entry without a host is dropped.
        QSettings settings(QStringLiteral("Webrix"), QStringLiteral("FTPClient"));
        settings.beginWriteArray(QStringLiteral("sites"), 3);
        settings.setArrayIndex(1);
        settings.setValue(QStringLiteral("host"), QStringLiteral("sftp.example.hu"));
        settings.setValue(QStringLiteral("port"), QStringLiteral("sok"));
        settings.setValue(QStringLiteral("protocol"), QStringLiteral("SFTP"));
        settings.setValue(QStringLiteral("encoding"), 42);
        settings.setArrayIndex(2);
        settings.setValue(QStringLiteral("port"), 99999);
        settings.endArray();
    }
    sites = SiteStore::load();
    QCOMPARE(sites.size(), 2);
    QCOMPARE(sites.at(1).protocol, Protocol::Sftp);
    QCOMPARE(sites.at(1).port, 22);
    QCOMPARE(sites.at(1).encoding, NameEncoding::Utf8);
    QVERIFY(!sites.at(1).id.isEmpty());

    SiteStore::remove(stored.id);
    QCOMPARE(SiteStore::load().size(), 1);

    QSettings settings(QStringLiteral("Webrix"), QStringLiteral("FTPClient"));
    for (const QString& key : settings.allKeys())
        QVERIFY2(!key.contains(QStringLiteral("pass"), Qt::CaseInsensitive), qPrintable(key));
}

void TestUnits::uploadPlanPutsFoldersFirst() {
    QTemporaryDir local;
    treehelpers::makeSite(local.filePath(QStringLiteral("honlap")));
    const TransferPlan plan =
        planUpload({local.filePath(QStringLiteral("honlap"))}, QStringLiteral("/"));
    QStringList created;
    for (const PlannedItem& item : plan) {
        const QString parent = item.remotePath.left(item.remotePath.lastIndexOf(QLatin1Char('/')));
        QVERIFY2(parent.isEmpty() || created.contains(parent), qPrintable(item.remotePath));
        if (item.isDirectory)
            created << item.remotePath;
    }
    QCOMPARE(plan.first().remotePath, QStringLiteral("/honlap"));
    qint64 expected = 0;
    for (const QByteArray& content : treehelpers::snapshot(local.path()))
        expected += content.size();
    QCOMPARE(totalBytes(plan), expected);
    QCOMPARE(joinRemote(QStringLiteral("/a/"), QStringLiteral("b")), QStringLiteral("/a/b"));
}

void TestUnits::speedAndTimeLeft() {
    TransferRate rate;
    QCOMPARE(rate.secondsLeft(1000), -1);
    rate.add(0, 0);
    rate.add(1000, 1024 * 1024);
    rate.add(2000, 2 * 1024 * 1024);
    QCOMPARE(rate.bytesPerSecond(), 1024.0 * 1024.0);
    QCOMPARE(rate.secondsLeft(10 * 1024 * 1024), 8);
    // Old samples drop out, so a slowdown shows within a few seconds.
    rate.add(10000, 3 * 1024 * 1024);
    QVERIFY(rate.bytesPerSecond() < 200 * 1024);
    QCOMPARE(formatDuration(3725), QStringLiteral("1:02:05"));
    QCOMPARE(formatDuration(65), QStringLiteral("1:05"));
    QCOMPARE(formatBytes(1536), QStringLiteral("1,5 kB"));
}

void TestUnits::missingKeyringAnswersQuickly() {
    // Headless there is no keyring: the lookup must give up soon so the user can be asked.
    QElapsedTimer clock;
    clock.start();
    const QString key = QStringLiteral("no-such-site-") + QUuid::createUuid().toString();
    QVERIFY(!PasswordStore::readFromKeyring(key).has_value());
    QVERIFY(clock.elapsed() < 8000);
}

QTEST_GUILESS_MAIN(TestUnits)
#include "tst_ftpclient_units.moc"
