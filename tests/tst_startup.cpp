// Start-up: the splash window, its timer and the main window it brings up.

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <QTimer>

#include "app/frmMain.h"
#include "app/frmSplash.h"
#include "app/modGeneral.h"
#include "documents/frmDocument.h"
#include "tests/support/TestEnv.h"

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void mainShowsSplashThenMainWindowOnce() {
        TestEnv env;
        modGeneral::Main();
        frmSplash* splash = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* s = qobject_cast<frmSplash*>(w))
                splash = s;
        QVERIFY(splash);
        QVERIFY(splash->isVisible());
        QCOMPARE(splash->Timer->interval(), 1500);
        QVERIFY(splash->Timer->isActive());
        QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(splash->lblTitle->text(), QStringLiteral("Tarvelon's Webrix"));
        QCOMPARE(splash->lblVersion->text(), QStringLiteral("v1.20"));
        QCOMPARE(splash->lblDesignedFor->text(), QStringLiteral("Designed for:"));
        QVERIFY(!splash->imgWinLogo->pixmap().isNull());
        QCOMPARE(modGeneral::MainWindow(), nullptr);

        QTRY_VERIFY_WITH_TIMEOUT(modGeneral::MainWindow() != nullptr, 5000);
        frmMain* main = modGeneral::MainWindow();
        QTRY_VERIFY(main->isVisible());
        QCOMPARE(main->ChildForms().size(), 1);
        QCOMPARE(qobject_cast<frmDocument*>(main->ChildForms().first())->Caption(),
                 QStringLiteral("Dokumentum 1"));

        // The timer acted once: no second main window ever appears.
        QTest::qWait(1700);
        int mains = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<frmMain*>(w) && w->isVisible())
                ++mains;
        QCOMPARE(mains, 1);
        main->setQuitOnUnload(false);
        delete main;
    }
};

WEBRIX_TEST_MAIN(StartupTest)
#include "tst_startup.moc"
