// File > Close and File > Exit, and the window system's close request on the main window.

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>

#include "app/frmMain.h"
#include "tests/DocumentTestSupport.h"
#include "tests/support/TestEnv.h"

using namespace DocumentTest;

namespace {
const QString kSaveQuestion = QStringLiteral("El akarod menteni a változtatásokat?");
const QString kNothingToClose = QStringLiteral("Nincs mit bezárnod!");
const QString kCloseFirst = QStringLiteral("Kilépés előtt zárj be minden dokumentumot!");

void typeText(frmMain* main, const QString& text) {
    QTest::keyClicks(activeEditor(main), text);
}
} // namespace

class CloseExitTest : public QObject {
    Q_OBJECT
private slots:
    void closeRightAfterStartAsksNothingThenSaysNothingIsOpen() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        runCommand(main, "mnuFileClose");
        QVERIFY(main->childForms().isEmpty());
        QVERIFY(env.messages.isEmpty());

        runCommand(main, "mnuFileClose");
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].prompt, kNothingToClose);
        QCOMPARE(env.messages[0].title, QStringLiteral("Tarvelon's Webrix"));
        QCOMPARE(env.messages[0].style, int(vbOKOnly));
        QCOMPARE(main->documentCounter(), 1);
    }

    void noClosesAnEditedDocumentWithoutWriting() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        typeText(main, QStringLiteral("x"));
        env.queueMessageAnswer(vbNo);
        runCommand(main, "mnuFileClose");

        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].prompt, kSaveQuestion);
        QCOMPARE(env.messages[0].style, int(vbYesNo)); // no icon
        QCOMPARE(env.messages[0].title, QStringLiteral("Tarvelon's Webrix"));
        QVERIFY(env.dialogs.isEmpty());
        QVERIFY(main->childForms().isEmpty());
        QCOMPARE(QDir(env.root()).entryList(QDir::Files), QStringList());
    }

    void yesOnAnUntitledDocumentSavesThenCloses() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        typeText(main, QStringLiteral("<i>x</i>"));
        const QString path = env.path("a.html");
        env.queueMessageAnswer(vbYes);
        env.queueFileAnswer(path);
        runCommand(main, "mnuFileClose");

        QCOMPARE(env.dialogs.size(), 1);
        QCOMPARE(env.dialogs[0].title, QStringLiteral("Mentés"));
        QCOMPARE(TestEnv::readFile(path), QByteArray("<i>x</i>"));
        QVERIFY(main->childForms().isEmpty());
    }

    void yesWhoseSaveIsCancelledKeepsTheWindow() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        typeText(main, QStringLiteral("fontos"));
        env.queueMessageAnswer(vbYes);
        env.queueFileCancel();
        runCommand(main, "mnuFileClose");

        QCOMPARE(env.dialogs.size(), 1);
        QCOMPARE(main->childForms().size(), 1);
        QCOMPARE(activeEditor(main)->Text(), QStringLiteral("fontos"));
        QCOMPARE(QDir(env.root()).entryList(QDir::Files), QStringList());
    }

    void yesOnABoundDocumentWritesItsFileAndCloses() {
        TestEnv env;
        const QString path = env.path("b.html");
        QVERIFY(TestEnv::writeFile(path, "regi"));
        frmMain* main = env.createMainWindow();
        env.queueFileAnswer(path);
        runCommand(main, "mnuFileOpenHTML");
        activeEditor(main)->setText(QStringLiteral("uj\r\nsor"));

        env.queueMessageAnswer(vbYes);
        runCommand(main, "mnuFileClose");

        QCOMPARE(env.dialogs.size(), 1); // only the open
        QCOMPARE(TestEnv::readFile(path), QByteArray("uj\r\nsor"));
        QCOMPARE(captions(main), QStringList({"Dokumentum 1"}));
    }

    void yesWhoseWriteFailsReportsItAndKeepsTheWindow() {
        TestEnv env;
        const QString path = env.path("mappa/b.html");
        QVERIFY(TestEnv::writeFile(path, "regi"));
        frmMain* main = env.createMainWindow();
        env.queueFileAnswer(path);
        runCommand(main, "mnuFileOpenHTML");
        QVERIFY(QDir(env.path("mappa")).removeRecursively());

        env.queueMessageAnswer(vbYes);
        runCommand(main, "mnuFileClose");

        QCOMPARE(env.messages.size(), 2);
        QVERIFY(env.messages[1].prompt.contains(native(path)));
        QCOMPARE(main->activeDocument()->Caption(), native(path));
        QCOMPARE(activeEditor(main)->Text(), QStringLiteral("regi"));
    }

    void aFreshlyOpenedOrSavedDocumentStillAsks() {
        TestEnv env;
        const QString path = env.path("c.html");
        QVERIFY(TestEnv::writeFile(path, "c"));
        frmMain* main = env.createMainWindow();
        env.queueFileAnswer(path);
        runCommand(main, "mnuFileOpenHTML");
        runCommand(main, "mnuFileSave");
        runCommand(main, "mnuFileClose"); // unanswered: No
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].prompt, kSaveQuestion);
        QCOMPARE(captions(main), QStringList({"Dokumentum 1"}));
    }

    void eachWindowRemembersItsOwnEdits() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        frmDocument* first = main->activeDocument();
        typeText(main, QStringLiteral("A"));
        runCommand(main, "mnuFileNew");
        frmDocument* second = main->activeDocument();

        // The untouched new window closes without a question...
        runCommand(main, "mnuFileClose");
        QVERIFY(env.messages.isEmpty());
        QCOMPARE(main->activeDocument(), first);

        // ...but the edit made before File > New is not forgotten.
        runCommand(main, "mnuFileNew");
        main->MDIClient()->setActiveSubWindow(first);
        runCommand(main, "mnuFileClose");
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].prompt, kSaveQuestion);
        Q_UNUSED(second);
    }

    void anotherKindOfChildClosesWithoutAQuestion() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        typeText(main, QStringLiteral("x"));
        QMdiSubWindow* other = addOtherChild(main);
        QSignalSpy destroyed(other, &QObject::destroyed);

        runCommand(main, "mnuFileClose");

        QVERIFY(env.messages.isEmpty());
        QCOMPARE(destroyed.size(), 1);
        QCOMPARE(captions(main), QStringList({"Dokumentum 1"}));
    }

    void exitRefusesWhileAnyChildIsOpen() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        QSignalSpy unloaded(main, &frmMain::unloaded);
        typeText(main, QStringLiteral("x"));
        runCommand(main, "mnuFileExit");
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].prompt, kCloseFirst);
        QCOMPARE(env.messages[0].style, int(vbOKOnly));
        QCOMPARE(env.messages[0].title, QStringLiteral("Tarvelon's Webrix"));
        QCOMPARE(main->childForms().size(), 1);

        // Only another kind of child left: still refused.
        runCommand(main, "mnuFileClose"); // answers No
        addOtherChild(main);
        runCommand(main, "mnuFileExit");
        QCOMPARE(env.messages.size(), 3);
        QCOMPARE(env.messages[2].prompt, kCloseFirst);
        QVERIFY(main->isVisible());
        QCOMPARE(unloaded.size(), 0);
        QVERIFY(!env.hasSetting("Settings", "MainLeft"));
    }

    void exitWithNothingOpenUnloadsAndStoresTheBounds() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        QSignalSpy unloaded(main, &frmMain::unloaded);
        main->move(300, 200);
        main->resize(640, 480);
        runCommand(main, "mnuFileClose");
        runCommand(main, "mnuFileExit");

        QCOMPARE(unloaded.size(), 1);
        QVERIFY(!main->isVisible());
        QVERIFY(env.messages.isEmpty());
        for (const char* key : {"MainLeft", "MainTop", "MainWidth", "MainHeight"})
            QVERIFY2(env.hasSetting("Settings", key), key);
        QVERIFY(env.storedSetting("Settings", "MainWidth").toDouble() > 0);
    }

    void theWindowSystemsCloseRequestIsExit() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        QSignalSpy unloaded(main, &frmMain::unloaded);

        QVERIFY(!main->close());
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].prompt, kCloseFirst);
        QCOMPARE(unloaded.size(), 0);
        QCOMPARE(main->childForms().size(), 1);

        runCommand(main, "mnuFileClose");
        QVERIFY(main->close());
        QCOMPARE(unloaded.size(), 1);
        QVERIFY(env.hasSetting("Settings", "MainHeight"));
    }
};

WEBRIX_TEST_MAIN(CloseExitTest)
#include "tst_close_exit.moc"
