// Find and replace: the search itself (case, whole words, regular expressions, backwards, going
// round), the find window and F3 / Shift+F3 on the current document, Replace and Replace all with
// one undo step and the colours of the untouched text.

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStatusBar>

#include "app/frmMain.h"
#include "controls/ColourRuns.h"
#include "controls/StatusBar.h"
#include "documents/FindReplace.h"
#include "documents/HighlightTags.h"
#include "documents/TextSearch.h"
#include "documents/frmFind.h"
#include "tests/DocumentTestSupport.h"
#include "tests/support/TestEnv.h"

using namespace DocumentTest;

namespace {
FindOptions options(const QString& text, bool matchCase = false, bool wholeWord = false,
                    bool regex = false) {
    FindOptions options;
    options.text = text;
    options.matchCase = matchCase;
    options.wholeWord = wholeWord;
    options.regularExpression = regex;
    return options;
}

QList<int> starts(const TextSearch& search, const QString& text) {
    QList<int> starts;
    for (const TextSearch::Match& match : search.all(text, 0, int(text.size())))
        starts << match.start;
    return starts;
}

QString statusMessage(frmMain* main) {
    return main->statusBar()->currentMessage();
}
} // namespace

class FindReplaceTest : public QObject {
    Q_OBJECT
private slots:
    void searchHonoursCaseWordsAndExpressions() {
        const QString text = QStringLiteral("Alma alma almafás ALMA; körte\nalma");
        QCOMPARE(starts(TextSearch(options("alma")), text), QList<int>({0, 5, 10, 18, 30}));
        QCOMPARE(starts(TextSearch(options("alma", true)), text), QList<int>({5, 10, 30}));
        QCOMPARE(starts(TextSearch(options("alma", false, true)), text),
                 QList<int>({0, 5, 18, 30}));
        // Accented letters belong to words: "körte" holds no whole "k".
        QCOMPARE(starts(TextSearch(options("k", false, true)), text), QList<int>());
        QCOMPARE(starts(TextSearch(options("^alma$", true, false, true)), text), QList<int>({30}));
        QCOMPARE(starts(TextSearch(options("alm\\w*s", false, true, true)), text),
                 QList<int>({10}));
        // A pattern that matches only empty text finds nothing.
        QCOMPARE(starts(TextSearch(options("x*", false, false, true)), text), QList<int>());

        const TextSearch broken(options("(alma", false, false, true));
        QVERIFY(!broken.isValid());
        QVERIFY(broken.errorString().startsWith(QStringLiteral("Hibás reguláris kifejezés")));
        QVERIFY(!TextSearch(options(QString())).isValid());

        // Backwards: the last match that ends before the limit.
        const TextSearch plain(options("alma"));
        QCOMPARE(plain.previous(text, 0, 16)->start, 10);
        QCOMPARE(plain.previous(text, 0, 14)->start, 10);
        QCOMPARE(plain.previous(text, 0, 13)->start, 5);
        QVERIFY(!plain.previous(text, 1, 4));
        const TextSearch regex(options("a.m", false, false, true));
        QCOMPARE(regex.previous(text, 0, 20)->start, 10);
        QCOMPARE(regex.previous(text, 0, 21)->start, 18);

        // Replacement text of an expression takes its groups.
        const TextSearch groups(options("(\\w+)=(\\w+)", false, false, true));
        const QString pair = QStringLiteral("a=b");
        QCOMPARE(groups.replacement(pair, {0, 3}, QStringLiteral("\\2=\\1\\\\\\n")),
                 QStringLiteral("b=a\\\n"));
        QCOMPARE(plain.replacement(pair, {0, 3}, QStringLiteral("\\1")), QStringLiteral("\\1"));
    }

    void expressionsSeeTheEditorsLineBreaks() {
        RichTextBox editor;
        editor.setText(QStringLiteral("ab\ncd"));
        editor.selectDocumentRange(0, 0);
        editor.setSelText(QStringLiteral("x")); // from now on the text comes from the editor
        QVERIFY(
            FindReplace::findNext(&editor, TextSearch(options("^cd$", true, false, true)), false)
                .found);
        QCOMPARE(editor.SelText(), QStringLiteral("cd"));
        QCOMPARE(FindReplace::replaceAll(&editor, TextSearch(options("b\\ncd", true, false, true)),
                                         QStringLiteral("-"), false),
                 1);
        QCOMPARE(editor.Text(), QStringLiteral("xa-"));
    }

