// The web engine's warm-up after start: it waits for a pause in the user's keys, starts the engine
// with a page out of sight, lets the page go, and the first browser window then works as usual.

#include <QAction>
#include <QMdiSubWindow>
#include <QWebEnginePage>

#include "app/frmMain.h"
#include "app/modGeneral.h"
#include "browser/WebEngineWarmUp.h"
#include "browser/frmBuiltInBrowser.h"
#include "controls/RichTextBox.h"
#include "controls/Settings.h"
#include "documents/frmDocument.h"
#include "tests/support/TestEnv.h"

class WebEngineWarmUpTest : public QObject {
    Q_OBJECT
private slots:
    void waitsForAPauseThenStartsTheEngineOutOfSight() {
        TestEnv env;
        SaveSetting(modGeneral::AppName(), QStringLiteral("Browser"), QStringLiteral("Home"),
                    QString());
        frmMain main;
        main.Load();
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        WebEngineWarmUp::Schedule(&main);
        WebEngineWarmUp::Schedule(&main); // once per program

        // Typing keeps it waiting.
        for (int i = 0; i < 8; ++i) {
            QTest::keyClick(main.ActiveDocument()->rtfDocument, Qt::Key_A);
            QTest::qWait(250);
        }
        QVERIFY(!WebEngineWarmUp::Started());

        QTRY_VERIFY_WITH_TIMEOUT(WebEngineWarmUp::Started(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(WebEngineWarmUp::Finished(), 30000);
        // Nothing of it is left on screen or among the windows.
        QCOMPARE(main.ChildForms().size(), 1);
        QTRY_COMPARE(main.findChildren<QWebEnginePage*>().size(), 0);

        // The browser command still opens its window (a blank one: no address leaves the machine).
        main.MenuItem(QStringLiteral("mnuExtrasBuiltInBrowser"))->trigger();
        QVERIFY(main.BuiltInBrowser);
        QCOMPARE(main.ChildForms().size(), 2);
        main.BuiltInBrowser->close();
        main.setQuitOnUnload(false);
    }
};

WEBRIX_TEST_MAIN(WebEngineWarmUpTest)
#include "tst_webengine_warmup.moc"
