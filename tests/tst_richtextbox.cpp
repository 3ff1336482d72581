// The document editor: selection and SelText, Change, colours that stay on their characters
// through edits and undo, Move, and the plain-text file format on disk.

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextBlock>
#include <QVBoxLayout>

#include "controls/RichTextBox.h"
#include "documents/HighlightTags.h"
#include "tests/support/TestEnv.h"

namespace {
constexpr quint32 Red = 0xFF;
constexpr quint32 Blue = 0xFF0000;

// One letter a character of Text(): r red, b blue, g dark green, . none, ? other.
QString colourLetters(const RichTextBox& box) {
    QString letters;
    const int count = box.document()->characterCount() - 1;
    for (int pos = 0; pos < count; ++pos) {
        const auto colour = box.colourRuns().colourAt(pos);
        QChar letter = u'?';
        if (!colour)
            letter = u'.';
        else if (*colour == Red)
            letter = u'r';
        else if (*colour == Blue)
            letter = u'b';
        else if (*colour == 0x4000)
            letter = u'g';
        letters += letter;
        if (box.document()->characterAt(pos) == QChar(QChar::ParagraphSeparator))
            letters += letter; // CR LF: two characters, one colour
    }
    return letters;
}

// The colours the layout of each block shows, as letters, for comparing with colourLetters.
QString paintedLetters(const RichTextBox& box) {
    QString letters;
    for (QTextBlock block = box.document()->begin(); block.isValid(); block = block.next()) {
        QString line(block.length() - 1, u'.');
        for (const auto& range : block.layout()->formats()) {
            const QColor colour = range.format.foreground().color();
            const QChar letter = colour == QColor(255, 0, 0)   ? u'r'
                                 : colour == QColor(0, 0, 255) ? u'b'
                                 : colour == QColor(0, 64, 0)  ? u'g'
                                                               : u'?';
            for (int i = range.start; i < range.start + range.length; ++i)
                line[i] = letter;
        }
        letters += line;
        if (block.next().isValid())
            letters += QStringLiteral("__");
    }
    return letters;
}

struct Editor {
    QWidget window;
    RichTextBox* box;
    explicit Editor(bool show = true) : box(new RichTextBox) {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(box);
        window.resize(500, 300);
        if (show) {
            window.show();
            window.activateWindow();
            if (!QTest::qWaitForWindowActive(&window))
                qWarning("the editor's window did not become active");
            box->setFocus();
        }
    }
    void paint() {
        box->viewport()->repaint();
        QCoreApplication::processEvents();
    }
};

QByteArray allByteValues() {
    // Every byte value, with CR and LF only as CR LF pairs (lone ones become CR LF on saving).
    QByteArray bytes;
    for (int round = 0; round < 2; ++round) {
        for (int b = 0; b < 256; ++b) {
            if (b != '\r' && b != '\n')
                bytes += char(b);
        }
        bytes += "\r\n";
    }
    return bytes;
}
} // namespace

class RichTextBoxTest : public QObject {
    Q_OBJECT
private slots:
    void selectionCountsLineBreaksAsTwo() {
        TestEnv env(false);
        Editor editor(false);
        RichTextBox* box = editor.box;
        box->setText(QStringLiteral("ab\r\ncd\nef"));
        QCOMPARE(box->Text(), QStringLiteral("ab\r\ncd\r\nef"));
        QCOMPARE(box->textLength(), 10);

        box->setSelStart(4);
        box->setSelLength(2);
        QCOMPARE(box->SelText(), QStringLiteral("cd"));
        QCOMPARE(box->SelStart(), 4);
        QCOMPARE(box->SelLength(), 2);

        box->setSelStart(1);
        box->setSelLength(5);
        QCOMPARE(box->SelText(), QStringLiteral("b\r\ncd"));
        QCOMPARE(box->SelLength(), 5);

        box->setSelStart(8);
        box->setSelLength(100); // clipped to the end
        QCOMPARE(box->SelText(), QStringLiteral("ef"));
        box->setSelStart(0);
        QCOMPARE(box->SelText(), QString());
        QCOMPARE(box->SelLength(), 0);
    }

