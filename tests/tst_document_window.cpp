// The document window: numbering, the per-window unchanged flag, the editor's layout and the
// missing Close command.

#include <QMenu>
#include <QSignalSpy>

#include "app/frmMain.h"
#include "controls/Twips.h"
#include "controls/WindowStyle.h"
#include "tests/DocumentTestSupport.h"
#include "tests/support/TestEnv.h"

using namespace DocumentTest;

class DocumentWindowTest : public QObject {
    Q_OBJECT
private slots:
    void numbersRunOnAndAreNeverReused() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        QCOMPARE(captions(main), QStringList({"Dokumentum 1"}));
        runCommand(main, "mnuFileNew");
        runCommand(main, "mnuFileNew");
        runCommand(main, "mnuFileNew");
        QCOMPARE(captions(main),
                 QStringList({"Dokumentum 1", "Dokumentum 2", "Dokumentum 3", "Dokumentum 4"}));

        main->MDIClient()->setActiveSubWindow(main->childForms().at(2));
        runCommand(main, "mnuFileClose");
        runCommand(main, "mnuFileNew");
        QCOMPARE(main->activeDocument()->Caption(), QStringLiteral("Dokumentum 5"));

        // Every window gone: numbering still goes on.
        while (main->ActiveForm())
            runCommand(main, "mnuFileClose");
        runCommand(main, "mnuFileNew");
        QCOMPARE(captions(main), QStringList({"Dokumentum 6"}));
        QCOMPARE(main->documentCounter(), 6);
    }

    void aNewWindowIsActiveAndReadyToType() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        runCommand(main, "mnuFileNew");
        frmDocument* document = main->activeDocument();
        QCOMPARE(document->objectName(), QStringLiteral("frmDocument"));
        QCOMPARE(document->rtfDocument->objectName(), QStringLiteral("rtfDocument"));
        QCOMPARE(document->accessibleName(), QStringLiteral("Dokumentum 2"));
        QVERIFY(!document->windowIcon().isNull());
        QCOMPARE(document->rtfDocument->Text(), QString());
        QTRY_VERIFY(document->rtfDocument->hasFocus());
        QTest::keyClicks(document->rtfDocument, QStringLiteral("<p>"));
        QCOMPARE(document->rtfDocument->Text(), QStringLiteral("<p>"));
    }

    void eachWindowKeepsItsOwnUnchangedFlag() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        frmDocument* first = main->activeDocument();
        QVERIFY(first->unchanged());
        QTest::keyClicks(first->rtfDocument, QStringLiteral("x"));
        QVERIFY(!first->unchanged());

        runCommand(main, "mnuFileNew");
        frmDocument* second = main->activeDocument();
        QVERIFY(second->unchanged());
        QVERIFY(!first->unchanged()); // a new window does not forget the first one's edit

        second->rtfDocument->setSelText(QStringLiteral("y"));
        QVERIFY(!second->unchanged());

        // Colouring is no edit.
        runCommand(main, "mnuFileNew");
        frmDocument* third = main->activeDocument();
        runCommand(main, "mnuExtrasColorHTML");
        QVERIFY(third->unchanged());
    }

    void theEditorKeeps100TwipsOfMargin() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        main->resize(900, 700);
        frmDocument* document = main->activeDocument();
        QWidget* client = document->widget();
        RichTextBox* editor = document->rtfDocument;

        auto expected = [client] {
            return twipsRect(100, 100, pixelsToTwipsX(client->width()) - 200,
                             pixelsToTwipsY(client->height()) - 200);
        };
        document->resize(400, 300);
        QTRY_COMPARE(editor->geometry(), expected());
        const QRect normal = editor->geometry();
        QVERIFY(normal.width() > 0 && normal.height() > 0);

        // Too small for the margins: the editor stays where it was.
        const int frameHeight = document->height() - client->height();
        document->resize(400, frameHeight + twipsToPixelsY(100));
        QTRY_VERIFY(client->height() < twipsToPixelsY(200));
        QCOMPARE(editor->geometry(), normal);

        document->resize(500, 400);
        QTRY_COMPARE(editor->geometry(), expected());
        QVERIFY(editor->geometry() != normal);
    }

    void theWindowHasNoCloseCommand() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        frmDocument* document = main->activeDocument();
        QMenu* menu = document->systemMenu();
        QVERIFY(menu);
        const QList<QAction*> actions = menu->actions();
        QVERIFY(!actions.isEmpty());
        for (QAction* action : actions)
            QVERIFY2(!action->shortcuts().contains(QKeySequence(QKeySequence::Close)),
                     qPrintable(action->text()));
        QVERIFY(!actions.last()->isSeparator()); // nor the separator above it
        QVERIFY(document->property(WindowStyle::NoCloseBoxProperty).toBool());
    }

    void onlyFileCloseClosesADocument() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        frmDocument* document = main->activeDocument();
        QSignalSpy destroyed(document, &QObject::destroyed);

        QVERIFY(!document->close());
        document->rtfDocument->setFocus();
        QTest::keyClick(document->rtfDocument, Qt::Key_F4, Qt::ControlModifier);
        QTest::keyClick(document, Qt::Key_F4, Qt::ControlModifier);
        main->MDIClient()->closeActiveSubWindow();
        main->MDIClient()->closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        QCOMPARE(destroyed.size(), 0);
        QCOMPARE(main->childForms().size(), 1);
        QVERIFY(document->isVisible());

        runCommand(main, "mnuFileClose");
        QCOMPARE(destroyed.size(), 1);
    }
};

WEBRIX_TEST_MAIN(DocumentWindowTest)
#include "tst_document_window.moc"
