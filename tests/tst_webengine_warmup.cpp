// The web engine's warm-up after start: it waits for a pause in the user's keys, starts the engine
// with a page out of sight, and the first browser window takes that page over without a trace of
// it (title, address list, history) or opens as usual.

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QMdiSubWindow>
#include <QOpenGLContext>
#include <QTemporaryDir>
#include <QWebEngineHistory>
#include <QWebEnginePage>

#include "app/frmMain.h"
#include "app/modGeneral.h"
#include "browser/WebBrowser.h"
#include "browser/WebEngineStart.h"
#include "browser/WebEngineWarmUp.h"
#include "browser/frmBuiltInBrowser.h"
#include "controls/RichTextBox.h"
#include "controls/Settings.h"
#include "documents/frmDocument.h"
#include "tests/support/TestEnv.h"

class WebEngineWarmUpTest : public QObject {
    Q_OBJECT
private slots:
    // The application object loads no graphics driver; the first engine object gets a real
    // shared context, never the stand-in that held its place.
    void graphicsWaitForTheEngine() {
        QVERIFY(WebEngineStart::graphicsDeferred());
        QOpenGLContext* standIn = WebEngineStart::sharedContext();
        QVERIFY(standIn);
        QVERIFY(!standIn->isValid());
        {
            WebBrowser browser;
            QVERIFY(!WebEngineStart::graphicsDeferred());
        }
        QVERIFY(WebEngineStart::sharedContext());
        QVERIFY(WebEngineStart::sharedContext() != standIn);
        WebEngineStart::profile(); // once made, it stays
        QVERIFY(!WebEngineStart::graphicsDeferred());
    }

    // Without a graphics card the pages are drawn without OpenGL; either way a page shows.
    void pagesAreDrawnWithOrWithoutAGraphicsCard() {
        QVERIFY(WebEngineStart::isSoftwareRenderer("llvmpipe (LLVM 15.0.6, 256 bits)"));
        QVERIFY(WebEngineStart::isSoftwareRenderer("Software Rasterizer"));
        QVERIFY(WebEngineStart::isSoftwareRenderer("GDI Generic"));
        QVERIFY(!WebEngineStart::isSoftwareRenderer("Mesa Intel(R) UHD Graphics 620 (KBL GT2)"));
        QVERIFY(!WebEngineStart::isSoftwareRenderer("NVIDIA GeForce GTX 1050/PCIe/SSE2"));
        QVERIFY(!WebEngineStart::isSoftwareRenderer("AMD Radeon RX 580 (radeonsi, polaris10)"));

        QWidget window;
        window.resize(300, 200);
        auto* browser = new WebBrowser(&window);
        browser->resize(300, 200);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        if (!qEnvironmentVariableIsSet("DISPLAY") && !qEnvironmentVariableIsSet("WAYLAND_DISPLAY"))
            QVERIFY(WebEngineStart::drawsInSoftware()); // no graphics driver at all
        bool loaded = false;
        connect(browser, &QWebEngineView::loadFinished, this, [&] { loaded = true; });
        browser->setHtml(QStringLiteral("<body style='background:#ff0000'></body>"));
        QTRY_VERIFY_WITH_TIMEOUT(loaded, 20000);
        const auto mostlyRed = [&] {
            const QImage shown = browser->grab().toImage();
            qsizetype red = 0;
            for (int y = 0; y < shown.height(); y += 4)
                for (int x = 0; x < shown.width(); x += 4)
                    red += shown.pixel(x, y) == qRgb(255, 0, 0);
            return red > qsizetype(shown.width() / 4) * (shown.height() / 4) / 2;
        };
        QTRY_VERIFY_WITH_TIMEOUT(mostlyRed(), 10000);
    }

    void waitsForAPauseThenStartsTheEngineOutOfSight() {
        TestEnv env;
        SaveSetting(modGeneral::appName(), QStringLiteral("Browser"), QStringLiteral("Home"),
                    QString());
        frmMain main;
        main.Load();
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        WebEngineWarmUp::schedule(&main);
        WebEngineWarmUp::schedule(&main); // once per program

        // Typing keeps it waiting.
        for (int i = 0; i < 8; ++i) {
            QTest::keyClick(main.activeDocument()->rtfDocument, Qt::Key_A);
            QTest::qWait(250);
        }
        QVERIFY(!WebEngineWarmUp::started());

        QTRY_VERIFY_WITH_TIMEOUT(WebEngineWarmUp::started(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(WebEngineWarmUp::finished(), 30000);
        // Nothing of it is on screen or among the windows.
        QCOMPARE(main.childForms().size(), 1);
        QCOMPARE(main.findChildren<QWebEnginePage*>().size(), 0);

        // A blank window has no use for the prepared page: it opens as usual and leaves it.
        main.menuItem(QStringLiteral("mnuExtrasBuiltInBrowser"))->trigger();
        QVERIFY(main.BuiltInBrowser);
        QCOMPARE(main.childForms().size(), 2);
        main.BuiltInBrowser->close();
        QTRY_VERIFY(!main.BuiltInBrowser);

        // A window with a start page takes it over; the blank page is in neither its title, its
        // address list nor its history, and Back stays where it is.
        QTemporaryDir pages;
        const QString start = pages.filePath(QStringLiteral("start.html"));
        QFile file(start);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<html><head><title>Kezdolap</title></head><body>Start</body></html>");
        file.close();
        const QString address = QUrl::fromLocalFile(start).toString();
        SaveSetting(modGeneral::appName(), QStringLiteral("Browser"), QStringLiteral("Home"),
                    address);
        main.menuItem(QStringLiteral("mnuExtrasBuiltInBrowser"))->trigger();
        auto* window = qobject_cast<frmBuiltInBrowser*>(main.BuiltInBrowser.data());
        QVERIFY(window);
        QVERIFY(window->brwWebBrowser->preparedInAdvance());
        QCOMPARE(window->brwWebBrowser->objectName(), QStringLiteral("brwWebBrowser"));
        QCOMPARE(window->brwWebBrowser->parentWidget(), window->widget());
        QVERIFY(window->brwWebBrowser->isVisible());
        QVERIFY(!WebEngineWarmUp::takePreparedBrowser()); // once only
        QTRY_COMPARE_WITH_TIMEOUT(window->windowTitle(), QStringLiteral("Kezdolap"), 20000);
        QCOMPARE(window->brwWebBrowser->history()->count(), 1);
        QCOMPARE(window->cboAddress->count(), 1);
        QCOMPARE(window->cboAddress->itemText(0), address);
        window->tbToolBar_ButtonClick(QStringLiteral("Back"));
        QTest::qWait(300);
        QCOMPARE(window->brwWebBrowser->LocationURL(), address);
        QCOMPARE(window->windowTitle(), QStringLiteral("Kezdolap"));
        window->close();
        main.setQuitOnUnload(false);
    }
};

WEBRIX_TEST_MAIN(WebEngineWarmUpTest)
#include "tst_webengine_warmup.moc"
