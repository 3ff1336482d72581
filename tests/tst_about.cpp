// The About box: its look, closing it, the links, and the system-information button against the
// stand-in registry.

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>

#include "app/frmMain.h"
#include "controls/HyperlinkLabel.h"
#include "controls/Twips.h"
#include "dialogs/Registry.h"
#include "dialogs/frmAbout.h"
#include "resources/Texts.h"
#include "tests/support/ModalDialogs.h"
#include "tests/support/TestEnv.h"

namespace {
const QString kMsinfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
constexpr quint32 HKLM = Registry::HKeyLocalMachine;
const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");

// Every test leaves the stand-in registry as it found it.
struct StandInGuard {
    StandInGuard() { Registry::StandIn::Clear(); }
    ~StandInGuard() { Registry::StandIn::Reset(); }
};

// A small program that appends a line to its log each time it runs.
bool writeProgram(const QString& path, const QString& log) {
    const QByteArray script = "#!/bin/sh\necho started >> '" + QFile::encodeName(log) + "'\n";
    if (!TestEnv::writeFile(path, script))
        return false;
    return QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner |
                                           QFile::ExeGroup | QFile::ExeOther);
}

int runs(const QString& log) {
    return int(TestEnv::readFile(log).count('\n'));
}

} // namespace

