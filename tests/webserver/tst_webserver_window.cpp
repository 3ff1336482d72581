// The module's window: its texts, remembered folder and port, and how it reports trouble.
#include "folderserver.h"
#include "httptestclient.h"
#include "serverwindow.h"
#include "shared/dialogfocus.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSpinBox>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using webserver::ServerWindow;

namespace {

// Answers the window's questions instead of a person and records what it was told.
class AnsweringWindow : public ServerWindow {
public:
    bool answer = true;
    QStringList warnings;
    QStringList questions;

protected:
    void showWarning(const QString& text) override { warnings.append(text); }
    bool askYesNo(const QString& text) override {
        questions.append(text);
        return answer;
    }
};

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

QSettings storedSettings() {
    return QSettings(QSettings::defaultFormat(), QSettings::UserScope, QStringLiteral("Webrix"),
                     QStringLiteral("WebServer"));
}

} // namespace

class WebServerWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void textsAndNames();
    void remembersFolderAndPort();
    void damagedSettingsFallBack();
    void servesAndLogsRequests();
    void busyPortOffersAFreeOne();
    void missingFolderIsExplained();
    void localNetworkIsAnExplicitChoice();
    void keysReachTheWindowAgainAfterAMessage();

private:
    QTemporaryDir m_settingsDir;
    QTemporaryDir m_site;
    QNetworkAccessManager m_manager;
};

void WebServerWindowTest::initTestCase() {
    // Never the user's real settings: an INI file in a temporary folder on every platform.
    QVERIFY(m_settingsDir.isValid());
    QSettings::setDefaultFormat(QSettings::IniFormat);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settingsDir.path());
    QVERIFY(storedSettings().fileName().startsWith(m_settingsDir.path()));

    QFile page(m_site.filePath(QStringLiteral("index.html")));
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write("<html><body>window test</body></html>");
}

void WebServerWindowTest::init() {
    storedSettings().clear();
}

void WebServerWindowTest::textsAndNames() {
    ServerWindow window;
    QCOMPARE(window.windowTitle(), QStringLiteral("Webrix Web szerver"));
    QStringList labels;
    for (const QLabel* label : window.findChildren<QLabel*>())
        labels.append(label->text());
    for (const QString expected : {"Mappa:", "Port:", "Cím:"})
        QVERIFY2(labels.contains(expected), qPrintable(expected));
    QCOMPARE(window.findChild<QPushButton*>("startButton")->text(), QStringLiteral("Indítás"));
    QCOMPARE(window.findChild<QPushButton*>("stopButton")->text(), QStringLiteral("Leállítás"));
    const auto* lan = window.findChild<QCheckBox*>("lanCheck");
    QVERIFY(lan);
    QCOMPARE(lan->text(),
             QStringLiteral("Kiszolgálás a helyi hálózatnak is (más gépek is elérik!)"));
    QVERIFY(!lan->isChecked());
    QCOMPARE(window.findChild<QSpinBox*>("portSpin")->value(), 8080);
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->objectName().isEmpty() && !widget->objectName().startsWith("qt_"))
            QVERIFY2(!widget->accessibleName().isEmpty(), qPrintable(widget->objectName()));
    }
}

void WebServerWindowTest::remembersFolderAndPort() {
    {
        QSettings settings = storedSettings();
        settings.setValue("folder", m_site.path());
        settings.setValue("port", 0); // out of range: the default is kept
    }
    const quint16 port = freePort();
    {
        AnsweringWindow window;
        QCOMPARE(QDir::fromNativeSeparators(window.findChild<QLineEdit*>("folderEdit")->text()),
                 m_site.path());
        window.setPort(port);
        QVERIFY(window.startServing());
        window.close();
    }
    QCOMPARE(storedSettings().value("port").toInt(), int(port));
    ServerWindow reopened;
    QCOMPARE(reopened.findChild<QSpinBox*>("portSpin")->value(), int(port));
    QCOMPARE(QDir::fromNativeSeparators(reopened.findChild<QLineEdit*>("folderEdit")->text()),
             m_site.path());
}

void WebServerWindowTest::damagedSettingsFallBack() {
    for (const QVariant& bad : {QVariant("abc"), QVariant(70000), QVariant(-5)}) {
        {
            QSettings settings = storedSettings();
            settings.setValue("port", bad);
            settings.setValue("folder", QStringList{"not", "a", "path"});
        }
        ServerWindow window;
        QCOMPARE(window.findChild<QSpinBox*>("portSpin")->value(), 8080);
    }
}