    void aNewTextStartsAfreshAtItsTop() {
        // A text put in after editing: nothing of the old caret, selection, view, undo history
        // or modified state is left over.
        TestEnv env(true);
        Editor editor;
        RichTextBox* box = editor.box;
        QString old;
        for (int line = 0; line < 300; ++line)
            old += QStringLiteral("<p>régi sor %1 ").arg(line) + QString(200, u'x') +
                   QStringLiteral("</p>\r\n");
        old.chop(2); // the caret ends a long line
        box->setText(old);
        box->moveCursor(QTextCursor::End);
        QTest::keyClicks(box, QStringLiteral("<b>uj"));
        box->setSelStart(box->textLength() - 3);
        box->setSelLength(3);
        editor.paint();
        QVERIFY(box->verticalScrollBar()->value() > 0);
        QVERIFY(box->horizontalScrollBar()->value() > 0);
        QVERIFY(box->document()->isModified());
        QVERIFY(box->document()->isUndoAvailable());

        QSignalSpy modified(box->document(), &QTextDocument::modificationChanged);
        const QString page = QStringLiteral("<html>\r\n<body>Árvíztűrő</body>\r\n</html>");
        box->setText(page);
        editor.paint();
        QCOMPARE(box->Text(), page);
        QCOMPARE(box->SelStart(), 0);
        QCOMPARE(box->SelLength(), 0);
        QCOMPARE(box->verticalScrollBar()->value(), 0);
        QCOMPARE(box->horizontalScrollBar()->value(), 0);
        QVERIFY(!box->document()->isModified());
        QVERIFY(!modified.isEmpty());
        QCOMPARE(modified.last().at(0).toBool(), false); // what the journal follows
        QVERIFY(!box->document()->isUndoAvailable());
        QVERIFY(!box->document()->isRedoAvailable());
        QVERIFY(box->textCursor().charFormat().foreground().style() == Qt::NoBrush);

        // Typing goes in at the top and is one step to undo, back to the text as put in.
        QTest::keyClicks(box, QStringLiteral("x"));
        QCOMPARE(box->Text(), QStringLiteral("x") + page);
        QVERIFY(box->document()->isModified());
        box->document()->undo();
        QCOMPARE(box->Text(), page);
        QVERIFY(!box->document()->isModified());
        QVERIFY(!box->document()->isUndoAvailable());
    }

    void selTextReplacesOrInsertsPlainTextAndLeavesTheCaretAfterIt() {
        TestEnv env(false);
        Editor editor(false);
        RichTextBox* box = editor.box;
        QSignalSpy changes(box, &RichTextBox::Change);
        box->setText(QStringLiteral("Hello world"));
        QCOMPARE(changes.size(), 1);

        box->setSelStart(6);
        box->setSelLength(5);
        box->setSelText(QStringLiteral("<b>there</b>\r\nnext"));
        QCOMPARE(box->Text(), QStringLiteral("Hello <b>there</b>\r\nnext"));
        QCOMPARE(box->SelStart(), 24);
        QCOMPARE(box->SelLength(), 0);
        QCOMPARE(changes.size(), 2);
        QCOMPARE(box->document()->blockCount(), 2); // markup stays text, the break is a line

        box->setSelStart(0);
        box->setSelText(QStringLiteral(">"));
        QCOMPARE(box->Text(), QStringLiteral(">Hello <b>there</b>\r\nnext"));
        QCOMPARE(box->SelStart(), 1);
        QCOMPARE(changes.size(), 3);

        // Empty text deletes the selection and still counts as a change.
        box->setSelStart(1);
        box->setSelLength(6);
        box->setSelText(QString());
        QCOMPARE(box->Text(), QStringLiteral("><b>there</b>\r\nnext"));
        QCOMPARE(changes.size(), 4);
    }

    void changeFollowsTextEditsButNeverColouring() {
        TestEnv env;
        Editor editor;
        RichTextBox* box = editor.box;
        QSignalSpy changes(box, &RichTextBox::Change);
        QTest::keyClicks(box, QStringLiteral("<p>x"));
        QCOMPARE(changes.size(), 4);

        changes.clear();
        box->setSelStart(0);
        box->setSelLength(3);
        box->setSelColor(Red);
        box->setColour(1, 1, Blue);
        HighlightTags(box);
        editor.paint();
        box->replaceColourRuns({});
        editor.paint();
        QCOMPARE(changes.size(), 0);

        box->undo();
        QCOMPARE(box->Text(), QString());
        QVERIFY(changes.size() >= 1);
        changes.clear();

        const QString path = env.path(QStringLiteral("same.html"));
        QVERIFY(TestEnv::writeFile(path, "<p>"));
        QVERIFY(box->LoadFile(path));
        QVERIFY(box->LoadFile(path));
        QCOMPARE(changes.size(), 2); // also when the text stays the same
    }

