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
QClipboard* Clipboard() {
    return QGuiApplication::clipboard();
}

void Select(RichTextBox* editor, int start, int length) {
    editor->setSelStart(start);
    editor->setSelLength(length);
}

QAction* ToolbarButton(frmMain* main, const QString& key) {
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
        RichTextBox* editor = Editor(main);
        editor->setText(QStringLiteral("a<b>c"));
        main->ActiveDocument()->setUnchanged(true);
        Select(editor, 1, 3);

        Run(main, "mnuEditCut");

        QCOMPARE(Clipboard()->text(), QStringLiteral("<b>"));
        QCOMPARE(editor->Text(), QStringLiteral("ac"));
        QCOMPARE(editor->SelLength(), 0);
        QVERIFY(!main->ActiveDocument()->Unchanged());
        Run(main, "mnuFileClose");
        QCOMPARE(env.messages.size(), 1); // the save question
    }

    void copyOfNothingThenPasteDeletesTheSelection() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        RichTextBox* editor = Editor(main);
        editor->setText(QStringLiteral("abcdef"));
        Clipboard()->setText(QStringLiteral("elozo"));
        Select(editor, 2, 0);
        Run(main, "mnuEditCopy");
        QCOMPARE(Clipboard()->text(), QString());

        Select(editor, 1, 2);
        Run(main, "mnuEditPaste");
        QCOMPARE(editor->Text(), QStringLiteral("adef"));
        QCOMPARE(editor->SelStart(), 1);
    }

    void pasteInsertsPlainTextAndLeavesTheCaretBehindIt() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        RichTextBox* editor = Editor(main);
        editor->setText(QStringLiteral("<p></p>"));
        auto* data = new QMimeData;
        data->setHtml(QStringLiteral("<b>vastag</b>"));
        data->setText(QStringLiteral("vastag"));
        Clipboard()->setMimeData(data);
        Select(editor, 3, 0);

        Run(main, "mnuEditPaste");

        QCOMPARE(editor->Text(), QStringLiteral("<p>vastag</p>"));
        QCOMPARE(editor->SelStart(), 9);
        QVERIFY(!main->ActiveDocument()->Unchanged());
    }

    void pasteWithOnlyAPictureOnTheClipboardDeletesTheSelection() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        RichTextBox* editor = Editor(main);
        editor->setText(QStringLiteral("abc"));
        QImage picture(4, 4, QImage::Format_RGB32);
        picture.fill(Qt::red);
        Clipboard()->setImage(picture);
        Select(editor, 0, 2);
        Run(main, "mnuEditPaste");
        QCOMPARE(editor->Text(), QStringLiteral("c"));
    }

    void lineBreaksSurviveCopyAndPaste() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        RichTextBox* editor = Editor(main);
        editor->setText(QStringLiteral("a\r\nb"));
        Select(editor, 0, 4);
        Run(main, "mnuEditCopy");
        QCOMPARE(Clipboard()->text(), QStringLiteral("a\nb"));

        Select(editor, 4, 0);
        Run(main, "mnuEditPaste");
        QCOMPARE(editor->Text(), QStringLiteral("a\r\nba\r\nb"));
    }

    void theCommandsDoNothingWithoutADocument() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        Run(main, "mnuFileClose");
        Clipboard()->setText(QStringLiteral("marad"));
        Run(main, "mnuEditCut");
        Run(main, "mnuEditCopy");
        Run(main, "mnuEditPaste");
        Run(main, "mnuExtrasColorHTML");
        QCOMPARE(Clipboard()->text(), QStringLiteral("marad"));

        AddOtherChild(main);
        Run(main, "mnuEditCut");
        Run(main, "mnuEditCopy");
        Run(main, "mnuEditPaste");
        Run(main, "mnuExtrasColorHTML");
        QCOMPARE(Clipboard()->text(), QStringLiteral("marad"));
        QVERIFY(env.messages.isEmpty());
    }

    void theMenuKeysRunTheMenuCommandsInsideTheEditor() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        RichTextBox* editor = Editor(main);
        editor->setFocus();
        QTRY_VERIFY(editor->hasFocus());
        editor->setText(QStringLiteral("abc"));

        struct Case {
            const char* item;
            Qt::Key key;
        };
        for (const Case& c : {Case{"mnuEditCopy", Qt::Key_C}, Case{"mnuEditCut", Qt::Key_X},
                              Case{"mnuEditPaste", Qt::Key_V}}) {
            QSignalSpy triggered(main->MenuItem(QString::fromLatin1(c.item)), &QAction::triggered);
            Select(editor, 0, 1);
            QTest::keyClick(editor, c.key, Qt::ControlModifier);
            QVERIFY2(triggered.size() == 1, c.item);
        }
        // Copy "a", cut "a", paste "a" over "b": the text went through the clipboard.
        QCOMPARE(editor->Text(), QStringLiteral("ac"));
        QCOMPARE(Clipboard()->text(), QStringLiteral("a"));
    }

    void theToolbarRunsTheCommandOfEachKey() {
        TestEnv env;
        frmMain* main = env.createMainWindow();

        ToolbarButton(main, "New")->trigger();
        QCOMPARE(main->ActiveDocument()->Caption(), QStringLiteral("Dokumentum 2"));

        ToolbarButton(main, "Open")->trigger(); // cancelled: no window
        QCOMPARE(env.dialogs.size(), 1);
        QCOMPARE(env.dialogs[0].title, QStringLiteral("HTML dokumentum megnyitása..."));
        QCOMPARE(main->ChildForms().size(), 2);

        ToolbarButton(main, "Save")->trigger();
        QCOMPARE(env.dialogs.size(), 2);
        QCOMPARE(env.dialogs[1].title, QStringLiteral("Mentés"));

        RichTextBox* editor = Editor(main);
        editor->setText(QStringLiteral("xyz"));
        Select(editor, 0, 1);
        ToolbarButton(main, "Copy")->trigger();
        QCOMPARE(Clipboard()->text(), QStringLiteral("x"));
        Select(editor, 1, 1);
        ToolbarButton(main, "Cut")->trigger();
        QCOMPARE(Clipboard()->text(), QStringLiteral("y"));
        Select(editor, 0, 0);
        ToolbarButton(main, "Paste")->trigger();
        QCOMPARE(editor->Text(), QStringLiteral("yxz"));

        QVERIFY(env.messages.isEmpty());
        ToolbarButton(main, "Help")->trigger();
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].title, QStringLiteral("HIBA"));
    }

    void unknownKeysDoNothing() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        for (const char* key : {"", "new", "SAVE", "Open ", "Close", "Print"})
            main->tbStandard_ButtonClick(QString::fromLatin1(key));
        QCOMPARE(main->ChildForms().size(), 1);
        QVERIFY(env.dialogs.isEmpty());
        QVERIFY(env.messages.isEmpty());
    }

    void theToolbarPassesTheNoDocumentCaseOn() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        Run(main, "mnuFileClose");
        ToolbarButton(main, "Save")->trigger();
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].prompt, QStringLiteral("A semmit nem tudod elmenteni"));
        ToolbarButton(main, "Cut")->trigger();
        ToolbarButton(main, "Paste")->trigger();
        QCOMPARE(env.messages.size(), 1);
    }

    void colourHtmlColoursTheActiveDocument() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        Editor(main)->setText(QStringLiteral("<p>a</p>"));
        QVERIFY(Editor(main)->colourRuns().empty());
        Run(main, "mnuExtrasColorHTML");
        QVERIFY(!Editor(main)->colourRuns().empty());
        QVERIFY(main->ActiveDocument()->Unchanged() == false);
    }
};

WEBRIX_TEST_MAIN(ClipboardToolbarTest)
#include "tst_clipboard_toolbar.moc"
