// Edit > Undo, Redo and Select all: what they do to the current document, when they are enabled,
// and their keys inside the editor.

#include <QSignalSpy>

#include "app/frmMain.h"
#include "tests/DocumentTestSupport.h"
#include "tests/support/TestEnv.h"

using namespace DocumentTest;

namespace {
bool Enabled(frmMain* main, const char* item) {
    return main->MenuItem(QString::fromLatin1(item))->isEnabled();
}
} // namespace

class UndoRedoTest : public QObject {
    Q_OBJECT
private slots:
    void undoAndRedoFollowTheCurrentDocument() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        RichTextBox* first = Editor(main);
        QVERIFY(!Enabled(main, "mnuEditUndo"));
        QVERIFY(!Enabled(main, "mnuEditRedo"));

        first->setFocus();
        QTest::keyClicks(first, "abc");
        QVERIFY(Enabled(main, "mnuEditUndo"));
        QVERIFY(!Enabled(main, "mnuEditRedo"));

        Run(main, "mnuEditUndo");
        QCOMPARE(first->Text(), QString());
        QVERIFY(!Enabled(main, "mnuEditUndo"));
        QVERIFY(Enabled(main, "mnuEditRedo"));
        Run(main, "mnuEditRedo");
        QCOMPARE(first->Text(), QStringLiteral("abc"));

        // A fresh document has nothing to take back; going back to the first one does.
        Run(main, "mnuFileNew");
        QVERIFY(!Enabled(main, "mnuEditUndo"));
        main->MDIClient()->setActiveSubWindow(main->ChildForms().first());
        QVERIFY(Enabled(main, "mnuEditUndo"));

        // Not a document, then no child at all: nothing to undo, and the commands do nothing.
        AddOtherChild(main);
        QVERIFY(!Enabled(main, "mnuEditUndo"));
        main->MenuItem("mnuEditUndo")->setEnabled(true);
        Run(main, "mnuEditUndo");
        QCOMPARE(first->Text(), QStringLiteral("abc"));
        Run(main, "mnuEditSelectAll");
        for (QMdiSubWindow* child : main->ChildForms()) {
            if (auto* document = qobject_cast<frmDocument*>(child))
                document->Unload();
            else
                child->close();
        }
        QTRY_COMPARE(main->ChildForms().size(), 0);
        QVERIFY(!Enabled(main, "mnuEditUndo"));
        QVERIFY(!Enabled(main, "mnuEditRedo"));
    }

    void openingAFileLeavesNothingToUndo() {
        TestEnv env;
        const QString page = env.path("page.html");
        QVERIFY(TestEnv::writeFile(page, "<p>x</p>"));
        frmMain* main = env.createMainWindow(true, page);
        QCOMPARE(Editor(main)->Text(), QStringLiteral("<p>x</p>"));
        QVERIFY(!Enabled(main, "mnuEditUndo"));
    }

    void keysReachTheMenuAndSelectAllSelectsEverything() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        RichTextBox* editor = Editor(main);
        editor->setFocus();
        QTRY_VERIFY(editor->hasFocus());
        QTest::keyClicks(editor, "<b>x</b>");
        QSignalSpy undone(main->MenuItem("mnuEditUndo"), &QAction::triggered);
        QTest::keyClick(editor, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(undone.size(), 1);
        QCOMPARE(editor->Text(), QString());
        QSignalSpy redone(main->MenuItem("mnuEditRedo"), &QAction::triggered);
        QTest::keyClick(editor, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(redone.size(), 1);
        QCOMPARE(editor->Text(), QStringLiteral("<b>x</b>"));

        editor->setSelStart(2);
        Run(main, "mnuEditSelectAll");
        QCOMPARE(editor->SelStart(), 0);
        QCOMPARE(editor->SelText(), QStringLiteral("<b>x</b>"));
        QVERIFY(main->MenuItem("mnuEditSelectAll")->shortcut().isEmpty());
    }
};

WEBRIX_TEST_MAIN(UndoRedoTest)
#include "tst_undo_redo.moc"