    void coloursStayOnTheirCharactersThroughEdits() {
        TestEnv env(false);
        Editor editor;
        RichTextBox* box = editor.box;
        box->setText(QStringLiteral("ab<i>cd\r\nef<b>gh\r\nij"));
        box->setColour(2, 3, Red);   // <i>
        box->setColour(11, 3, Blue); // <b>
        box->setColour(14, 2, Red);  // gh
        editor.paint();
        QCOMPARE(colourLetters(*box), QStringLiteral("..rrr......bbbrr...."));

        // Typing at the very start, after the colours have been painted.
        box->setSelStart(0);
        QTest::keyClicks(box, QStringLiteral("XY"));
        editor.paint();
        QCOMPARE(box->Text(), QStringLiteral("XYab<i>cd\r\nef<b>gh\r\nij"));
        QCOMPARE(colourLetters(*box), QStringLiteral("....rrr......bbbrr...."));

        // A new line before the coloured text, then joining two lines again.
        QTest::keyClick(box, Qt::Key_Return);
        editor.paint();
        QCOMPARE(colourLetters(*box), QStringLiteral("......rrr......bbbrr...."));
        QTest::keyClick(box, Qt::Key_Backspace);
        box->setSelStart(9); // after "cd"
        QTest::keyClick(box, Qt::Key_Delete);
        editor.paint();
        QCOMPARE(box->Text(), QStringLiteral("XYab<i>cdef<b>gh\r\nij"));
        QCOMPARE(colourLetters(*box), QStringLiteral("....rrr....bbbrr...."));
        QCOMPARE(paintedLetters(*box), QStringLiteral("....rrr....bbbrr__.."));

        // Deleting inside a coloured run and replacing across lines.
        box->setSelStart(12);
        box->setSelLength(1);
        box->setSelText(QString());
        box->setSelStart(14);
        box->setSelLength(4);
        box->setSelText(QStringLiteral("Z"));
        editor.paint();
        QCOMPARE(box->Text(), QStringLiteral("XYab<i>cdef<>gZj"));
        QCOMPARE(colourLetters(*box), QStringLiteral("....rrr....bbrr."));
        QCOMPARE(paintedLetters(*box), QStringLiteral("....rrr....bbrr."));
    }

    void editAtTheStartKeepsColoursOfAPaintedPage() {
        TestEnv env(false);
        Editor editor;
        RichTextBox* box = editor.box;
        QString text;
        for (int i = 0; i < 200; ++i)
            text += QStringLiteral("<p>line %1</p>\r\n").arg(i, 3, 10, QLatin1Char('0'));
        box->setText(text);
        HighlightTags(box);
        box->setSelStart(0);
        editor.paint(); // formats of the visible lines are in place
        const QString before = colourLetters(*box);

        QTest::keyClick(box, Qt::Key_X); // takes the colour of the first character
        editor.paint();
        QCOMPARE(colourLetters(*box), QStringLiteral("g") + before);
        QTest::keyClick(box, Qt::Key_Backspace);
        QTest::keyClick(box, Qt::Key_Return);
        editor.paint();
        QCOMPARE(colourLetters(*box), QStringLiteral("gg") + before);
        const QString line = QStringLiteral("ggg........gggg");
        QCOMPARE(paintedLetters(*box).left(40),
                 (QStringLiteral("__") + line + QStringLiteral("__") + line + QStringLiteral("__") +
                  line)
                     .left(40));
    }

    void typedTextTakesTheColourAtTheInsertionPoint() {
        TestEnv env(false);
        Editor editor;
        RichTextBox* box = editor.box;
        box->setText(QStringLiteral("ab<i>cd"));
        box->setColour(2, 3, Red);
        box->setSelStart(5); // right after "<i>"
        QTest::keyClicks(box, QStringLiteral("x"));
        QCOMPARE(colourLetters(*box), QStringLiteral("..rrrr.."));
        box->setSelStart(2); // before "<": the uncoloured "b" precedes it
        box->setSelText(QStringLiteral("y"));
        QCOMPARE(colourLetters(*box), QStringLiteral("...rrrr.."));
        // Replacing a selection: the format of its first character.
        box->setSelStart(3);
        box->setSelLength(2);
        box->setSelText(QStringLiteral("zzz"));
        QCOMPARE(box->Text(), QStringLiteral("abyzzz>xcd"));
        QCOMPARE(colourLetters(*box), QStringLiteral("...rrrrr.."));
    }