class AboutTest : public QObject {
    Q_OBJECT
public slots:
    // Stands in for the desktop's mail program while the tests run.
    void recordMailAddress(const QUrl& url) { m_mailAddresses << url; }

private slots:
    void layoutTextsAndFonts() {
        TestEnv env;
        frmAbout dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Névjegy..."));
        QCOMPARE(dialog.size(), QSize(TwipsToPixelsX(5730), TwipsToPixelsY(4800)));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QVERIFY(!(dialog.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(dialog.windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(!dialog.windowIcon().isNull());
        QCOMPARE(dialog.picIcon->pixmap().size(), QSize(32, 32));
        QCOMPARE(dialog.picIcon->geometry().topLeft(), TwipsRect(240, 240, 540, 540).topLeft());

        QCOMPARE(dialog.lblTitle->text(), QStringLiteral("Tarvelon's Webrix"));
        QCOMPARE(dialog.lblTitle->font().family(), QStringLiteral("Ashbury"));
        QVERIFY(dialog.lblTitle->font().pointSizeF() <= 24.0);
        QVERIFY(dialog.lblTitle->font().pointSizeF() >= 16.0);
        QVERIFY(!dialog.lblTitle->font().bold());
        QVERIFY(QFontMetrics(dialog.lblTitle->font()).horizontalAdvance(dialog.lblTitle->text()) <=
                dialog.lblTitle->width());
        QCOMPARE(dialog.lblVersion->text(), QStringLiteral("Verziószám: v1.20"));
        QCOMPARE(dialog.lblVersion->font().pointSizeF(), 9.75);
        QVERIFY(dialog.lblDescription->text().startsWith(
            QStringLiteral("Egy viszonylag jó HTML szerkesztő kezdőknek")));
        QVERIFY(dialog.lblDescription->wordWrap());
        QCOMPARE(dialog.lblDescription->font().pointSizeF(), 8.25);

        QCOMPARE(dialog.lblDisclaimer->text(),
                 QStringLiteral("Figyelem: a program nem megfelelő használatáért felelősséget "
                                "nem vállalok!"));
        QVERIFY(dialog.lblDisclaimer->font().bold());
        QCOMPARE(dialog.lblDisclaimer->palette().color(QPalette::WindowText), QColor(192, 0, 0));

        QCOMPARE(dialog.lblHomepage->text(), QStringLiteral("Honlap:"));
        QCOMPARE(dialog.lblEmail->text(), QStringLiteral("E-m@il:"));
        QCOMPARE(dialog.lblBugReporting->text(), QStringLiteral("Hibabejelentő:"));
        QCOMPARE(dialog.lblBugReporting->font().pointSizeF(), 9.75);
        QCOMPARE(dialog.cmdOK->text(), QStringLiteral("OK"));
        QCOMPARE(dialog.cmdSysInfo->text(), QStringLiteral("Rendszerinformáció..."));
        QVERIFY(dialog.cmdOK->isDefault());
        QCOMPARE(dialog.cmdSysInfo->geometry(), TwipsRect(3000, 4080, 2655, 375));

        // The links: bold, underlined, highlight colour, each with the maker's address.
        const QColor highlight = QApplication::palette().color(QPalette::Highlight);
        for (HyperlinkLabel* link : {dialog.hypHomepage, dialog.hypEmail, dialog.vbwHyperlink1}) {
            QCOMPARE(link->font().family(), QStringLiteral("Tahoma"));
            QCOMPARE(link->font().pointSizeF(), 9.75);
            QCOMPARE(link->font().weight(), QFont::Bold);
            QVERIFY(link->font().underline());
            QCOMPARE(link->palette().color(link->foregroundRole()), highlight);
            QVERIFY(!link->accessibleName().isEmpty());
            // The whole caption is visible inside the box.
            QVERIFY(QFontMetrics(link->font()).horizontalAdvance(link->text()) <= link->width());
            QVERIFY(link->geometry().right() < dialog.width());
        }
        QCOMPARE(dialog.hypHomepage->Address(), Texts::MakerHomePageAddress);
        QVERIFY(Texts::MakerHomePageAddress.contains(dialog.hypHomepage->Caption()));
        QCOMPARE(dialog.hypEmail->Caption(), Texts::MakerEmailAddress);
        QCOMPARE(dialog.vbwHyperlink1->Caption(), Texts::BugReportAddress);
        QCOMPARE(dialog.hypEmail->geometry().topLeft(), TwipsRect(1680, 3360, 0, 0).topLeft());
    }

    void etchedLinesAreDrawn() {
        TestEnv env;
        frmAbout dialog;
        const QImage image = dialog.grab().toImage();
        const int x = TwipsToPixelsX(3000);
        const QColor grey(128, 128, 128);
        const QColor base = dialog.palette().color(QPalette::Base);
        const int line1 = TwipsToPixelsY(2280);
        QCOMPARE(image.pixelColor(x, line1), grey);
        QCOMPARE(image.pixelColor(x, line1 + 1), QColor(Qt::white));
        const int line2 = TwipsToPixelsY(2880);
        QCOMPARE(image.pixelColor(x, line2), grey);
        QCOMPARE(image.pixelColor(x, line2 + 1), base);
        // Both end inside the window, short of its edges.
        QVERIFY(image.pixelColor(TwipsToPixelsX(60), line1) != grey);
        QVERIFY(image.pixelColor(dialog.width() - 2, line2) != grey);
    }

    void okEnterEscAndCloseBoxCloseIt() {
        TestEnv env;
        frmAbout dialog;
        const auto closesWith = [&](const std::function<void()>& action) {
            dialog.show();
            if (!QTest::qWaitForWindowExposed(&dialog))
                return false;
            action();
            return !dialog.isVisible();
        };
        QVERIFY(closesWith([&] { QTest::mouseClick(dialog.cmdOK, Qt::LeftButton); }));
        QVERIFY(closesWith([&] { QTest::keyClick(&dialog, Qt::Key_Return); }));
        QVERIFY(closesWith([&] { QTest::keyClick(&dialog, Qt::Key_Enter, Qt::KeypadModifier); }));
        QVERIFY(closesWith([&] { QTest::keyClick(&dialog, Qt::Key_Escape); }));
        QVERIFY(closesWith([&] { dialog.close(); }));
        QVERIFY(env.messages.isEmpty());
    }

    void menuShowsTheBoxModalOverTheMainWindow() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        QAction* item = main->MenuItem(QStringLiteral("mnuHelpAbout"));
        QVERIFY(item);
        QCOMPARE(item->shortcut(), QKeySequence(QStringLiteral("Ctrl+A")));
        for (int showing = 0; showing < 2; ++showing) {
            bool seen = false;
            QWidget* owner = nullptr;
            bool modal = false;
            whenModalShows([&](QWidget* widget) {
                seen = qobject_cast<frmAbout*>(widget) != nullptr;
                owner = widget->parentWidget();
                modal = widget->windowModality() == Qt::ApplicationModal;
                QTest::keyClick(widget, Qt::Key_Escape);
                if (widget->isVisible())
                    widget->close();
            });
            item->trigger();
            QVERIFY(seen);
            QCOMPARE(owner, main);
            QVERIFY(modal);
        }
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
    }

    void linksOpenOneWindowPerClick() {
        TestEnv env;
        m_mailAddresses.clear();
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), this, "recordMailAddress");
        const auto restore =
            qScopeGuard([] { QDesktopServices::unsetUrlHandler(QStringLiteral("mailto")); });
        frmMain* main = env.createMainWindow();
        frmAbout dialog(main);
        connect(&dialog, &frmAbout::linkRequested, main, &frmMain::OpenLinkWindow);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const qsizetype before = main->ChildForms().size();
        QTest::mouseClick(dialog.hypHomepage, Qt::LeftButton);
        QCOMPARE(main->ChildForms().size(), before + 1);
        QTest::mouseClick(dialog.hypHomepage, Qt::LeftButton);
        QCOMPARE(main->ChildForms().size(), before + 2);
        QTest::mouseClick(dialog.hypEmail, Qt::LeftButton);
        QCOMPARE(main->ChildForms().size(), before + 3);
        // The bug-report label has no handler of its own.
        QTest::mouseClick(dialog.vbwHyperlink1, Qt::LeftButton);
        QCOMPARE(main->ChildForms().size(), before + 3);
        QVERIFY(dialog.isVisible());
        QVERIFY(env.messages.isEmpty());
        // A browser that hands the e-mail link on gives it the maker's address.
        (void)QTest::qWaitFor([this] { return !m_mailAddresses.isEmpty(); }, 2000);
        for (const QUrl& address : std::as_const(m_mailAddresses))
            QCOMPARE(address, QUrl(QStringLiteral("mailto:") + Texts::MakerEmailAddress));
        dialog.cmdOK->click();
    }

