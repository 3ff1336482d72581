// What a desktop shows of the windows, read from a real X server (Xvfb) rather than the offscreen
// platform: the titles the window manager gets, the menu bar's rows at the default size, the
// status bar's date. Skipped, with the reason, where Xvfb or xprop is missing.

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>

#include "app/frmMain.h"
#include "controls/StatusBar.h"
#include "controls/Twips.h"
#include "controls/WrappingMenuBar.h"
#include "documents/frmDocument.h"
#include "tests/support/ModalDialogs.h"
#include "tests/support/TestEnv.h"

namespace {

// An X server of the test's own, on a display number the server picks itself.
class XvfbServer {
public:
    XvfbServer() {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (program.isEmpty()) {
            m_problem = QStringLiteral("Xvfb is not installed (package xvfb)");
            return;
        }
        if (QStandardPaths::findExecutable(QStringLiteral("xprop")).isEmpty()) {
            m_problem = QStringLiteral("xprop is not installed (package x11-utils)");
            return;
        }
        m_process.setProgram(program);
        m_process.setArguments(
            {"-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"});
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.start();
        QByteArray number;
        while (!number.contains('\n') && m_process.waitForReadyRead(10000))
            number += m_process.readAllStandardOutput();
        bool ok = false;
        number.trimmed().toInt(&ok);
        if (!ok) {
            m_problem = QStringLiteral("Xvfb did not start");
            stop();
            return;
        }
        m_display = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
    }
    ~XvfbServer() { stop(); }

    bool running() const { return !m_display.isEmpty(); }
    QString display() const { return m_display; }
    QString problem() const { return m_problem; }

private:
    void stop() {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(5000);
    }

    QProcess m_process;
    QString m_display;
    QString m_problem;
};

QString& skipReason() {
    static QString reason;
    return reason;
}

// The title the window manager is given for a top-level window (_NET_WM_NAME).
QString windowManagerTitle(const QWidget* window) {
    QProcess xprop;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    xprop.setProcessEnvironment(environment);
    xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window->winId()),
                                          QStringLiteral("_NET_WM_NAME")});
    if (!xprop.waitForFinished(5000))
        return QStringLiteral("(xprop did not answer)");
    // _NET_WM_NAME(UTF8_STRING) = "text", with \" and \\ escaped.
    const QString line = QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
    const qsizetype first = line.indexOf(QLatin1Char('"'));
    const qsizetype last = line.lastIndexOf(QLatin1Char('"'));
    if (first < 0 || last <= first)
        return line;
    QString title;
    const QString quoted = line.mid(first + 1, last - first - 1);
    for (qsizetype i = 0; i < quoted.size(); ++i) {
        if (quoted[i] == QLatin1Char('\\') && i + 1 < quoted.size())
            ++i;
        title += quoted[i];
    }
    return title;
}

frmDocument* document(frmMain* main, int index) {
    return qobject_cast<frmDocument*>(main->MDIClient()->subWindowList()[index]);
}

QStringList plainTitles(const QMenuBar* bar) {
    QStringList titles;
    for (QAction* top : bar->actions())
        titles << top->text().remove(QLatin1Char('&'));
    return titles;
}

} // namespace

class DesktopTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        if (!skipReason().isEmpty())
            QSKIP(qPrintable(skipReason()));
    }

    void titlesReadExactlyAsSet() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        QTRY_COMPARE(windowManagerTitle(main), QStringLiteral("Tarvelon's Webrix"));

        // A maximised document shows its caption in the main window's title, and nothing more.
        document(main, 0)->showMaximized();
        QVERIFY(main->windowTitle().contains(QStringLiteral("[Dokumentum 1]")));
        QTRY_COMPARE(windowManagerTitle(main), main->windowTitle());
        document(main, 0)->showNormal();
        QTRY_COMPARE(windowManagerTitle(main), QStringLiteral("Tarvelon's Webrix"));

        // A message box shows its own title only.
        setMsgBoxHook(nullptr);
        QString boxTitle;
        whenModalShows([&boxTitle](QWidget* box) {
            QTRY_VERIFY(!windowManagerTitle(box).isEmpty());
            boxTitle = windowManagerTitle(box);
            box->close();
        });
        main->menuItem(QStringLiteral("mnuHelpContents"))->trigger();
        QCOMPARE(boxTitle, QStringLiteral("HIBA"));
    }

    void everyMenuTitleIsInSightAtTheDefaultSize() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        QCOMPARE(main->size(), QSize(twipsToPixelsX(6500), twipsToPixelsY(6500)));
        auto* bar = qobject_cast<WrappingMenuBar*>(main->menuBar());
        QVERIFY(bar);
        QTRY_VERIFY(bar->isVisible());
        QCOMPARE(plainTitles(bar), QStringList({"Fájl", "Szerkesztés", "Nézet", "Extrák", "Modulok",
                                                "Opciók", "Ablak", "Súgó"}));

        const auto checkTitles = [bar] {
            QList<QRect> places;
            for (QAction* top : bar->actions()) {
                const QRect place = bar->titleRect(top);
                if (place.isEmpty() || !bar->rect().contains(place))
                    return top->text() + QStringLiteral(" is out of sight");
                for (const QRect& other : places)
                    if (other.intersects(place))
                        return top->text() + QStringLiteral(" overlaps another title");
                places << place;
            }
            const auto* extension =
                bar->findChild<QToolButton*>(QStringLiteral("qt_menubar_ext_button"));
            if (extension && extension->isVisible() && !extension->size().isEmpty())
                return QStringLiteral("the arrow button shows");
            return QString();
        };
        QCOMPARE(checkTitles(), QString());
        QVERIFY(bar->rowCount() > 1); // too narrow for one row with the fonts here
        const int twoRows = bar->height();

        // A title of the second row opens its menu below itself, by mouse and by keyboard.
        QAction* help = main->findChild<QMenu*>(QStringLiteral("mnuHelp"))->menuAction();
        QMenu* helpMenu = help->menu();
        const QRect helpPlace = bar->titleRect(help);
        QTest::mouseClick(bar, Qt::LeftButton, {}, helpPlace.center());
        QTRY_VERIFY(helpMenu->isVisible());
        QCOMPARE(helpMenu->pos(), bar->mapToGlobal(helpPlace.bottomLeft() + QPoint(0, 1)));
        helpMenu->hide();
        QTRY_VERIFY(!helpMenu->isVisible());
        main->activateWindow();
        QTRY_VERIFY(main->isActiveWindow());
        QTest::keyClick(main, Qt::Key_S, Qt::AltModifier);
        QTRY_VERIFY(helpMenu->isVisible());
        QCOMPARE(helpMenu->pos(), bar->mapToGlobal(helpPlace.bottomLeft() + QPoint(0, 1)));
        QTest::keyClick(helpMenu, Qt::Key_Escape);
        QTRY_VERIFY(!helpMenu->isVisible());

        // Wide enough, one row; narrower again, two; every title in sight all the while.
        main->resize(1000, main->height());
        QTRY_COMPARE(bar->rowCount(), 1);
        QTRY_VERIFY(bar->height() < twoRows);
        QCOMPARE(checkTitles(), QString());
        main->resize(twipsToPixelsX(6500), main->height());
        QTRY_VERIFY(bar->rowCount() > 1);
        QTRY_COMPARE(bar->height(), twoRows);
        QCOMPARE(checkTitles(), QString());

        // A maximised document's buttons at the bar's corner leave the titles in sight too.
        document(main, 0)->showMaximized();
        QTRY_VERIFY(bar->cornerWidget(Qt::TopRightCorner) &&
                    bar->cornerWidget(Qt::TopRightCorner)->isVisible());
        QTRY_COMPARE(checkTitles(), QString());
    }

    void datePanelShowsTheWholeDate() {
        QLocale::setDefault(QLocale(QLocale::Hungarian, QLocale::Hungary));
        TestEnv env;
        frmMain* main = env.createMainWindow();
        QLabel* date = main->statusBar()->Panel(2);
        QCOMPARE(date->text(), QLocale().toString(QDate::currentDate(), QLocale::ShortFormat));
        QTRY_VERIFY(date->isVisible());
        QVERIFY2(date->contentsRect().width() >=
                     date->fontMetrics().horizontalAdvance(date->text()),
                 qPrintable(QStringLiteral("%1 px for \"%2\"")
                                .arg(date->contentsRect().width())
                                .arg(date->text())));
        for (int panel = 3; panel <= 5; ++panel) {
            QLabel* label = main->statusBar()->Panel(panel);
            QVERIFY(label->contentsRect().width() >=
                    label->fontMetrics().horizontalAdvance(label->text()));
        }
        QLocale::setDefault(QLocale::system());
    }
};

int main(int argc, char** argv) {
    XvfbServer server;
    if (server.running()) {
        qputenv("DISPLAY", server.display().toLatin1());
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else {
        skipReason() = server.problem();
    }
    prepareWebEngineEnvironment();
    QApplication app(argc, argv);
    setUpApplication(app);
    DesktopTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktop.moc"