    void undoSkipsColouring() {
        TestEnv env(false);
        Editor editor;
        RichTextBox* box = editor.box;
        QTest::keyClicks(box, QStringLiteral("<b>x</b>"));
        box->setSelStart(3);
        box->setSelLength(1);
        box->setSelText(QStringLiteral("y")); // the user's last edit
        const int steps = box->document()->availableUndoSteps();
        HighlightTags(box);
        box->setSelStart(0);
        box->setSelLength(1);
        box->setSelColor(Blue);
        editor.paint();
        QCOMPARE(box->document()->availableUndoSteps(), steps);
        QCOMPARE(colourLetters(*box), QStringLiteral("bgg.gggg"));

        QTest::keyClick(box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(box->Text(), QStringLiteral("<b>x</b>"));
        QCOMPARE(colourLetters(*box), QStringLiteral("bgg.gggg"));
        while (box->document()->isUndoAvailable())
            box->undo();
        QCOMPARE(box->Text(), QString());
        box->redo();
        QVERIFY(!box->Text().isEmpty());
    }

    void inputMethodPreeditIsNotAnEdit() {
        TestEnv env(false);
        Editor editor;
        RichTextBox* box = editor.box;
        box->setText(QStringLiteral("<b>x</b>"));
        HighlightTags(box);
        box->setSelStart(4);
        editor.paint();
        QSignalSpy changes(box, &RichTextBox::Change);

        QInputMethodEvent preedit(QStringLiteral("o"), {});
        QCoreApplication::sendEvent(box, &preedit);
        editor.paint();
        QCOMPARE(changes.size(), 0);
        QCOMPARE(colourLetters(*box), QStringLiteral("ggg.gggg"));

        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("ő"));
        QCoreApplication::sendEvent(box, &commit);
        editor.paint();
        QCOMPARE(box->Text(), QStringLiteral("<b>x</b>").insert(4, QStringLiteral("ő")));
        QCOMPARE(changes.size(), 1);
        QCOMPARE(colourLetters(*box), QStringLiteral("ggg..gggg"));
        QCOMPARE(paintedLetters(*box), QStringLiteral("ggg..gggg"));
    }

    void colourRunsFollowEditsLikeOneColourPerCharacter() {
        // The run list against a plain list with one colour per character.
        QRandomGenerator random(4242);
        for (int round = 0; round < 300; ++round) {
            ColourRuns runs;
            QList<std::optional<quint32>> model(int(random.bounded(40)));
            for (int step = 0; step < 30; ++step) {
                const int size = int(model.size());
                const int pos = int(random.bounded(size + 1));
                const std::optional<quint32> colour =
                    random.bounded(3) == 0 ? std::nullopt
                                           : std::optional<quint32>(quint32(random.bounded(3)));
                switch (random.bounded(3)) {
                case 0: { // colour a range
                    const int end = pos + int(random.bounded(size - pos + 1));
                    runs.assign(pos, end, colour);
                    for (int i = pos; i < end; ++i)
                        model[i] = colour;
                    break;
                }
                case 1: { // an edit: new text takes the colour at the insertion point
                    const int removed = int(random.bounded(qMin(size - pos, 4) + 1));
                    const int added = int(random.bounded(4));
                    const std::optional<quint32> inherited =
                        removed > 0 ? model[pos]
                                    : (pos > 0 ? model[pos - 1] : (size > 0 ? model[0] : colour));
                    runs.edit(pos, removed, added);
                    if (removed == 0 && added == 0)
                        break;
                    model.remove(pos, removed);
                    for (int i = 0; i < added; ++i)
                        model.insert(pos, size > 0 ? inherited : std::nullopt);
                    break;
                }
                default: { // tags laid over the colours
                    std::vector<ColourRuns::Run> top;
                    for (int at = pos; at < size;) {
                        const int end = at + 1 + int(random.bounded(qMin(size - at, 5)));
                        top.push_back({at, end, quint32(random.bounded(3))});
                        for (int i = at; i < end; ++i)
                            model[i] = top.back().colour;
                        at = end + int(random.bounded(4));
                    }
                    if (random.bounded(4) == 0) {
                        // The same runs laid again, as after an open that coloured the text as
                        // it went in: touching runs of one colour must still end up joined.
                        for (int i = 0; i < size; ++i)
                            model[i] = std::nullopt;
                        for (const ColourRuns::Run& run : top)
                            for (int i = run.start; i < run.end; ++i)
                                model[i] = run.colour;
                        runs.replaceAll(top);
                    }
                    runs.overlay(top);
                }
                }
                QList<std::optional<quint32>> actual;
                for (int i = 0; i < model.size(); ++i)
                    actual << runs.colourAt(i);
                QCOMPARE(actual, model);
                // Sorted, not overlapping, never empty, neighbours of one colour joined.
                for (std::size_t i = 0; i < runs.runs().size(); ++i) {
                    const auto& run = runs.runs()[i];
                    QVERIFY(run.start < run.end);
                    QVERIFY(run.end <= model.size());
                    if (i > 0) {
                        const auto& before = runs.runs()[i - 1];
                        QVERIFY(before.end <= run.start);
                        QVERIFY(before.end < run.start || before.colour != run.colour);
                    }
                }
            }
        }
    }

