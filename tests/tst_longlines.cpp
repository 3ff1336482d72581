// Very long lines: the editor draws only the shown part of such a line itself. What it shows must
// be what Qt's editor shows for the same document, pixel for pixel: colours, selection, caret,
// tab stops, right-to-left text, and the input method's preedit text. Keys typed into such a line
// leave it waiting for its layout; the text, view, caret and undo steps must be what Qt's editor
// makes of the same keys, and the line's kept widths what its layout gives.

#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QInputMethodEvent>
#include <QPlainTextEdit>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSet>
#include <QSignalSpy>
#include <QStyleHints>
#include <QTextBlock>

#include "controls/LinePieces.h"
#include "controls/RichTextBox.h"
#include "documents/HighlightTags.h"
#include "tests/support/TestEnv.h"

namespace {
// The editor beside a plain Qt editor that shows the same document (and so the same layouts,
// with the same colours), in one window, both the same size.
struct SideBySide {
    QWidget window;
    RichTextBox* box;
    QPlainTextEdit* reference;
    SideBySide() : box(new RichTextBox), reference(new QPlainTextEdit) {
        auto* layout = new QHBoxLayout(&window);
        layout->addWidget(box);
        layout->addWidget(reference);
        window.resize(1000, 300);
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            qWarning("the window did not become active");
    }
    // Call after the box's text is set: the reference shows the box's document.
    void share() {
        reference->setLineWrapMode(QPlainTextEdit::NoWrap);
        reference->setFont(box->font());
        reference->setDocument(box->document());
        reference->setOverwriteMode(box->overwriteMode());
        reference->setTextCursor(box->textCursor());
        QCoreApplication::processEvents();
    }
    // Scrolls both to the same place and gives each the focus for its picture, so that each
    // shows its caret.
    void compare(int scrollTo) {
        for (QPlainTextEdit* editor : {static_cast<QPlainTextEdit*>(box), reference}) {
            editor->horizontalScrollBar()->setValue(scrollTo);
            editor->verticalScrollBar()->setValue(0);
        }
        QCOMPARE(box->horizontalScrollBar()->value(), reference->horizontalScrollBar()->value());
        box->setFocus();
        QCoreApplication::processEvents();
        const QImage shown = box->viewport()->grab().toImage();
        reference->setFocus();
        QCoreApplication::processEvents();
        const QImage expected = reference->viewport()->grab().toImage();
        QCOMPARE(shown.size(), expected.size());
        if (shown != expected) {
            QRect differ;
            for (int y = 0; y < shown.height(); ++y)
                for (int x = 0; x < shown.width(); ++x)
                    if (shown.pixel(x, y) != expected.pixel(x, y))
                        differ |= QRect(x, y, 1, 1);
            qWarning() << "pictures differ in" << differ;
            static int failure = 0;
            ++failure;
            shown.save(QDir::temp().filePath(QStringLiteral("longline-%1-shown.png").arg(failure)));
            expected.save(
                QDir::temp().filePath(QStringLiteral("longline-%1-expected.png").arg(failure)));
        }
        QVERIFY2(shown == expected, "the long line looks different from Qt's own drawing");
    }
    // Where the given character of the first line is, as a horizontal scroll value that shows it
    // a third of the way in.
    int scrollToCharacter(int at) {
        QTextLine line = box->document()->firstBlock().layout()->lineAt(0);
        return qMax(0, int(line.cursorToX(at)) - box->viewport()->width() / 3);
    }
};

// Types each character as its own key (QTest's own typing knows ASCII only).
void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &release);
    }
}

QString longTaggedLine(const QString& text, int size) {
    QString line;
    for (int i = 0; line.size() < size; ++i)
        line += QStringLiteral("<td class=\"c%1\">%2</td>").arg(i).arg(text);
    return line;
}
// Shows the editor with a coloured long line and the caret in it.
bool showLongLineWithCaret(RichTextBox& box) {
    box.resize(600, 200);
    box.show();
    box.activateWindow();
    if (!QTest::qWaitForWindowActive(&box))
        return false;
    box.setText(longTaggedLine(QStringLiteral("Árvíztűrő tükörfúrógép"), 30000));
    HighlightTags(&box);
    box.setSelStart(20000);
    box.setFocus();
    QCoreApplication::processEvents();
    return true;
}
} // namespace

