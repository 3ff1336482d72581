// The "Webrix FTP kliens" window driven the way a user would, against a loopback server.
#include "core/passwordstore.h"
#include "core/sitestore.h"
#include "loopbackservers.h"
#include "treehelpers.h"
#include "ui/mainwindow.h"
#include "ui/messages.h"
#include "ui/sitedialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

using namespace ftp;
using namespace treehelpers;

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void everyControlIsNamed();
    void connectUploadAndDeleteWithQuestion();
    void wrongPasswordIsShown();
    void droppedConnectionIsReportedAndResumed();
    void acceptedCertificateIsRememberedForTheSite();
    void newSiteIsEncryptedAndPlainFtpIsFlagged();
    void firstSiteCanBeConnectedAtOnce();
    void typedNamesFollowTheNameRule();

private:
    // Runs answer on the site dialog that opens next, then leaves it with OK or Mégse.
    void answerSiteDialog(const std::function<void(SiteDialog*)>& answer, bool accept);
    bool waitFor(MainWindow& window, const QString& operation, bool* ok = nullptr);
    void click(MainWindow& window, const QString& name);

    QTemporaryDir m_settingsDir;
    FtpTestServer m_server;
    QString m_password;
    QStringList m_errors;
    QStringList m_questions;
    bool m_answer = true;
};

void TestWindow::initTestCase() {
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settingsDir.path());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
    PasswordStore::setOverride([this](const Site&) { return std::optional<QString>(m_password); });
    Messages::setHooks([this](const QString& text) { m_errors << text; },
                       [this](const QString& text) {
                           m_questions << text;
                           return m_answer;
                       });
    QString error;
    if (!m_server.start({}, &error))
        QSKIP(qPrintable(QStringLiteral("FTP test server unavailable: ") + error));
}

void TestWindow::init() {
    SiteStore::save({});
    m_password = FtpTestServer::password();
    m_errors.clear();
    m_questions.clear();
    m_answer = true;
}

bool TestWindow::waitFor(MainWindow& window, const QString& operation, bool* ok) {
    QSignalSpy done(&window, &MainWindow::operationDone);
    for (int waited = 0; waited < 300; ++waited) {
        for (const QList<QVariant>& call : done) {
            if (call.at(0).toString() == operation) {
                if (ok)
                    *ok = call.at(1).toBool();
                return QTest::qWaitFor([&] { return !window.isBusy(); }, 20000);
            }
        }
        done.wait(100);
    }
    return false;
}

void TestWindow::click(MainWindow& window, const QString& name) {
    auto* button = window.findChild<QPushButton*>(name);
    QVERIFY2(button, qPrintable(name));
    QVERIFY2(button->isEnabled(), qPrintable(name + QStringLiteral(" is disabled")));
    button->click();
}

void TestWindow::everyControlIsNamed() {
    MainWindow window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Webrix FTP kliens"));
    for (const char* name : {"cboSites", "cmdConnect", "cmdDisconnect", "lstLocal", "lstRemote",
                             "cmdUpload", "cmdDownload", "cmdNewFolder", "cmdRename", "cmdDelete",
                             "cmdCancelTransfer", "prgTransfer", "txtLog"}) {
        auto* widget = window.findChild<QWidget*>(QLatin1String(name));
        QVERIFY2(widget, name);
        QVERIFY2(!widget->accessibleName().isEmpty(), name);
    }
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>())
        QVERIFY2(!button->accessibleName().isEmpty(), qPrintable(button->objectName()));
    // No site yet: nothing to connect to.
    QVERIFY(!window.findChild<QPushButton*>(QStringLiteral("cmdConnect"))->isEnabled());
}