    void snapshotIsTheDocumentsTextAfterEveryKindOfEdit() {
        // The pieces handed to other threads must be the text exactly: typed, deleted, pasted,
        // several edits in one step, whole lines, undone and redone, coloured and painted.
        TestEnv env(false);
        Editor editor;
        RichTextBox* box = editor.box;
        QString page;
        for (int line = 0; page.size() < 5 * TextChunks::ChunkSize; ++line)
            page += QStringLiteral("<p class=\"x\">sor %1 árvíztűrő\u00a0</p>\r\n").arg(line);
        box->setText(page);
        HighlightTags(box);
        QCOMPARE(box->textSnapshot().joined(), box->document()->toRawText());

        QRandomGenerator random(1616);
        const auto somewhere = [&](int length) { return int(random.bounded(qMax(1, length))); };
        for (int step = 0; step < 400; ++step) {
            QTextDocument* doc = box->document();
            const int length = doc->characterCount() - 1;
            QTextCursor cursor(doc);
            const int at = somewhere(length + 1);
            switch (random.bounded(8)) {
            case 0: // typed keys, Enter and Backspace at the caret
                box->selectDocumentRange(at, at);
                QTest::keyClicks(box, QStringLiteral("ab<i>"));
                QTest::keyClick(box, Qt::Key_Return);
                QTest::keyClick(box, Qt::Key_Backspace);
                QTest::keyClick(box, Qt::Key_Delete);
                break;
            case 1: { // a removal over many lines, often across pieces
                const int end = qMin(length, at + somewhere(3 * int(TextChunks::ChunkSize)));
                box->selectDocumentRange(at, end);
                QTest::keyClick(box, Qt::Key_Delete);
                break;
            }
            case 2: { // a paste of several lines over a selection
                const int end = qMin(length, at + somewhere(200));
                box->selectDocumentRange(at, end);
                box->setSelText(QStringLiteral("egy\r\nkettő\rhárom\n<b>") +
                                QString(somewhere(3 * int(TextChunks::ChunkSize)), u'y'));
                break;
            }
            case 3: { // several edits in one step, far apart
                cursor.beginEditBlock();
                for (int i = 0; i < 4; ++i) {
                    const int last = doc->characterCount() - 1;
                    cursor.setPosition(somewhere(last + 1));
                    cursor.setPosition(qMin(last, cursor.position() + somewhere(50)),
                                       QTextCursor::KeepAnchor);
                    cursor.insertText(i % 2 ? QStringLiteral("új\nsor") : QString());
                }
                cursor.endEditBlock();
                break;
            }
            case 4:
                for (int i = somewhere(4); i >= 0 && doc->isUndoAvailable(); --i)
                    box->undo();
                break;
            case 5:
                for (int i = somewhere(4); i >= 0 && doc->isRedoAvailable(); --i)
                    box->redo();
                break;
            case 6: // a replacement of the same length, and the whole line
                cursor.setPosition(at);
                cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
                cursor.insertText(QString(cursor.selectedText().size(), u'z'));
                cursor.select(QTextCursor::BlockUnderCursor);
                cursor.removeSelectedText();
                break;
            default: // colours and paints change no text
                HighlightTags(box);
                editor.paint();
                break;
            }
            const QString raw = doc->toRawText();
            QCOMPARE(box->textSnapshot().size(), raw.size());
            if (box->textSnapshot().joined() != raw)
                QFAIL(qPrintable(QStringLiteral("step %1: the snapshot differs").arg(step)));
            QCOMPARE(box->documentText(), raw);
        }
        // What the user sees, line breaks as '\n' (toPlainText() also turns no-break spaces into
        // plain ones; the snapshot keeps them, as the saved file must).
        QString plain = box->textSnapshot().joined();
        plain.replace(QChar(QChar::ParagraphSeparator), u'\n');
        plain.replace(QChar(0xa0), u' ');
        QCOMPARE(plain, box->toPlainText());
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QCOMPARE(box->textSnapshot().joined(), QString());
        box->undo();
        QCOMPARE(box->textSnapshot().joined(), box->document()->toRawText());
    }

