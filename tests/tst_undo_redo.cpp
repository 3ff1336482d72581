// Edit > Undo, Redo and Select all: what they do to the current document, when they are enabled,
// and their keys inside the editor.

#include <QSignalSpy>

#include "app/frmMain.h"
#include "tests/DocumentTestSupport.h"
#include "tests/support/TestEnv.h"

using namespace DocumentTest;

namespace {
bool itemEnabled(frmMain* main, const char* item) {
    return main->menuItem(QString::fromLatin1(item))->isEnabled();
}
} // namespace

class UndoRedoTest : public QObject {
    Q_OBJECT
private slots:
    void undoAndRedoFollowTheCurrentDocument() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        RichTextBox* first = activeEditor(main);
        QVERIFY(!itemEnabled(main, "mnuEditUndo"));
        QVERIFY(!itemEnabled(main, "mnuEditRedo"));

        first->setFocus();
        QTest::keyClicks(first, "abc");
        QVERIFY(itemEnabled(main, "mnuEditUndo"));
        QVERIFY(!itemEnabled(main, "mnuEditRedo"));

        runCommand(main, "mnuEditUndo");
        QCOMPARE(first->Text(), QString());
        QVERIFY(!itemEnabled(main, "mnuEditUndo"));
        QVERIFY(itemEnabled(main, "mnuEditRedo"));
        runCommand(main, "mnuEditRedo");
        QCOMPARE(first->Text(), QStringLiteral("abc"));

        // A fresh document has nothing to take back; going back to the first one does.
        runCommand(main, "mnuFileNew");
        QVERIFY(!itemEnabled(main, "mnuEditUndo"));
        main->MDIClient()->setActiveSubWindow(main->childForms().first());
        QVERIFY(itemEnabled(main, "mnuEditUndo"));

        // Not a document, then no child at all: nothing to undo, and the commands do nothing.
        addOtherChild(main);
        QVERIFY(!itemEnabled(main, "mnuEditUndo"));
        main->menuItem("mnuEditUndo")->setEnabled(true);
        runCommand(main, "mnuEditUndo");
        QCOMPARE(first->Text(), QStringLiteral("abc"));
        runCommand(main, "mnuEditSelectAll");
        for (QMdiSubWindow* child : main->childForms()) {
            if (auto* document = qobject_cast<frmDocument*>(child))
                document->Unload();
            else
                child->close();
        }
        QTRY_COMPARE(main->childForms().size(), 0);
        QVERIFY(!itemEnabled(main, "mnuEditUndo"));
        QVERIFY(!itemEnabled(main, "mnuEditRedo"));
    }

    void openingAFileLeavesNothingToUndo() {
        TestEnv env;
        const QString page = env.path("page.html");
        QVERIFY(TestEnv::writeFile(page, "<p>x</p>"));
        frmMain* main = env.createMainWindow(true, page);
        QCOMPARE(activeEditor(main)->Text(), QStringLiteral("<p>x</p>"));
        QVERIFY(!itemEnabled(main, "mnuEditUndo"));
    }

    void keysReachTheMenuAndSelectAllSelectsEverything() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        RichTextBox* editor = activeEditor(main);
        editor->setFocus();
        QTRY_VERIFY(editor->hasFocus());
        QTest::keyClicks(editor, "<b>x</b>");
        QSignalSpy undone(main->menuItem("mnuEditUndo"), &QAction::triggered);
        QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(undone.size(), 1);
        QCOMPARE(editor->Text(), QString());
        QSignalSpy redone(main->menuItem("mnuEditRedo"), &QAction::triggered);
        QTest::keyClick(editor, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(redone.size(), 1);
        QCOMPARE(editor->Text(), QStringLiteral("<b>x</b>"));

        editor->setSelStart(2);
        runCommand(main, "mnuEditSelectAll");
        QCOMPARE(editor->SelStart(), 0);
        QCOMPARE(editor->SelText(), QStringLiteral("<b>x</b>"));
        QVERIFY(main->menuItem("mnuEditSelectAll")->shortcut().isEmpty());
    }
};

WEBRIX_TEST_MAIN(UndoRedoTest)
#include "tst_undo_redo.moc"
