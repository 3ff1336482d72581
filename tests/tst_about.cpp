// The About box: its look, closing it, the links, and the system-information button.

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
const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");

// Sets an environment variable for one test and puts the old value back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
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
        QCOMPARE(dialog.size(), QSize(twipsToPixelsX(5730), twipsToPixelsY(4800)));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QVERIFY(!(dialog.windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(dialog.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(dialog.windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(!dialog.windowIcon().isNull());
        QCOMPARE(dialog.picIcon->pixmap().size(), QSize(32, 32));
        QCOMPARE(dialog.picIcon->geometry().topLeft(), twipsRect(240, 240, 540, 540).topLeft());

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
        QCOMPARE(dialog.cmdSysInfo->geometry(), twipsRect(3000, 4080, 2655, 375));

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
        QCOMPARE(dialog.hypEmail->geometry().topLeft(), twipsRect(1680, 3360, 0, 0).topLeft());
    }

    void etchedLinesAreDrawn() {
        TestEnv env;
        frmAbout dialog;
        const QImage image = dialog.grab().toImage();
        const int x = twipsToPixelsX(3000);
        const QColor grey(128, 128, 128);
        const QColor base = dialog.palette().color(QPalette::Base);
        const int line1 = twipsToPixelsY(2280);
        QCOMPARE(image.pixelColor(x, line1), grey);
        QCOMPARE(image.pixelColor(x, line1 + 1), QColor(Qt::white));
        const int line2 = twipsToPixelsY(2880);
        QCOMPARE(image.pixelColor(x, line2), grey);
        QCOMPARE(image.pixelColor(x, line2 + 1), base);
        // Both end inside the window, short of its edges.
        QVERIFY(image.pixelColor(twipsToPixelsX(60), line1) != grey);
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
        QAction* item = main->menuItem(QStringLiteral("mnuHelpAbout"));
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
        connect(&dialog, &frmAbout::linkRequested, main, &frmMain::openLinkWindow);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const qsizetype before = main->childForms().size();
        QTest::mouseClick(dialog.hypHomepage, Qt::LeftButton);
        QCOMPARE(main->childForms().size(), before + 1);
        QTest::mouseClick(dialog.hypHomepage, Qt::LeftButton);
        QCOMPARE(main->childForms().size(), before + 2);
        QTest::mouseClick(dialog.hypEmail, Qt::LeftButton);
        QCOMPARE(main->childForms().size(), before + 3);
        // The bug-report label has no handler of its own.
        QTest::mouseClick(dialog.vbwHyperlink1, Qt::LeftButton);
        QCOMPARE(main->childForms().size(), before + 3);
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

    void registryValuesDecodeToText() {
        QString result = QStringLiteral("előtte");
        Registry::decodeValue(Registry::TypeString, QByteArray("C:\\a b", 7), result);
        QCOMPARE(result, QStringLiteral("C:\\a b"));
        Registry::decodeValue(Registry::TypeString, QByteArray("C:\\a b\0", 7), result);
        QCOMPARE(result, QStringLiteral("C:\\a b"));
        Registry::decodeValue(Registry::TypeString, QByteArray("ab\0\0", 4), result);
        QCOMPARE(result, QString(QStringLiteral("ab") + QChar(0))); // only one zero is dropped
        Registry::decodeValue(Registry::TypeString, {}, result);
        QCOMPARE(result, QString());

        Registry::decodeValue(Registry::TypeDword, QByteArray("\x1f\x00\x01\x00", 4), result);
        QCOMPARE(result, QStringLiteral("&h1001F"));
        Registry::decodeValue(Registry::TypeDword, QByteArray("\x78\x56\x34\x12", 4), result);
        QCOMPARE(result, QStringLiteral("&h12345678"));
        Registry::decodeValue(Registry::TypeDword, QByteArray(4, '\0'), result);
        QCOMPARE(result, QStringLiteral("&h0"));

        result = QStringLiteral("as passed");
        Registry::decodeValue(3, QByteArray("xyz"), result); // binary
        QCOMPARE(result, QStringLiteral("as passed"));
    }

    void desktopProgramIsFoundInPath() {
#ifdef Q_OS_WIN
        QSKIP("Windows finds the tool through its registry.");
#endif
        TestEnv env;
        const QString bin = env.path(QStringLiteral("bin"));
        QVERIFY(writeProgram(bin + QStringLiteral("/kinfocenter"), env.path("kde.log")));
        QVERIFY(writeProgram(bin + QStringLiteral("/gnome-system-monitor"), env.path("gnome.log")));
        ScopedEnv path("PATH", QFile::encodeName(bin));
        {
            ScopedEnv desktop("XDG_CURRENT_DESKTOP", "KDE");
            QCOMPARE(desktopSystemInformationProgram(), bin + QStringLiteral("/kinfocenter"));
        }
        {
            // The running desktop's own tool comes first.
            ScopedEnv desktop("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
            QCOMPARE(desktopSystemInformationProgram(),
                     bin + QStringLiteral("/gnome-system-monitor"));
        }
        ScopedEnv nowhere("PATH", QFile::encodeName(env.path(QStringLiteral("empty"))));
        QCOMPARE(desktopSystemInformationProgram(), QString());
    }

    void sysInfoStartsTheDesktopProgram() {
#ifdef Q_OS_WIN
        QSKIP("The test programs are shell scripts.");
#endif
        TestEnv env;
        const QString bin = env.path(QStringLiteral("bin"));
        QVERIFY(writeProgram(bin + QStringLiteral("/hardinfo"), env.path("sysinfo.log")));
        ScopedEnv path("PATH", QFile::encodeName(bin));

        frmAbout about;
        about.show();
        QTest::mouseClick(about.cmdSysInfo, Qt::LeftButton);
        QTRY_COMPARE(runs(env.path(QStringLiteral("sysinfo.log"))), 1);
        about.cmdSysInfo->click();
        QTRY_COMPARE(runs(env.path(QStringLiteral("sysinfo.log"))), 2);
        QVERIFY(env.messages.isEmpty());
        QVERIFY(about.isVisible()); // the About box stays open
    }

    void sysInfoUnavailable() {
#ifdef Q_OS_WIN
        QSKIP("The test programs are shell scripts.");
#endif
        TestEnv env;
        const QString bin = env.path(QStringLiteral("bin"));
        QDir().mkpath(bin + QStringLiteral("/kinfocenter")); // a folder is no program
        ScopedEnv path("PATH", QFile::encodeName(bin));

        frmAbout about;
        about.show();
        about.cmdSysInfo->click();
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].prompt, kUnavailable);
        QCOMPARE(env.messages[0].title, QStringLiteral("Tarvelon's Webrix"));
        QCOMPARE(env.messages[0].style, int(vbOKOnly));
        QVERIFY(about.isVisible());
    }

private:
    QList<QUrl> m_mailAddresses;
};

WEBRIX_TEST_MAIN(AboutTest)
#include "tst_about.moc"