void TestWindow::connectUploadAndDeleteWithQuestion() {
    QVERIFY(writeFile(m_server.rootDir() + QStringLiteral("/ablak/meglévő.html"), "van"));
    Site site = m_server.site();
    site.remoteFolder = QStringLiteral("/ablak");
    site = SiteStore::store(site);

    QTemporaryDir local;
    QVERIFY(writeFile(local.filePath(QStringLiteral("új oldal.html")), "<p>Friss</p>"));
    MainWindow window;
    window.selectSite(site.id);
    window.show();
    window.setLocalFolder(local.path());

    click(window, QStringLiteral("cmdConnect"));
    bool ok = false;
    QVERIFY(waitFor(window, QStringLiteral("list"), &ok));
    QVERIFY2(ok, qPrintable(m_errors.join('\n')));
    QCOMPARE(window.remoteFolder(), QStringLiteral("/ablak"));
    auto* remote = window.findChild<QTreeWidget*>(QStringLiteral("lstRemote"));
    QVERIFY(!remote->findItems(QStringLiteral("meglévő.html"), Qt::MatchExactly).isEmpty());

    auto* localView = window.findChild<QTreeView*>(QStringLiteral("lstLocal"));
    auto* model = qobject_cast<QFileSystemModel*>(localView->model());
    const QString localFile = QDir(local.path()).canonicalPath() + QStringLiteral("/új oldal.html");
    QTRY_VERIFY(model->index(localFile).isValid());
    localView->selectionModel()->select(model->index(localFile),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    click(window, QStringLiteral("cmdUpload"));
    QVERIFY(waitFor(window, QStringLiteral("upload"), &ok));
    QVERIFY2(ok, qPrintable(m_errors.join('\n')));
    QCOMPARE(readFile(m_server.rootDir() + QStringLiteral("/ablak/új oldal.html")),
             QByteArray("<p>Friss</p>"));
    QTRY_VERIFY(!remote->findItems(QStringLiteral("új oldal.html"), Qt::MatchExactly).isEmpty());
    if (qEnvironmentVariableIsSet("WEBRIX_FTP_SCREENSHOT"))
        window.grab().save(qEnvironmentVariable("WEBRIX_FTP_SCREENSHOT"));

    remote->findItems(QStringLiteral("új oldal.html"), Qt::MatchExactly).first()->setSelected(true);
    m_answer = false;
    click(window, QStringLiteral("cmdDelete"));
    QCOMPARE(m_questions.size(), 1);
    QVERIFY(m_questions.first().contains(QStringLiteral("új oldal.html")));
    QVERIFY(QFile::exists(m_server.rootDir() + QStringLiteral("/ablak/új oldal.html")));

    m_answer = true;
    click(window, QStringLiteral("cmdDelete"));
    QVERIFY(waitFor(window, QStringLiteral("remove"), &ok));
    QVERIFY(ok);
    QVERIFY(!QFile::exists(m_server.rootDir() + QStringLiteral("/ablak/új oldal.html")));
    QVERIFY(m_errors.isEmpty());

    click(window, QStringLiteral("cmdDisconnect"));
    QVERIFY(!window.isConnected());
}

void TestWindow::wrongPasswordIsShown() {
    const Site site = SiteStore::store(m_server.site());
    m_password = QStringLiteral("nem jó");
    MainWindow window;
    window.selectSite(site.id);
    click(window, QStringLiteral("cmdConnect"));
    bool ok = true;
    QVERIFY(waitFor(window, QStringLiteral("open"), &ok));
    QVERIFY(!ok);
    QCOMPARE(m_errors.size(), 1);
    QVERIFY(m_errors.first().contains(QStringLiteral("jelszó")));
    QVERIFY(!window.isConnected());
}

void TestWindow::droppedConnectionIsReportedAndResumed() {
    FtpTestServer server;
    QString error;
    if (!server.start({}, &error))
        QSKIP(qPrintable(error));
    const Site site = SiteStore::store(server.site());
    QTemporaryDir local;
    const QByteArray content = randomBytes(3 * 1024 * 1024, 11);
    QVERIFY(writeFile(local.filePath(QStringLiteral("oldal.html")), content));
    MainWindow window;
    window.selectSite(site.id);
    window.setLocalFolder(local.path());
    click(window, QStringLiteral("cmdConnect"));
    QVERIFY(waitFor(window, QStringLiteral("list")));

    auto* localView = window.findChild<QTreeView*>(QStringLiteral("lstLocal"));
    auto* model = qobject_cast<QFileSystemModel*>(localView->model());
    const QString localFile = QDir(local.path()).canonicalPath() + QStringLiteral("/oldal.html");
    QTRY_VERIFY(model->index(localFile).isValid());
    localView->selectionModel()->select(model->index(localFile),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    server.kill();
    click(window, QStringLiteral("cmdUpload"));
    bool ok = true;
    QVERIFY(waitFor(window, QStringLiteral("upload"), &ok));
    QVERIFY(!ok);
    QCOMPARE(m_errors.size(), 1);
    QVERIFY(m_errors.first().contains(QStringLiteral("Folytatás")));
    QVERIFY(!QFile::exists(server.rootDir() + QStringLiteral("/oldal.html")));

    QVERIFY2(server.restart(&error), qPrintable(error));
    click(window, QStringLiteral("cmdResume"));
    QVERIFY(waitFor(window, QStringLiteral("upload"), &ok));
    QVERIFY(ok);
    QVERIFY(readFile(server.rootDir() + QStringLiteral("/oldal.html")) == content);
    QVERIFY(!window.findChild<QPushButton*>(QStringLiteral("cmdResume"))->isEnabled());
}

void TestWindow::acceptedCertificateIsRememberedForTheSite() {
    FtpTestServer tls;
    FtpTestServer::Options options;
    options.tls = true;
    QString error;
    if (!tls.start(options, &error))
        QSKIP(qPrintable(error));
    const Site site = SiteStore::store(tls.site());
    MainWindow window;
    window.selectSite(site.id);

    m_answer = false;
    click(window, QStringLiteral("cmdConnect"));
    QVERIFY(waitFor(window, QStringLiteral("open")));
    QCOMPARE(m_questions.size(), 1);
    QVERIFY(m_questions.first().contains(tls.certificateFingerprint()));
    QVERIFY(!window.isConnected());
    QVERIFY(SiteStore::load().first().trustedCertificate.isEmpty());

    m_answer = true;
    click(window, QStringLiteral("cmdConnect"));
    bool ok = false;
    QVERIFY(waitFor(window, QStringLiteral("list"), &ok));
    QVERIFY(ok);
    QCOMPARE(m_questions.size(), 2);
    QCOMPARE(SiteStore::load().first().trustedCertificate, tls.certificateFingerprint());

    // Next time the remembered certificate is enough.
    click(window, QStringLiteral("cmdDisconnect"));
    click(window, QStringLiteral("cmdConnect"));
    QVERIFY(waitFor(window, QStringLiteral("list"), &ok));
    QVERIFY(ok);
    QCOMPARE(m_questions.size(), 2);
}

void TestWindow::answerSiteDialog(const std::function<void(SiteDialog*)>& answer, bool accept) {
    auto* poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, [poll, answer, accept] {
        auto* dialog = qobject_cast<SiteDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->deleteLater();
        answer(dialog);
        dialog
            ->findChild<QPushButton*>(accept ? QStringLiteral("cmdOK")
                                             : QStringLiteral("cmdCancel"))
            ->click();
    });
    poll->start(20);
}

void TestWindow::newSiteIsEncryptedAndPlainFtpIsFlagged() {
    SiteDialog dialog(Site{});
    auto* protocol = dialog.findChild<QComboBox*>(QStringLiteral("cboProtocol"));
    auto* warning = dialog.findChild<QLabel*>(QStringLiteral("lblPlainFtpWarning"));
    QVERIFY(protocol && warning);
    QVERIFY(!warning->accessibleName().isEmpty());
    QCOMPARE(Protocol(protocol->currentData().toInt()), Protocol::FtpTls);
    QVERIFY(!warning->isVisibleTo(&dialog));
    protocol->setCurrentIndex(protocol->findData(int(Protocol::Ftp)));
    QVERIFY(warning->isVisibleTo(&dialog));
    QVERIFY(warning->text().contains(QStringLiteral("titkosítatlanul")));
    protocol->setCurrentIndex(protocol->findData(int(Protocol::Sftp)));
    QVERIFY(!warning->isVisibleTo(&dialog));

    // A site stored on plain FTP stays so, and the dialog says what that means.
    Site plain = m_server.site();
    QCOMPARE(plain.protocol, Protocol::Ftp);
    SiteStore::store(plain);
    QCOMPARE(SiteStore::load().first().protocol, Protocol::Ftp);
    SiteDialog stored(SiteStore::load().first());
    QVERIFY(stored.findChild<QLabel*>(QStringLiteral("lblPlainFtpWarning"))->isVisibleTo(&stored));
    QCOMPARE(stored.site().protocol, Protocol::Ftp);
}

void TestWindow::firstSiteCanBeConnectedAtOnce() {
    MainWindow window;
    window.show();
    auto* connectButton = window.findChild<QPushButton*>(QStringLiteral("cmdConnect"));
    QVERIFY(!connectButton->isEnabled());

    answerSiteDialog(
        [](SiteDialog* dialog) {
            dialog->findChild<QLineEdit*>(QStringLiteral("txtHost"))
                ->setText(QStringLiteral("ftp.example.hu"));
        },
        true);
    click(window, QStringLiteral("cmdNewSite"));
    QCOMPARE(SiteStore::load().size(), 1);
    QCOMPARE(SiteStore::load().first().protocol, Protocol::FtpTls);
    // No other click needed: the list just got its first site and it is selected.
    QVERIFY(connectButton->isEnabled());
    QVERIFY(window.findChild<QPushButton*>(QStringLiteral("cmdEditSite"))->isEnabled());
    QVERIFY(window.findChild<QPushButton*>(QStringLiteral("cmdDeleteSite"))->isEnabled());

    // Editing keeps it selected and connectable; removing the last one disables connecting.
    answerSiteDialog(
        [](SiteDialog* dialog) {
            dialog->findChild<QLineEdit*>(QStringLiteral("txtSiteName"))
                ->setText(QStringLiteral("Saját"));
        },
        true);
    click(window, QStringLiteral("cmdEditSite"));
    QCOMPARE(SiteStore::load().first().name, QStringLiteral("Saját"));
    QVERIFY(connectButton->isEnabled());
    click(window, QStringLiteral("cmdDeleteSite"));
    QVERIFY(SiteStore::load().isEmpty());
    QVERIFY(!connectButton->isEnabled());
    QVERIFY(m_errors.isEmpty());
}

void TestWindow::typedNamesFollowTheNameRule() {
    QVERIFY(QDir().mkpath(m_server.rootDir() + QStringLiteral("/gépelt")));
    Site site = m_server.site();
    site.remoteFolder = QStringLiteral("/gépelt");
    site = SiteStore::store(site);
    MainWindow window;
    window.selectSite(site.id);
    click(window, QStringLiteral("cmdConnect"));
    QVERIFY(waitFor(window, QStringLiteral("list")));

    const QStringList refused = {QStringLiteral("../kint"), QStringLiteral("a/b"),
                                 QStringLiteral("..\\kint"), QStringLiteral("..")};
    for (const QString& name : refused) {
        auto* poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [poll, name] {
            auto* input = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            if (!input)
                return;
            poll->deleteLater();
            input->setTextValue(name);
            input->accept();
        });
        poll->start(20);
        click(window, QStringLiteral("cmdNewFolder"));
        QVERIFY(!window.isBusy());
    }
    QCOMPARE(m_errors.size(), refused.size());
    for (int i = 0; i < refused.size(); ++i)
        QVERIFY2(m_errors.at(i).contains(refused.at(i)), qPrintable(m_errors.at(i)));
    QVERIFY(!QFile::exists(m_server.rootDir() + QStringLiteral("/kint")));
    QVERIFY(QDir(m_server.rootDir() + QStringLiteral("/gépelt"))
                .entryList(QDir::AllEntries | QDir::NoDotAndDotDot)
                .isEmpty());
}

QTEST_MAIN(TestWindow)
#include "tst_ftpclient_window.moc"