void WebServerWindowTest::servesAndLogsRequests() {
    AnsweringWindow window;
    window.setFolder(m_site.path());
    window.setPort(freePort());
    QTest::mouseClick(window.findChild<QPushButton*>("startButton"), Qt::LeftButton);
    QVERIFY(window.server()->isRunning());
    QVERIFY(window.warnings.isEmpty());
    QVERIFY(!window.findChild<QPushButton*>("startButton")->isEnabled());
    QVERIFY(window.findChild<QPushButton*>("stopButton")->isEnabled());

    const QString address = window.server()->localUrl();
    QVERIFY(window.findChild<QLabel*>("addressLabel")->text().contains("href=\"" + address + "\""));
    const HttpResult result = fetch(m_manager, QUrl(address + "index.html"));
    QCOMPARE(result.status, 200);
    fetch(m_manager, QUrl(address + "missing.html"));
    const QString log = window.findChild<QPlainTextEdit*>("logView")->toPlainText();
    QVERIFY2(
        log.contains(QRegularExpression(R"(\d\d:\d\d:\d\d .*GET /index\.html\s+200\s+37 bájt)")),
        qPrintable(log));
    QVERIFY(log.contains(QRegularExpression(R"(GET /missing\.html\s+404)")));

    QTest::mouseClick(window.findChild<QPushButton*>("stopButton"), Qt::LeftButton);
    QVERIFY(!window.server()->isRunning());
    QVERIFY(window.findChild<QPushButton*>("startButton")->isEnabled());
}

void WebServerWindowTest::busyPortOffersAFreeOne() {
    QTcpServer occupier;
    QVERIFY(occupier.listen(QHostAddress::LocalHost, 0));
    AnsweringWindow window;
    window.setFolder(m_site.path());
    window.setPort(occupier.serverPort());

    window.answer = false;
    QVERIFY(!window.startServing());
    QCOMPARE(window.questions.size(), 1);
    QVERIFY(window.questions[0].contains(QStringLiteral("foglalt")));
    QVERIFY(!window.server()->isRunning());
    QCOMPARE(window.findChild<QSpinBox*>("portSpin")->value(), int(occupier.serverPort()));

    window.answer = true;
    QVERIFY(window.startServing());
    QVERIFY(window.server()->port() != occupier.serverPort());
    QCOMPARE(window.findChild<QSpinBox*>("portSpin")->value(), int(window.server()->port()));
    QVERIFY(window.warnings.isEmpty());
}

void WebServerWindowTest::missingFolderIsExplained() {
    AnsweringWindow window;
    window.setFolder(m_site.filePath("gone"));
    window.setPort(freePort());
    QVERIFY(!window.startServing());
    QCOMPARE(window.warnings.size(), 1);
    QVERIFY(window.warnings[0].contains(QStringLiteral("nem létezik")));
    QVERIFY(!window.server()->isRunning());
    // A failed start does not overwrite the remembered folder.
    QVERIFY(!storedSettings().contains("folder"));
}

void WebServerWindowTest::localNetworkIsAnExplicitChoice() {
    {
        AnsweringWindow window;
        window.setFolder(m_site.path());
        window.setPort(freePort());
        window.findChild<QCheckBox*>("lanCheck")->setChecked(true);
        QVERIFY(window.startServing());
        QVERIFY(!window.findChild<QCheckBox*>("lanCheck")->isEnabled());
        QCOMPARE(fetch(m_manager, QUrl(window.server()->localUrl())).status, 200);
    }
    // The choice is not remembered: the next start is local-only again.
    ServerWindow window;
    QVERIFY(!window.findChild<QCheckBox*>("lanCheck")->isChecked());
}

void WebServerWindowTest::keysReachTheWindowAgainAfterAMessage() {
    // A real message box, closed with Escape as a person would: keys typed afterwards go to the
    // window again, also where no window manager hands the focus back.
    modules::returnFocusAfterDialogs(*qApp);
    ServerWindow window;
    window.setFolder(m_site.filePath("gone"));
    window.setPort(freePort());
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto* folder = window.findChild<QLineEdit*>();
    QVERIFY(folder);
    folder->setFocus();
    QTimer::singleShot(0, [] {
        QWidget* message = QApplication::activeModalWidget();
        QVERIFY(message);
        QTest::keyClick(message, Qt::Key_Escape);
    });
    QVERIFY(!window.startServing());
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(&window));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(folder));
}

QTEST_MAIN(WebServerWindowTest)
#include "tst_webserver_window.moc"