    void hyperlinkReportsOnlyACompleteClick() {
        TestEnv env;
        frmAbout dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        int clicks = 0;
        connect(dialog.vbwHyperlink1, &HyperlinkLabel::Click, this, [&] { ++clicks; });
        QTest::mouseClick(dialog.vbwHyperlink1, Qt::LeftButton);
        QCOMPARE(clicks, 1);
        QTest::mouseClick(dialog.vbwHyperlink1, Qt::RightButton);
        QCOMPARE(clicks, 1);
        // Pressed on the label but released outside it.
        QTest::mousePress(dialog.vbwHyperlink1, Qt::LeftButton);
        QTest::mouseRelease(dialog.vbwHyperlink1, Qt::LeftButton, {},
                            QPoint(dialog.vbwHyperlink1->width() + 20, 2));
        QCOMPARE(clicks, 1);
    }

    void getKeyValueReadsStringsAndNumbers() {
        TestEnv env;
        StandInGuard registry;
        frmAbout about;
        const QString key = QStringLiteral("SOFTWARE\\Webrix\\Test");
        Registry::StandIn::SetString(HKLM, key, QStringLiteral("Zero"), QStringLiteral("C:\\a b"),
                                     true);
        Registry::StandIn::SetString(HKLM, key, QStringLiteral("NoZero"), QStringLiteral("C:\\a b"),
                                     false);
        Registry::StandIn::SetValue(HKLM, key, QStringLiteral("TwoZeros"), Registry::TypeString,
                                    QByteArray("ab\0\0", 4));
        Registry::StandIn::SetValue(HKLM, key, QStringLiteral("Empty"), Registry::TypeString, {});
        Registry::StandIn::SetValue(HKLM, key, QStringLiteral("Number"), Registry::TypeDword,
                                    QByteArray("\x1f\x00\x01\x00", 4));
        Registry::StandIn::SetValue(HKLM, key, QStringLiteral("Big"), Registry::TypeDword,
                                    QByteArray("\x78\x56\x34\x12", 4));
        Registry::StandIn::SetValue(HKLM, key, QStringLiteral("Nothing"), Registry::TypeDword,
                                    QByteArray(4, '\0'));
        Registry::StandIn::SetValue(HKLM, key, QStringLiteral("Binary"), 3, QByteArray("xyz"));
        Registry::StandIn::SetValue(HKLM, key, QStringLiteral("Long"), Registry::TypeString,
                                    QByteArray(1025, 'x'));
        Registry::StandIn::SetValue(HKLM, key, QStringLiteral("Full"), Registry::TypeString,
                                    QByteArray(1024, 'y'));

        QString result = QStringLiteral("előtte");
        QVERIFY(about.GetKeyValue(HKLM, key, QStringLiteral("Zero"), result));
        QCOMPARE(result, QStringLiteral("C:\\a b"));
        QVERIFY(about.GetKeyValue(HKLM, key, QStringLiteral("NoZero"), result));
        QCOMPARE(result, QStringLiteral("C:\\a b"));
        QVERIFY(about.GetKeyValue(HKLM, key, QStringLiteral("TwoZeros"), result));
        QCOMPARE(result, QString(QStringLiteral("ab") + QChar(0))); // only one zero is dropped
        QVERIFY(about.GetKeyValue(HKLM, key, QStringLiteral("Empty"), result));
        QCOMPARE(result, QString());
        // Key paths and names are found regardless of case, as in the system registry.
        QVERIFY(about.GetKeyValue(HKLM, key.toUpper(), QStringLiteral("zero"), result));
        QCOMPARE(result, QStringLiteral("C:\\a b"));

        QVERIFY(about.GetKeyValue(HKLM, key, QStringLiteral("Number"), result));
        QCOMPARE(result.left(2), QStringLiteral("&h"));
        QCOMPARE(result.mid(2).toUInt(nullptr, 16), 0x1001Fu);
        QVERIFY(about.GetKeyValue(HKLM, key, QStringLiteral("Big"), result));
        QCOMPARE(result.mid(2).toUInt(nullptr, 16), 0x12345678u);
        QVERIFY(about.GetKeyValue(HKLM, key, QStringLiteral("Nothing"), result));
        QCOMPARE(result.mid(2).toUInt(nullptr, 16), 0u);

        result = QStringLiteral("as passed");
        QVERIFY(about.GetKeyValue(HKLM, key, QStringLiteral("Binary"), result));
        QCOMPARE(result, QStringLiteral("as passed"));

        QVERIFY(about.GetKeyValue(HKLM, key, QStringLiteral("Full"), result));
        QCOMPARE(result.size(), 1024);
        result = QStringLiteral("as passed");
        QVERIFY(!about.GetKeyValue(HKLM, key, QStringLiteral("Long"), result));
        QCOMPARE(result, QString());

        result = QStringLiteral("as passed");
        QVERIFY(!about.GetKeyValue(HKLM, key, QStringLiteral("Missing"), result));
        QCOMPARE(result, QString());
        result = QStringLiteral("as passed");
        QVERIFY(!about.GetKeyValue(HKLM, key + QStringLiteral("\\Sub"), QStringLiteral("Zero"),
                                   result));
        QCOMPARE(result, QString());
        QVERIFY(!about.GetKeyValue(0x80000001u, key, QStringLiteral("Zero"), result));
    }