    void editAllMovesColoursLikeOneEditAtATime() {
        QRandomGenerator random(19);
        for (int round = 0; round < 200; ++round) {
            ColourRuns one;
            int length = 200;
            for (int i = 0; i < 12; ++i) {
                const int start = int(random.bounded(length));
                one.assign(start, start + 1 + int(random.bounded(20)), quint32(random.bounded(3)));
            }
            ColourRuns all = one;
            std::vector<ColourRuns::Edit> edits;
            int pos = int(random.bounded(10));
            while (pos < length - 10) {
                edits.push_back({pos, 1 + int(random.bounded(5)), int(random.bounded(6))});
                pos += edits.back().removed + int(random.bounded(25));
            }
            // One at a time, last first, so that the earlier positions hold.
            for (auto it = edits.rbegin(); it != edits.rend(); ++it)
                one.edit(it->pos, it->removed, it->added);
            all.editAll(edits);
            for (int at = 0; at < 400; ++at)
                QCOMPARE(all.colourAt(at), one.colourAt(at));
        }
    }

    void findWindowAndF3WalkThroughTheDocumentAndGoRound() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        RichTextBox* editor = activeEditor(main);
        editor->setText(QStringLiteral("<p>Egy</p>\r\n<p>Kettő</p>"));
        editor->setSelStart(3);
        editor->setSelLength(3);

        // The selection is offered as the text to look for.
        runCommand(main, "mnuEditFind");
        frmFind* find = main->findWindow();
        QCOMPARE(find->txtFind->text(), QStringLiteral("Egy"));
        editor->setSelStart(0);
        QVERIFY(find->isVisible());
        QVERIFY(!find->isModal());
        QCOMPARE(find->windowTitle(), QStringLiteral("Keresés"));
        QVERIFY(!find->cmdReplaceAll->isVisibleTo(find));
        find->txtFind->setText(QStringLiteral("<p>"));

        find->cmdFindNext->click();
        QCOMPARE(editor->SelStart(), 0);
        QCOMPARE(editor->SelText(), QStringLiteral("<p>"));
        main->findAgain(false);           // F3
        QCOMPARE(editor->SelStart(), 12); // past the CR LF
        main->findAgain(false);
        QCOMPARE(editor->SelStart(), 0);
        QVERIFY(statusMessage(main).contains(QStringLiteral("elejéről")));
        main->findAgain(true); // Shift+F3 from the first match goes round to the last
        QCOMPARE(editor->SelStart(), 12);
        QVERIFY(statusMessage(main).contains(QStringLiteral("végéről")));

        find->chkBackwards->setChecked(true);
        find->cmdFindNext->click();
        QCOMPARE(editor->SelStart(), 0);

        find->txtFind->setText(QStringLiteral("hiányzik"));
        find->cmdFindNext->click();
        QCOMPARE(statusMessage(main), QStringLiteral("Nem található: „hiányzik”"));
        QCOMPARE(editor->SelStart(), 0); // the selection stays
        find->chkRegularExpression->setChecked(true);
        find->txtFind->setText(QStringLiteral("[p"));
        find->cmdFindNext->click();
        QVERIFY(statusMessage(main).startsWith(QStringLiteral("Hibás reguláris kifejezés")));
        QVERIFY(env.messages.isEmpty()); // never a message box

