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
        QCOMPARE(Captions(main), QStringList({"Dokumentum 1"}));
        Run(main, "mnuFileNew");
        Run(main, "mnuFileNew");
        Run(main, "mnuFileNew");
        QCOMPARE(Captions(main),
                 QStringList({"Dokumentum 1", "Dokumentum 2", "Dokumentum 3", "Dokumentum 4"}));

        main->MDIClient()->setActiveSubWindow(main->ChildForms().at(2));
        Run(main, "mnuFileClose");
        Run(main, "mnuFileNew");
        QCOMPARE(main->ActiveDocument()->Caption(), QStringLiteral("Dokumentum 5"));

        // Every window gone: numbering still goes on.
        while (main->ActiveForm())
            Run(main, "mnuFileClose");
        Run(main, "mnuFileNew");
        QCOMPARE(Captions(main), QStringList({"Dokumentum 6"}));
        QCOMPARE(main->DocumentCounter(), 6);
    }

    void aNewWindowIsActiveAndReadyToType() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        Run(main, "mnuFileNew");
        frmDocument* document = main->ActiveDocument();
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
        frmDocument* first = main->ActiveDocument();
        QVERIFY(first->Unchanged());
        QTest::keyClicks(first->rtfDocument, QStringLiteral("x"));
        QVERIFY(!first->Unchanged());

        Run(main, "mnuFileNew");
        frmDocument* second = main->ActiveDocument();
        QVERIFY(second->Unchanged());
        QVERIFY(!first->Unchanged()); // a new window does not forget the first one's edit

        second->rtfDocument->setSelText(QStringLiteral("y"));
        QVERIFY(!second->Unchanged());

        // Colouring is no edit.
        Run(main, "mnuFileNew");
        frmDocument* third = main->ActiveDocument();
        Run(main, "mnuExtrasColorHTML");
        QVERIFY(third->Unchanged());
    }

    void theEditorKeeps100TwipsOfMargin() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        main->resize(900, 700);
        frmDocument* document = main->ActiveDocument();
        QWidget* client = document->widget();
        RichTextBox* editor = document->rtfDocument;

        auto expected = [client] {
            return TwipsRect(100, 100, PixelsToTwipsX(client->width()) - 200,
                             PixelsToTwipsY(client->height()) - 200);
        };
        document->resize(400, 300);
        QTRY_COMPARE(editor->geometry(), expected());
        const QRect normal = editor->geometry();
        QVERIFY(normal.width() > 0 && normal.height() > 0);

        // Too small for the margins: the editor stays where it was.
        const int frameHeight = document->height() - client->height();
        document->resize(400, frameHeight + TwipsToPixelsY(100));
        QTRY_VERIFY(client->height() < TwipsToPixelsY(200));
        QCOMPARE(editor->geometry(), normal);

        document->resize(500, 400);
        QTRY_COMPARE(editor->geometry(), expected());
        QVERIFY(editor->geometry() != normal);
    }

    void theWindowHasNoCloseCommand() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        frmDocument* document = main->ActiveDocument();
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
        frmDocument* document = main->ActiveDocument();
        QSignalSpy destroyed(document, &QObject::destroyed);

        QVERIFY(!document->close());
        document->rtfDocument->setFocus();
        QTest::keyClick(document->rtfDocument, Qt::Key_F4, Qt::ControlModifier);
        QTest::keyClick(document, Qt::Key_F4, Qt::ControlModifier);
        main->MDIClient()->closeActiveSubWindow();
        main->MDIClient()->closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        QCOMPARE(destroyed.size(), 0);
        QCOMPARE(main->ChildForms().size(), 1);
        QVERIFY(document->isVisible());

        Run(main, "mnuFileClose");
        QCOMPARE(destroyed.size(), 1);
    }
};

WEBRIX_TEST_MAIN(DocumentWindowTest)
#include "tst_document_window.moc"