    void standInAnswersWithTheDesktopProgram() {
        TestEnv env;
        Registry::StandIn::Reset();
        frmAbout about;
        const QString program = Registry::StandIn::DesktopSystemInformationProgram();
        QString result;
        const bool read = about.GetKeyValue(HKLM, kMsinfoKey, QStringLiteral("PATH"), result);
#ifdef Q_OS_WIN
        Q_UNUSED(read);
        QVERIFY(program.isEmpty() || QFileInfo(program).isExecutable());
#else
        QCOMPARE(read, !program.isEmpty());
        QCOMPARE(result, QDir::toNativeSeparators(program));
        if (!program.isEmpty())
            QVERIFY(QFileInfo(program).isExecutable());
#endif
    }

    void sysInfoStartsTheFirstKeysProgram() {
#ifdef Q_OS_WIN
        QSKIP("The test programs are shell scripts.");
#endif
        TestEnv env;
        StandInGuard registry;
        const QString first = env.path(QStringLiteral("tools/sysinfo"));
        const QString folder = env.path(QStringLiteral("msinfo"));
        QVERIFY(writeProgram(first, env.path(QStringLiteral("first.log"))));
        QVERIFY(writeProgram(folder + QStringLiteral("/MSINFO32.EXE"),
                             env.path(QStringLiteral("second.log"))));
        Registry::StandIn::SetString(HKLM, kMsinfoKey, QStringLiteral("PATH"), first);
        Registry::StandIn::SetString(HKLM, kLocationKey, QStringLiteral("MSINFO"), folder);

        frmAbout about;
        about.show();
        QTest::mouseClick(about.cmdSysInfo, Qt::LeftButton);
        QTRY_COMPARE(runs(env.path(QStringLiteral("first.log"))), 1);
        about.cmdSysInfo->click();
        QTRY_COMPARE(runs(env.path(QStringLiteral("first.log"))), 2);
        QTest::qWait(200);
        QCOMPARE(runs(env.path(QStringLiteral("second.log"))), 0);
        QVERIFY(env.messages.isEmpty());
        QVERIFY(about.isVisible()); // the About box stays open
    }