    void piecesOfALoadedTextAreTheDocumentsTextWithoutReadingItBack() {
        // Every character the editor breaks lines at, alone, in pairs and at the ends, small
        // and large (a large text is converted on another thread while the document fills).
        const QString breaks =
            QStringLiteral("a\r\nb\rc\nd\u2029e\ufdd0f\ufdd1g\u2028h\r\r\n\n\u00a0");
        for (const qsizetype size :
             {qsizetype(0), qsizetype(40), 5 * TextChunks::ChunkSize, qsizetype(300 * 1024)}) {
            QString text = QStringLiteral("\r");
            while (text.size() < size)
                text += breaks;
            text += QStringLiteral("z\r");
            QTextDocument document;
            document.setPlainText(text);
            TextChunks chunks;
            chunks.resetFromPlainText(text);
            QCOMPARE(chunks.size(), document.toRawText().size());
            QCOMPARE(chunks.joined(), document.toRawText());

            TestEnv env(false);
            Editor editor(false);
            editor.box->setText(text);
            QCOMPARE(editor.box->textSnapshot().joined(), editor.box->document()->toRawText());
            QCOMPARE(editor.box->documentText(), editor.box->document()->toRawText());
        }
    }

    void aTextOfManyDifferentCharactersKeepsThemWhole() {
        // Up to 256 different characters go one byte each; the 257th, wherever it first comes,
        // keeps the whole text at its own width. Edits in either kind of piece keep the text.
        QString latin;
        for (char16_t c = 0x20; c < 0x7f; ++c)
            latin += QChar(c);
        QString many; // 300 ideographs, the break characters among them
        for (char16_t c = 0x4e00; c < 0x4e00 + 300; ++c)
            many += QChar(c) + QStringLiteral("\r\n");
        const QString exactly256 = latin + QStringLiteral("\n") + many.left(3 * (256 - 96));
        QString page;
        while (page.size() < 300 * 1024)
            page += latin + QStringLiteral("\r\n");
        for (const auto& [text, narrow] :
             {std::pair{page + exactly256, true}, std::pair{page + many, false},
              std::pair{many + page, false}}) {
            QTextDocument document;
            document.setPlainText(text);
            const QString raw = document.toRawText();
            TextChunks chunks;
            chunks.resetFromPlainText(text);
            QCOMPARE(chunks.joined(), raw);
            QCOMPARE(chunks.snapshot().storedBytes(), raw.size() * (narrow ? 1 : 2));

            TestEnv env(false);
            Editor editor(false);
            RichTextBox* box = editor.box;
            box->setText(text);
            QCOMPARE(box->textSnapshot().storedBytes(), raw.size() * (narrow ? 1 : 2));
            const TextSnapshot loaded = box->textSnapshot();
            // An ideograph typed into the one-byte pieces, text cut across two pieces, and the
            // end of the text replaced.
            box->selectDocumentRange(5000, 5000);
            box->setSelText(QStringLiteral("\u4e00\u9fa5ő"));
            QTest::keyClicks(box, QStringLiteral("ab"));
            box->selectDocumentRange(8000, 8000 + int(TextChunks::ChunkSize));
            QTest::keyClick(box, Qt::Key_Delete);
            const int length = box->document()->characterCount() - 1;
            box->selectDocumentRange(length - 10, length);
            box->setSelText(QStringLiteral("vége\r\n"));
            QCOMPARE(box->textSnapshot().joined(), box->document()->toRawText());
            QCOMPARE(box->documentText(), box->document()->toRawText());
            QCOMPARE(loaded.joined(), raw); // a snapshot keeps its moment
        }
    }

    void aLargeLoadKeepsOneTextThatEditsAndLaterLoadsLeaveIntact() {
        TestEnv env(false);
        Editor editor;
        RichTextBox* box = editor.box;
        QString page;
        for (int line = 0; page.size() < 400 * 1024; ++line)
            page += QStringLiteral("<p>sor %1 árvíztűrő</p>\r\n").arg(line);
        const QString path = env.path(QStringLiteral("large.html"));
        QVERIFY(TestEnv::writeFile(path, page.toUtf8()));

        // The pieces (converted beside the document's filling) are the document's text, kept at
        // one byte a character: beside the document's own copy, half a copy more.
        QSignalSpy changes(box, &RichTextBox::Change);
        QVERIFY(box->LoadFile(path));
        const QString seen = box->documentText();
        QCOMPARE(changes.size(), 1);
        QCOMPARE(seen, box->document()->toRawText());
        QCOMPARE(box->textSnapshot().storedBytes(), seen.size());
        QCOMPARE(box->encoding().codec, TextEncoding::Codec::Utf8);
        QVERIFY(!box->document()->isUndoAvailable());
        QCOMPARE(box->Text(), page);

        // Pieces shared with another thread stay the text of their moment through edits and
        // through the next load, which replaces the text they point into.
        const TextSnapshot loaded = box->textSnapshot();
        QCOMPARE(loaded.joined(), seen);
        box->selectDocumentRange(200 * 1024, 200 * 1024);
        QTest::keyClicks(box, QStringLiteral("<i>uj</i>"));
        box->selectDocumentRange(10, 5000);
        QTest::keyClick(box, Qt::Key_Delete);
        const QString edited = box->document()->toRawText();
        QCOMPARE(box->textSnapshot().joined(), edited);
        QCOMPARE(box->documentText(), edited);
        const TextSnapshot afterEdits = box->textSnapshot();
        box->setText(QStringLiteral("kicsi"));
        QCOMPARE(loaded.joined(), seen);
        QCOMPARE(afterEdits.joined(), edited);
        QCOMPARE(box->textSnapshot().joined(), QStringLiteral("kicsi"));

        // A load that fails leaves everything as it was.
        QString error;
        QVERIFY(!box->LoadFile(env.path(QStringLiteral("missing.html")), &error));
        QCOMPARE(box->textSnapshot().joined(), QStringLiteral("kicsi"));
        QCOMPARE(box->Text(), QStringLiteral("kicsi"));
    }