        // The keys are the main window's, and work from the find window as well.
        QAction* next = main->findChild<QAction*>(QStringLiteral("actFindNext"));
        QAction* previous = main->findChild<QAction*>(QStringLiteral("actFindPrevious"));
        QCOMPARE(next->shortcut(), QKeySequence(Qt::Key_F3));
        QCOMPARE(previous->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F3));
        QVERIFY(find->actions().contains(next));
    }

    void replaceOneThenAllInOneUndoStep() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        RichTextBox* editor = activeEditor(main);
        const QString original = QStringLiteral("<b>x</b> x <i>X</i>\r\nxx x");
        editor->setText(original);
        editor->setSelStart(0);

        runCommand(main, "mnuEditReplace");
        frmFind* find = main->findWindow();
        QCOMPARE(find->windowTitle(), QStringLiteral("Csere"));
        QVERIFY(find->cmdReplaceAll->isVisibleTo(find));
        find->txtFind->setText(QStringLiteral("x"));
        find->txtReplace->setText(QStringLiteral("yz"));
        find->chkWholeWord->setChecked(true);

        // The first press only finds; the second replaces the found match and finds the next.
        find->cmdReplace->click();
        QCOMPARE(editor->SelStart(), 3);
        find->cmdReplace->click();
        QCOMPARE(editor->Text(), QStringLiteral("<b>yz</b> x <i>X</i>\r\nxx x"));
        QCOMPARE(editor->SelStart(), 10);

        find->cmdReplaceAll->click();
        QCOMPARE(editor->Text(), QStringLiteral("<b>yz</b> yz <i>yz</i>\r\nxx yz"));
        QCOMPARE(statusMessage(main), QStringLiteral("3 csere történt."));
        runCommand(main, "mnuEditUndo");
        QCOMPARE(editor->Text(), QStringLiteral("<b>yz</b> x <i>X</i>\r\nxx x"));
        runCommand(main, "mnuEditUndo");
        QCOMPARE(editor->Text(), original);

        // Only inside the selection: the second line.
        find->chkWholeWord->setChecked(false);
        find->chkSelectionOnly->setChecked(true);
        editor->setSelStart(21);
        editor->setSelLength(4);
        find->cmdReplaceAll->click();
        QCOMPARE(editor->Text(), QStringLiteral("<b>x</b> x <i>X</i>\r\nyzyz yz"));
        QCOMPARE(editor->SelText(), QStringLiteral("yzyz yz"));
        QCOMPARE(statusMessage(main), QStringLiteral("3 csere történt."));

        find->txtFind->setText(QStringLiteral("nincs"));
        find->cmdReplaceAll->click();
        QCOMPARE(statusMessage(main), QStringLiteral("Nem található: „nincs”"));
        QVERIFY(env.messages.isEmpty());
    }

    void replaceAllKeepsTheColoursOfUntouchedText() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        RichTextBox* editor = activeEditor(main);
        editor->setText(QStringLiteral("a<b>a</b>a"));
        editor->setColour(1, 3, 0x0000FF); // <b>
        editor->setColour(5, 4, 0x00FF00); // </b>
        const TextSearch search(options("a", true));
        QCOMPARE(FindReplace::replaceAll(editor, search, QStringLiteral("ccc"), false), 3);
        QCOMPARE(editor->Text(), QStringLiteral("ccc<b>ccc</b>ccc"));
        const auto& runs = editor->colourRuns().runs();
        QCOMPARE(runs.size(), std::size_t(2));
        QCOMPARE(runs[0].start, 3);
        QCOMPARE(runs[0].end, 6);
        QCOMPARE(runs[0].colour, quint32(0x0000FF));
        QCOMPARE(runs[1].start, 9);
        QCOMPARE(runs[1].end, 13);
        QCOMPARE(runs[1].colour, quint32(0x00FF00));
    }

    void undoingReplaceAllGivesBackTextAndColours() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        RichTextBox* editor = activeEditor(main);
        editor->setText(QStringLiteral("<p>alma</p> körte alma\r\n<b class=\"alma\">alma</b>"));
        HighlightTags(editor);
        editor->setColour(12, 5, 0x0000FF); // "körte" in a colour of the user's
        const QString text = editor->Text();
        const ColourRuns before = editor->colourRuns();
        const auto same = [](const ColourRuns& a, const ColourRuns& b) {
            if (a.runs().size() != b.runs().size())
                return false;
            for (std::size_t i = 0; i < a.runs().size(); ++i)
                if (a.runs()[i].start != b.runs()[i].start || a.runs()[i].end != b.runs()[i].end ||
                    a.runs()[i].colour != b.runs()[i].colour)
                    return false;
            return true;
        };

        const TextSearch search(options("alma"));
        QCOMPARE(FindReplace::replaceAll(editor, search, QStringLiteral("szilva"), false), 4);
        const QString replaced = editor->Text();
        const ColourRuns after = editor->colourRuns();
        QVERIFY(!same(before, after));

        runCommand(main, "mnuEditUndo");
        QCOMPARE(editor->Text(), text);
        QVERIFY(same(editor->colourRuns(), before));
        runCommand(main, "mnuEditRedo");
        QCOMPARE(editor->Text(), replaced);
        QVERIFY(same(editor->colourRuns(), after));
        runCommand(main, "mnuEditUndo");
        QVERIFY(same(editor->colourRuns(), before));

        // Typing after the undo: the step is gone from the history and the typing follows as
        // always (the key takes the colour around it).
        editor->setSelStart(0);
        editor->setFocus();
        QTest::keyClicks(editor, "x");
        QCOMPARE(editor->Text(), QStringLiteral("x") + text);
        QCOMPARE(editor->colourRuns().colourAt(1), before.colourAt(0));
        QVERIFY(!editor->document()->isRedoAvailable());
    }
};

WEBRIX_TEST_MAIN(FindReplaceTest)
#include "tst_find_replace.moc"