    void sysInfoFallsBackToTheSecondKey() {
#ifdef Q_OS_WIN
        QSKIP("The test programs are shell scripts.");
#endif
        TestEnv env;
        StandInGuard registry;
        const QString folder = env.path(QStringLiteral("msinfo"));
        QVERIFY(writeProgram(folder + QStringLiteral("/MSINFO32.EXE"),
                             env.path(QStringLiteral("second.log"))));
        // The first key exists but holds no "PATH".
        Registry::StandIn::AddKey(HKLM, kMsinfoKey);
        Registry::StandIn::SetString(HKLM, kLocationKey, QStringLiteral("MSINFO"), folder, false);
        frmAbout about;
        about.StartSysInfo();
        QTRY_COMPARE(runs(env.path(QStringLiteral("second.log"))), 1);
        QVERIFY(env.messages.isEmpty());
    }

    void sysInfoUnavailable_data() {
        QTest::addColumn<QString>("situation");
        QTest::newRow("empty registry") << "empty";
        QTest::newRow("first key names a missing file") << "first missing";
        QTest::newRow("first key empty") << "first empty";
        QTest::newRow("second key folder without the program") << "no program";
        QTest::newRow("second key folder holds a folder of that name") << "folder";
        QTest::newRow("second key names a missing folder") << "no folder";
        QTest::newRow("second key is a number") << "number";
    }
    void sysInfoUnavailable() {
#ifdef Q_OS_WIN
        QSKIP("The test programs are shell scripts.");
#endif
        QFETCH(QString, situation);
        TestEnv env;
        StandInGuard registry;
        const QString folder = env.path(QStringLiteral("msinfo"));
        QDir().mkpath(folder);
        const QString secondLog = env.path(QStringLiteral("second.log"));
        if (situation == QLatin1String("first missing") ||
            situation == QLatin1String("first empty")) {
            // A working second location must not be tried after the first one.
            QVERIFY(writeProgram(folder + QStringLiteral("/MSINFO32.EXE"), secondLog));
            Registry::StandIn::SetString(HKLM, kMsinfoKey, QStringLiteral("PATH"),
                                         situation == QLatin1String("first empty")
                                             ? QString()
                                             : env.path(QStringLiteral("gone/msinfo32")));
            Registry::StandIn::SetString(HKLM, kLocationKey, QStringLiteral("MSINFO"), folder);
        } else if (situation == QLatin1String("no program")) {
            Registry::StandIn::SetString(HKLM, kLocationKey, QStringLiteral("MSINFO"), folder);
        } else if (situation == QLatin1String("folder")) {
            QDir().mkpath(folder + QStringLiteral("/MSINFO32.EXE"));
            Registry::StandIn::SetString(HKLM, kLocationKey, QStringLiteral("MSINFO"), folder);
        } else if (situation == QLatin1String("no folder")) {
            Registry::StandIn::SetString(HKLM, kLocationKey, QStringLiteral("MSINFO"),
                                         env.path(QStringLiteral("nowhere")));
        } else if (situation == QLatin1String("number")) {
            Registry::StandIn::SetValue(HKLM, kLocationKey, QStringLiteral("MSINFO"),
                                        Registry::TypeDword, QByteArray(4, '\0'));
        }

        frmAbout about;
        about.show();
        about.cmdSysInfo->click();
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].prompt, kUnavailable);
        QCOMPARE(env.messages[0].title, QStringLiteral("Tarvelon's Webrix"));
        QCOMPARE(env.messages[0].style, int(vbOKOnly));
        QVERIFY(about.isVisible());
        QTest::qWait(200);
        QCOMPARE(runs(secondLog), 0);
    }

private:
    QList<QUrl> m_mailAddresses;
};

WEBRIX_TEST_MAIN(AboutTest)
#include "tst_about.moc"