    void longLinesCarryColoursWhereverTheyAreShown() {
        TestEnv env(false);
        Editor editor;
        RichTextBox* box = editor.box;
        QString line;
        while (line.size() < 60000)
            line += QStringLiteral("<b>bold</b> text ");
        box->setText(line + QStringLiteral("\r\n<i>short</i>"));
        HighlightTags(box);
        box->setSelStart(0);
        editor.paint();
        const QTextLayout* layout = box->document()->firstBlock().layout();
        QVERIFY(layout->cacheEnabled());
        const auto coversCharacter = [&](int at) { // with a colour
            for (const auto& range : layout->formats())
                if (range.format.hasProperty(QTextFormat::ForegroundBrush) && range.start <= at &&
                    at < range.start + range.length)
                    return true;
            return false;
        };
        QVERIFY(coversCharacter(0));
        QVERIFY(!coversCharacter(59000)); // far out of view

        // Scrolled to the end of the line, the colours are there too.
        box->horizontalScrollBar()->setValue(box->horizontalScrollBar()->maximum());
        editor.paint();
        int last = int(line.lastIndexOf(u'<'));
        QVERIFY(coversCharacter(last));
        QVERIFY(!coversCharacter(0));
        QCOMPARE(box->document()->lastBlock().layout()->formats().size(), 2);

        // Typing at the end of the long line keeps its colours in view.
        box->setSelStart(int(line.size()));
        QTest::keyClicks(box, QStringLiteral("<p>"));
        editor.paint();
        QVERIFY(coversCharacter(last));
        QCOMPARE(*box->colourRuns().colourAt(last), quint32(0x4000));
    }

    void resizingKeepsTheSidewaysScrollRangeToTheText() {
        // A change of width lays out no line again; the scroll range still follows the text.
        TestEnv env(false);
        Editor editor;
        RichTextBox* box = editor.box;
        box->setText(QStringLiteral("<p>short</p>\r\nline two"));
        editor.paint();
        for (const int width : {700, 300, 500}) {
            editor.window.resize(width, 300);
            QCoreApplication::processEvents();
            editor.paint();
            QCOMPARE(box->horizontalScrollBar()->maximum(), 0);
        }
        const QString line(3000, u'x');
        box->setText(QStringLiteral("first\r\n") + line);
        box->setSelStart(int(box->textLength()));
        editor.paint();
        editor.window.resize(800, 300);
        QCoreApplication::processEvents();
        editor.paint();
        QScrollBar* bar = box->horizontalScrollBar();
        QVERIFY(bar->maximum() > 0);
        bar->setValue(bar->maximum());
        editor.paint();
        QVERIFY(box->viewport()->rect().contains(box->cursorRect().center()));
    }

    void moveRefusesNegativeSizes() {
        TestEnv env(false);
        Editor editor(false);
        RichTextBox* box = editor.box;
        QVERIFY(box->Move(0, 0, 1500, 1500));
        const QRect placed = box->geometry();
        QVERIFY(!box->Move(0, 0, -15, 1500));
        QVERIFY(!box->Move(0, 0, 1500, -1));
        QCOMPARE(box->geometry(), placed);
        QVERIFY(box->Move(15, 15, 0, 0));
    }