class TestLongLines : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // A steady caret, so that both pictures show it.
        QApplication::setCursorFlashTime(0);
    }

    void shownPartLooksLikeTheWholeLine() {
        TestEnv env(false);
        SideBySide view;
        RichTextBox* box = view.box;
        const QString line = longTaggedLine(QStringLiteral("Árvíztűrő tükörfúrógép"), 60000);
        box->setText(QStringLiteral("<p>before</p>\r\n") + line + QStringLiteral("\r\n<p>after"));
        HighlightTags(box);
        view.share();

        // At the start of the long line, caret on the short first line.
        box->setSelStart(3);
        view.reference->setTextCursor(box->textCursor());
        view.compare(0);

        // In the middle, with a selection that starts and ends inside the view.
        const int middle = 30000;
        const int lineStart = box->document()->findBlockByNumber(1).position();
        box->selectDocumentRange(lineStart + middle, lineStart + middle + 25);
        view.reference->setTextCursor(box->textCursor());
        QTextLine layoutLine = box->document()->findBlockByNumber(1).layout()->lineAt(0);
        const int x = qMax(0, int(layoutLine.cursorToX(middle)) - 100);
        view.compare(x);

        // A selection from far before the view to the end of the long line, its line break and
        // the next line.
        box->selectDocumentRange(lineStart + 100, lineStart + int(line.size()) + 3);
        view.reference->setTextCursor(box->textCursor());
        view.compare(x);
        view.compare(view.reference->horizontalScrollBar()->maximum());

        // The block caret of overwrite mode, in the middle of the line.
        box->setOverwriteMode(true);
        view.reference->setOverwriteMode(true);
        box->selectDocumentRange(lineStart + middle + 5, lineStart + middle + 5);
        view.reference->setTextCursor(box->textCursor());
        view.compare(x);

        // Typing keeps the shown part in step with the line.
        box->setOverwriteMode(false);
        view.reference->setOverwriteMode(false);
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("<b>new</b>"));
        view.reference->setTextCursor(box->textCursor());
        view.compare(x);
    }

    void tabsAndOtherScriptsLookTheSame() {
        TestEnv env(false);
        SideBySide view;
        RichTextBox* box = view.box;
        // Tab stops depend on where a tab is in the whole line.
        QString line = longTaggedLine(QStringLiteral("a\tbb\tccc\t"), 40000);
        box->setText(line);
        HighlightTags(box);
        view.share();
        box->selectDocumentRange(20003, 20011);
        view.reference->setTextCursor(box->textCursor());
        view.compare(view.scrollToCharacter(20000));

        // Hebrew and Arabic in the shown part, and wide characters and an emoji of other fonts.
        line = longTaggedLine(QStringLiteral("שלום עולם 123 مرحبا abc"), 40000);
        line += longTaggedLine(QStringLiteral("漢字 かな 😀 é"), 40000);
        box->setText(line);
        HighlightTags(box);
        view.share();
        for (const int at : {20000, 60000}) {
            box->selectDocumentRange(at, at + 9);
            view.reference->setTextCursor(box->textCursor());
            view.compare(view.scrollToCharacter(at));
        }
    }

    void preeditTextIsShownInTheLine() {
        TestEnv env(false);
        SideBySide view;
        RichTextBox* box = view.box;
        box->setText(longTaggedLine(QStringLiteral("szöveg"), 40000));
        HighlightTags(box);
        view.share();
        box->setSelStart(20000);
        box->setFocus();
        QList<QInputMethodEvent::Attribute> attributes;
        QTextCharFormat underline;
        underline.setFontUnderline(true);
        attributes << QInputMethodEvent::Attribute(QInputMethodEvent::TextFormat, 0, 3, underline);
        QInputMethodEvent preedit(QStringLiteral("ő̈x"), attributes);
        QCoreApplication::sendEvent(box, &preedit);
        QCOMPARE(box->document()->firstBlock().layout()->preeditAreaText(), QStringLiteral("ő̈x"));
        // The reference's own caret is not in the preedit text: compare without carets.
        view.reference->setTextCursor(box->textCursor());
        box->setCursorWidth(0);
        view.reference->setCursorWidth(0);
        view.compare(view.scrollToCharacter(20000));
    }

    void longLineLooksAsAShortOne() {
        // A long line may be laid out without the shaping step where its text does without it;
        // its glyphs and their places must be the ones a short line of the same text gets. The
        // tag colours cut both lines into runs at the same places around the words.
        TestEnv env(false);
        const QStringList texts{
            QStringLiteral("Árvíztűrő fi ffl --> != ≤ → Ωμέγα Привет 漢字 ½ € "),
            QStringLiteral("Árvíztűrő مرحبا بكم שָׁלוֹם ကမ္ဘာ ព្រះ "),
            QStringLiteral("Árvíztűrő e\u0301 a\u00ADb x\u200By 😀👍🏽 1\uFE0F\u20E3 "),
        };
        for (const QString& words : texts) {
            RichTextBox box;
            box.resize(600, 200);
            box.show();
            QVERIFY(QTest::qWaitForWindowExposed(&box));
            const QString line = longTaggedLine(words, 40000);
            box.setText(QStringLiteral("<p>") + words + QStringLiteral("\n") + line);
            HighlightTags(&box);
            box.repaint();
            const QTextBlock shortBlock = box.document()->firstBlock();
            const QTextBlock longBlock = shortBlock.next();
            QVERIFY(longBlock.length() > RichTextBox::LongLine);
            const auto glyphsOf = [](const QTextBlock& block, int from, int length) {
                QTextLayout* layout = block.layout();
                if (layout->lineCount() == 0)
                    block.document()->documentLayout()->blockBoundingRect(block);
                QList<std::pair<quint32, qreal>> glyphs; // glyph, place from the leftmost one
                for (const QGlyphRun& run : layout->glyphRuns(from, length)) {
                    const QList<quint32> indexes = run.glyphIndexes();
                    const QList<QPointF> places = run.positions();
                    for (qsizetype i = 0; i < indexes.size(); ++i)
                        glyphs.append({indexes[i], places[i].x()});
                }
                qreal origin = 1e9;
                for (const auto& glyph : glyphs)
                    origin = qMin(origin, glyph.second);
                for (auto& glyph : glyphs)
                    glyph.second -= origin;
                std::sort(glyphs.begin(), glyphs.end(), [](const auto& a, const auto& b) {
                    return a.second < b.second || (a.second == b.second && a.first < b.first);
                });
                return glyphs;
            };
            const int inLong = int(line.indexOf(words, 20000));
            QVERIFY(inLong > 0);
            QCOMPARE(glyphsOf(longBlock, inLong, int(words.size())),
                     glyphsOf(shortBlock, 3, int(words.size())));
        }
    }

    void typedKeysLeaveTheLineWaitingAndLookTheSame() {
        // Keys typed into a long line leave it waiting for its layout; what the editor shows, the
        // view's place and the caret rectangle the input method gets must be what they are once
        // the line is laid out, and what Qt's editor makes of the same keys.
        TestEnv env(false);
        SideBySide view;
        RichTextBox* box = view.box;
        QPlainTextEdit* reference = view.reference;
        const QString line = longTaggedLine(QStringLiteral("Árvíztűrő   tükörfúrógép λж€"), 60000);
        const QString text =
            QStringLiteral("<p>before</p>\r\n") + line + QStringLiteral("\r\n<p>after");
        box->setText(text);
        HighlightTags(box);
        reference->setLineWrapMode(QPlainTextEdit::NoWrap);
        reference->setFont(box->font());
        reference->setPlainText(text);
        const QTextBlock block = box->document()->findBlockByNumber(1);

        for (const int fromEnd : {30000, 3, 0}) {
            const int at = fromEnd == 30000 ? 30000 : block.length() - 1 - fromEnd;
            // The box types last: taking the focus away from it shows its caret elsewhere, which
            // lays the line out.
            for (QPlainTextEdit* editor : {reference, static_cast<QPlainTextEdit*>(box)}) {
                QTextCursor cursor = editor->textCursor();
                cursor.setPosition(block.position() + at);
                editor->setTextCursor(cursor);
                editor->setFocus();
                QCoreApplication::processEvents();
                typeText(editor, QStringLiteral("xő€ <b"));
                // ">" as AltGr gives it on a Hungarian keyboard (Ctrl+Alt where AltGr is that).
                QKeyEvent altGr(QEvent::KeyPress, Qt::Key_Greater,
                                Qt::ControlModifier | Qt::AltModifier, QStringLiteral(">"));
                QCoreApplication::sendEvent(editor, &altGr);
                QTest::keyClick(editor, Qt::Key_Backspace);
                QTest::keyClick(editor, Qt::Key_Backspace);
                if (fromEnd > 0)
                    QTest::keyClick(editor, Qt::Key_Delete);
            }
            // The line waits, unless the view showed its end as it got shorter (the view then
            // moves back with it, which needs the line laid out).
            const int waiting = fromEnd > 0 ? 0 : 1;
            QCOMPARE(block.layout()->lineCount(), waiting);
            QCOMPARE(box->toPlainText(), reference->toPlainText());
            QCOMPARE(box->textCursor().position(), reference->textCursor().position());
            QCOMPARE(box->horizontalScrollBar()->value(),
                     reference->horizontalScrollBar()->value());

            QCoreApplication::processEvents();
            const QImage drawn = box->viewport()->grab().toImage();
            const QRectF caretWaiting = box->inputMethodQuery(Qt::ImCursorRectangle).toRectF();
            if (fromEnd > 0)
                QCOMPARE(block.layout()->lineCount(), 0); // drawing it did not lay it out

            const QRect caret = box->cursorRect(); // the editor's own: lays the line out
            QCOMPARE(block.layout()->lineCount(), 1);
            QCOMPARE(caretWaiting, box->inputMethodQuery(Qt::ImCursorRectangle).toRectF());
            QVERIFY(box->viewport()->rect().contains(caret));
            box->viewport()->update();
            QCoreApplication::processEvents();
            const QImage laidOutImage = box->viewport()->grab().toImage();
            QCOMPARE(drawn, laidOutImage);
        }
        // Home and End take a waiting line's ends without laying it out, and the view follows
        // as in Qt's editor.
        for (const Qt::Key key : {Qt::Key_End, Qt::Key_Home, Qt::Key_End}) {
            for (QPlainTextEdit* editor : {reference, static_cast<QPlainTextEdit*>(box)}) {
                editor->setFocus();
                QCoreApplication::processEvents();
                typeText(editor, QStringLiteral("h"));
                QTest::keyClick(editor, key);
            }
            QCOMPARE(block.layout()->lineCount(), 0);
            QCOMPARE(box->textCursor().position(), reference->textCursor().position());
            QCOMPARE(box->horizontalScrollBar()->value(),
                     reference->horizontalScrollBar()->value());
            QCOMPARE(box->toPlainText(), reference->toPlainText());
        }

        // Undone while it waits, the line is laid out again with its text as it was.
        for (QPlainTextEdit* editor : {reference, static_cast<QPlainTextEdit*>(box)}) {
            QTextCursor cursor = editor->textCursor();
            cursor.setPosition(block.position() + 20000);
            editor->setTextCursor(cursor);
            editor->setFocus();
            QCoreApplication::processEvents();
            typeText(editor, QStringLiteral("undo me"));
        }
        QCOMPARE(block.layout()->lineCount(), 0);
        box->undo();
        reference->undo();
        QCOMPARE(block.layout()->lineCount(), 1);
        QCOMPARE(box->toPlainText(), reference->toPlainText());
        QCOMPARE(box->textCursor().position(), reference->textCursor().position());

        // The undo history has the steps Qt's editor makes of the same keys.
        while (reference->document()->isUndoAvailable()) {
            QVERIFY(box->document()->isUndoAvailable());
            box->undo();
            reference->undo();
            QCOMPARE(box->toPlainText(), reference->toPlainText());
        }
        QVERIFY(!box->document()->isUndoAvailable());
        QCOMPARE(box->Text(), text);
    }

    void theCaretBlinksWhileTheLineWaits() {
        // The blink repaints the caret without laying the waiting line out, and the caret is
        // drawn where the line's layout puts it, on and off.
        TestEnv env(false);
        RichTextBox box;
        QVERIFY(showLongLineWithCaret(box));
        QApplication::setCursorFlashTime(200);
        typeText(&box, QStringLiteral("abc"));
        const QTextBlock block = box.document()->firstBlock();
        QCOMPARE(block.layout()->lineCount(), 0);
        const QRect caret = box.inputMethodQuery(Qt::ImCursorRectangle).toRect();
        QSet<bool> caretShown;
        for (int i = 0; i < 8; ++i) {
            QTest::qWait(50);
            const QImage shown = box.viewport()->grab(caret).toImage();
            bool dark = false;
            for (int y = 0; y < shown.height(); ++y)
                dark = dark || qGray(shown.pixel(0, y)) < 128;
            caretShown.insert(dark);
        }
        const int lines = block.layout()->lineCount();
        QApplication::setCursorFlashTime(0);
        QCOMPARE(lines, 0);
        QCOMPARE(caretShown, QSet<bool>({true, false}));
    }

    void aNewTextLetsAWaitingLineGo() {
        TestEnv env(false);
        RichTextBox box;
        QVERIFY(showLongLineWithCaret(box));
        typeText(&box, QStringLiteral("abc"));
        QCOMPARE(box.document()->firstBlock().layout()->lineCount(), 0);
        box.setText(QStringLiteral("<p>short</p>"));
        QCoreApplication::processEvents();
        QCOMPARE(box.horizontalScrollBar()->maximum(), 0);
    }

    void piecesFollowEditsAsTheLayoutDoes() {
        // The widths kept for a waiting line must be the ones its layout gives, after any edit.
        TestEnv env(false);
        RichTextBox box;
        box.resize(600, 200);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        box.setText(longTaggedLine(QStringLiteral("Árvíztűrő  tükörfúrógép λж€漢"), 30000));
        HighlightTags(&box);
        box.setSelStart(100);
        QCoreApplication::processEvents();
        QTest::keyClick(&box, Qt::Key_X, Qt::NoModifier);
        const QTextBlock block = box.document()->firstBlock();
        auto* data = static_cast<LongLineData*>(block.userData());
        QVERIFY(data && data->pieces);

        QRandomGenerator random(11);
        const QString alphabet = QStringLiteral("ab <>/=\"őŰé€λж漢  ");
        for (int round = 0; round < 40; ++round) {
            const int length = block.length() - 1;
            const int at = int(random.bounded(length + 1));
            const int removed = round % 3 ? 0 : int(random.bounded(qMin(5000, length - at) + 1));
            QString added;
            for (int i = int(random.bounded(round % 2 ? 3 : 7000)); i > 0; --i)
                added += alphabet[random.bounded(int(alphabet.size()))];
            QTextCursor cursor(box.document());
            cursor.setPosition(at);
            cursor.setPosition(at + removed, QTextCursor::KeepAnchor);
            cursor.insertText(added);
            box.document()->documentLayout()->blockBoundingRect(block); // laid out whole
            QVERIFY(data->pieces);
            QCOMPARE(data->pieces->length(), block.length() - 1);
            const QTextLine laidOut = block.layout()->lineAt(0);
            for (int i = 0; i < 20; ++i) {
                const int p = int(random.bounded(block.length()));
                QCOMPARE(data->pieces->cursorToX(block, p), laidOut.cursorToX(p));
                const qreal x = laidOut.cursorToX(p) + 0.25;
                QCOMPARE(data->pieces->xToCursor(block, x), laidOut.xToCursor(x));
            }
            QCOMPARE(data->pieces->cursorToX(block, block.length() - 1),
                     laidOut.cursorToX(block.length() - 1));
            QCOMPARE(data->pieces->blockRect(),
                     box.document()->documentLayout()->blockBoundingRect(block));
        }
        // A tab ends them: its stops count from the start of the line.
        QTextCursor(box.document()).insertText(QStringLiteral("\t"));
        QVERIFY(!data->pieces);
    }

    void openingColoursTheTextAsItGoesIn() {
        // File > Open colours the tags while the text goes in; the editor ends as the plain load
        // and a colouring pass leave it, and shows the same.
        TestEnv env(false);
        const QString longLine = longTaggedLine(QStringLiteral("Árvíztűrő"), 50000);
        for (const QString& text : {longLine, QStringLiteral("<p>a</p>\n") + longLine + u'\n',
                                    QStringLiteral("<b>short</b> page\nno long line <i>")}) {
            const QString path = env.path(QStringLiteral("page.html"));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(text.toUtf8());
            file.close();

            SideBySide view;
            RichTextBox* plain = new RichTextBox;
            view.window.layout()->replaceWidget(view.reference, plain);
            delete view.reference;
            view.reference = plain;
            QCoreApplication::processEvents();

            QVERIFY(plain->LoadFile(path));
            HighlightTags(plain);
            QSignalSpy changes(view.box, &RichTextBox::Change);
            TagScan scan;
            QVERIFY(loadFileColoured(view.box, path, &scan));
            QCOMPARE(changes.count(), 1);
            applyTagScan(view.box, scan);

            QCOMPARE(view.box->documentText(), plain->documentText());
            QCOMPARE(view.box->colourRuns().runs().size(), plain->colourRuns().runs().size());
            for (int at = 0; at < view.box->textLength(); at += 7)
                QCOMPARE(view.box->colourRuns().colourAt(at), plain->colourRuns().colourAt(at));
            QCOMPARE(view.box->SelStart(), plain->SelStart());
            QCOMPARE(view.box->SelLength(), plain->SelLength());
            QVERIFY(!view.box->document()->isUndoAvailable());
            QVERIFY(!view.box->document()->isModified());
            QCOMPARE(view.box->encoding().codec, plain->encoding().codec);
            view.compare(plain->horizontalScrollBar()->value());
        }

        // A file that cannot be read leaves the editor as it was.
        TagScan scan;
        QString error;
        RichTextBox box;
        box.setText(QStringLiteral("<p>kept"));
        QVERIFY(!loadFileColoured(&box, env.path(QStringLiteral("missing.html")), &scan, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(box.Text(), QStringLiteral("<p>kept"));
    }
};

QTEST_MAIN(TestLongLines)
#include "tst_longlines.moc"
