// Edit > Cut, Copy and Paste, their keys inside the editor, the standard toolbar's dispatch and
// Extras > colour HTML.

#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QSignalSpy>

#include "app/frmMain.h"
#include "controls/ToolBar.h"
#include "tests/DocumentTestSupport.h"
#include "tests/support/TestEnv.h"

using namespace DocumentTest;

namespace {
QClipboard* clipboard() {
    return QGuiApplication::clipboard();
}

void selectRange(RichTextBox* editor, int start, int length) {
    editor->setSelStart(start);
    editor->setSelLength(length);
}

QAction* toolbarButton(frmMain* main, const QString& key) {
    for (QAction* button : main->tbStandard->Buttons())
        if (button->property("Key").toString() == key)
            return button;
    return nullptr;
}
} // namespace

class ClipboardToolbarTest : public QObject {
    Q_OBJECT
private slots:
    void cutPutsTheSelectionOnTheClipboardAndMarksTheDocumentChanged() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        RichTextBox* editor = activeEditor(main);
        editor->setText(QStringLiteral("a<b>c"));
        main->activeDocument()->setUnchanged(true);
        selectRange(editor, 1, 3);

        runCommand(main, "mnuEditCut");

        QCOMPARE(clipboard()->text(), QStringLiteral("<b>"));
        QCOMPARE(editor->Text(), QStringLiteral("ac"));
        QCOMPARE(editor->SelLength(), 0);
        QVERIFY(!main->activeDocument()->unchanged());
        runCommand(main, "mnuFileClose");
        QCOMPARE(env.messages.size(), 1); // the save question
    }

    void copyOfNothingThenPasteDeletesTheSelection() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        RichTextBox* editor = activeEditor(main);
        editor->setText(QStringLiteral("abcdef"));
        clipboard()->setText(QStringLiteral("elozo"));
        selectRange(editor, 2, 0);
        runCommand(main, "mnuEditCopy");
        QCOMPARE(clipboard()->text(), QString());

        selectRange(editor, 1, 2);
        runCommand(main, "mnuEditPaste");
        QCOMPARE(editor->Text(), QStringLiteral("adef"));
        QCOMPARE(editor->SelStart(), 1);
    }

    void pasteInsertsPlainTextAndLeavesTheCaretBehindIt() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        RichTextBox* editor = activeEditor(main);
        editor->setText(QStringLiteral("<p></p>"));
        auto* data = new QMimeData;
        data->setHtml(QStringLiteral("<b>vastag</b>"));
        data->setText(QStringLiteral("vastag"));
        clipboard()->setMimeData(data);
        selectRange(editor, 3, 0);

        runCommand(main, "mnuEditPaste");

        QCOMPARE(editor->Text(), QStringLiteral("<p>vastag</p>"));
        QCOMPARE(editor->SelStart(), 9);
        QVERIFY(!main->activeDocument()->unchanged());
    }

    void pasteWithOnlyAPictureOnTheClipboardDeletesTheSelection() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        RichTextBox* editor = activeEditor(main);
        editor->setText(QStringLiteral("abc"));
        QImage picture(4, 4, QImage::Format_RGB32);
        picture.fill(Qt::red);
        clipboard()->setImage(picture);
        selectRange(editor, 0, 2);
        runCommand(main, "mnuEditPaste");
        QCOMPARE(editor->Text(), QStringLiteral("c"));
    }

    void lineBreaksSurviveCopyAndPaste() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        RichTextBox* editor = activeEditor(main);
        editor->setText(QStringLiteral("a\r\nb"));
        selectRange(editor, 0, 4);
        runCommand(main, "mnuEditCopy");
        QCOMPARE(clipboard()->text(), QStringLiteral("a\nb"));

        selectRange(editor, 4, 0);
        runCommand(main, "mnuEditPaste");
        QCOMPARE(editor->Text(), QStringLiteral("a\r\nba\r\nb"));
    }

    void theCommandsDoNothingWithoutADocument() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        runCommand(main, "mnuFileClose");
        clipboard()->setText(QStringLiteral("marad"));
        runCommand(main, "mnuEditCut");
        runCommand(main, "mnuEditCopy");
        runCommand(main, "mnuEditPaste");
        runCommand(main, "mnuExtrasColorHTML");
        QCOMPARE(clipboard()->text(), QStringLiteral("marad"));

        addOtherChild(main);
        runCommand(main, "mnuEditCut");
        runCommand(main, "mnuEditCopy");
        runCommand(main, "mnuEditPaste");
        runCommand(main, "mnuExtrasColorHTML");
        QCOMPARE(clipboard()->text(), QStringLiteral("marad"));
        QVERIFY(env.messages.isEmpty());
    }

    void theMenuKeysRunTheMenuCommandsInsideTheEditor() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        RichTextBox* editor = activeEditor(main);
        editor->setFocus();
        QTRY_VERIFY(editor->hasFocus());
        editor->setText(QStringLiteral("abc"));

        struct Case {
            const char* item;
            Qt::Key key;
        };
        for (const Case& c : {Case{"mnuEditCopy", Qt::Key_C}, Case{"mnuEditCut", Qt::Key_X},
                              Case{"mnuEditPaste", Qt::Key_V}}) {
            QSignalSpy triggered(main->menuItem(QString::fromLatin1(c.item)), &QAction::triggered);
            selectRange(editor, 0, 1);
            QTest::keyClick(editor, c.key, Qt::ControlModifier);
            QVERIFY2(triggered.size() == 1, c.item);
        }
        // Copy "a", cut "a", paste "a" over "b": the text went through the clipboard.
        QCOMPARE(editor->Text(), QStringLiteral("ac"));
        QCOMPARE(clipboard()->text(), QStringLiteral("a"));
    }

    void theToolbarRunsTheCommandOfEachKey() {
        TestEnv env;
        frmMain* main = env.createMainWindow();

        toolbarButton(main, "New")->trigger();
        QCOMPARE(main->activeDocument()->Caption(), QStringLiteral("Dokumentum 2"));

        toolbarButton(main, "Open")->trigger(); // cancelled: no window
        QCOMPARE(env.dialogs.size(), 1);
        QCOMPARE(env.dialogs[0].title, QStringLiteral("HTML dokumentum megnyitása..."));
        QCOMPARE(main->childForms().size(), 2);

        toolbarButton(main, "Save")->trigger();
        QCOMPARE(env.dialogs.size(), 2);
        QCOMPARE(env.dialogs[1].title, QStringLiteral("Mentés"));

        RichTextBox* editor = activeEditor(main);
        editor->setText(QStringLiteral("xyz"));
        selectRange(editor, 0, 1);
        toolbarButton(main, "Copy")->trigger();
        QCOMPARE(clipboard()->text(), QStringLiteral("x"));
        selectRange(editor, 1, 1);
        toolbarButton(main, "Cut")->trigger();
        QCOMPARE(clipboard()->text(), QStringLiteral("y"));
        selectRange(editor, 0, 0);
        toolbarButton(main, "Paste")->trigger();
        QCOMPARE(editor->Text(), QStringLiteral("yxz"));

        QVERIFY(env.messages.isEmpty());
        toolbarButton(main, "Help")->trigger();
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].title, QStringLiteral("HIBA"));
    }

    void unknownKeysDoNothing() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        for (const char* key : {"", "new", "SAVE", "Open ", "Close", "Print"})
            main->tbStandard_ButtonClick(QString::fromLatin1(key));
        QCOMPARE(main->childForms().size(), 1);
        QVERIFY(env.dialogs.isEmpty());
        QVERIFY(env.messages.isEmpty());
    }

    void theToolbarPassesTheNoDocumentCaseOn() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        runCommand(main, "mnuFileClose");
        toolbarButton(main, "Save")->trigger();
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].prompt, QStringLiteral("A semmit nem tudod elmenteni"));
        toolbarButton(main, "Cut")->trigger();
        toolbarButton(main, "Paste")->trigger();
        QCOMPARE(env.messages.size(), 1);
    }

    void colourHtmlColoursTheActiveDocument() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        activeEditor(main)->setText(QStringLiteral("<p>a</p>"));
        QVERIFY(activeEditor(main)->colourRuns().empty());
        runCommand(main, "mnuExtrasColorHTML");
        QVERIFY(!activeEditor(main)->colourRuns().empty());
        QVERIFY(main->activeDocument()->unchanged() == false);
    }
};

WEBRIX_TEST_MAIN(ClipboardToolbarTest)
#include "tst_clipboard_toolbar.moc"