    void everyByteValueComesBackFromLoadAndSave() {
        TestEnv env(false);
        Editor editor(false);
        RichTextBox* box = editor.box;
        const QByteArray bytes = allByteValues();
        const QString source = env.path(QStringLiteral("bytes.html"));
        const QString target = env.path(QStringLiteral("bytes-saved.html"));
        QVERIFY(TestEnv::writeFile(source, bytes));
        QString error;
        QVERIFY2(box->LoadFile(source, &error), qPrintable(error));
        QCOMPARE(box->Text().size(), bytes.size());
        QCOMPARE(box->Text().at(0x8A - 2), QChar(0x0160)); // Windows-1250: Š
        QCOMPARE(box->Text().at(0), QChar(0));
        HighlightTags(box); // colours never reach the file
        QVERIFY2(box->SaveFile(target, &error), qPrintable(error));
        QCOMPARE(TestEnv::readFile(target), bytes);
    }

    void utf8FilesComeBackWithOrWithoutTheirMark() {
        TestEnv env(false);
        const QByteArray body = QStringLiteral("<p>árvíztűrő tükörfúrógép</p>\r\n€ „idézet”\r\n"
                                               "\u65e5\u672c\r\n")
                                    .toUtf8();
        for (const QByteArray& bytes : {body, QByteArray("\xEF\xBB\xBF") + body}) {
            Editor editor(false);
            const QString source = env.path(QStringLiteral("utf8.html"));
            const QString target = env.path(QStringLiteral("utf8-saved.html"));
            QVERIFY(TestEnv::writeFile(source, bytes));
            QVERIFY(editor.box->LoadFile(source));
            QVERIFY(editor.box->Text().startsWith(QStringLiteral("<p>árvíztűrő")));
            QVERIFY(editor.box->SaveFile(target));
            QCOMPARE(TestEnv::readFile(target), bytes);
        }
    }

    void savingWritesCrLfAndNeverChangesTheEncoding() {
        TestEnv env(false);
        Editor editor(false);
        RichTextBox* box = editor.box;
        const QString path = env.path(QStringLiteral("out.html"));
        QVERIFY(TestEnv::writeFile(path, "a\nb\rc\r\n"));
        QVERIFY(box->LoadFile(path));
        QVERIFY(box->SaveFile(path));
        QCOMPARE(TestEnv::readFile(path), QByteArray("a\r\nb\r\nc\r\n"));

        box->setSelStart(0);
        box->setSelText(QStringLiteral("ő\u65e5")); // ő fits Windows-1250, the other does not
        // Neither a silent change of encoding nor a question mark: not written at all.
        QString error;
        QVERIFY(!box->SaveFile(path, &error));
        QVERIFY2(error.contains(QStringLiteral("windows-1250")), qPrintable(error));
        QCOMPARE(TestEnv::readFile(path), QByteArray("a\r\nb\r\nc\r\n"));
        box->setEncoding({TextEncoding::Codec::Utf8, false});
        QVERIFY(box->SaveFile(path));
        QCOMPARE(TestEnv::readFile(path), QStringLiteral("ő\u65e5a\r\nb\r\nc\r\n").toUtf8());
    }

    void failedLoadAndSaveLeaveEverythingAsItWas() {
        TestEnv env(false);
        Editor editor(false);
        RichTextBox* box = editor.box;
        box->setText(QStringLiteral("keep me"));
        QSignalSpy changes(box, &RichTextBox::Change);
        QString error;
        QVERIFY(!box->LoadFile(env.path(QStringLiteral("missing.html")), &error));
        QVERIFY(error.contains(QStringLiteral("missing.html")));
        QVERIFY(!box->LoadFile(env.root(), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(box->Text(), QStringLiteral("keep me"));
        QCOMPARE(changes.size(), 0);

        const QString existing = env.path(QStringLiteral("old.html"));
        QVERIFY(TestEnv::writeFile(existing, "old contents\r\n"));
        error.clear();
        QVERIFY(!box->SaveFile(env.path(QStringLiteral("no/such/folder/x.html")), &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFileInfo::exists(env.path(QStringLiteral("no"))));

        const QString folder = env.path(QStringLiteral("folder.html"));
        QVERIFY(QDir().mkpath(folder));
        error.clear();
        QVERIFY(!box->SaveFile(folder, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(QFileInfo(folder).isDir());

        // A name below a file cannot be created either; the file itself is untouched.
        QVERIFY(!box->SaveFile(existing + QStringLiteral("/x.html"), &error));
        QCOMPARE(TestEnv::readFile(existing), QByteArray("old contents\r\n"));

        // A successful save replaces the file whole and leaves no temporary file behind.
        QVERIFY(box->SaveFile(existing));
        QCOMPARE(TestEnv::readFile(existing), QByteArray("keep me"));
        QCOMPARE(QDir(env.root()).entryList(QDir::Files), QStringList{QStringLiteral("old.html")});
    }
};

WEBRIX_TEST_MAIN(RichTextBoxTest)
#include "tst_richtextbox.moc"
