// Tag colouring: the colour of every character and the selection left behind, checked on the
// documented cases and against a literal per-character model on generated text.

#include <QRandomGenerator>
#include <QTextBlock>
#include <QVBoxLayout>

#include "app/frmMain.h"
#include "controls/CharacterCount.h"
#include "controls/RichTextBox.h"
#include "controls/Twips.h"
#include "documents/HighlightTags.h"
#include "documents/frmDocument.h"
#include "tests/support/TestEnv.h"

namespace {
using Colours = QList<std::optional<quint32>>;

// The colour of every character of Text(); the two characters of a line break share one.
Colours textColours(const RichTextBox& box) {
    Colours colours;
    const QString text = box.Text();
    const int count = box.document()->characterCount() - 1;
    for (int pos = 0; pos < count; ++pos) {
        const auto colour = box.colourRuns().colourAt(pos);
        colours << colour;
        if (box.document()->characterAt(pos) == QChar(QChar::ParagraphSeparator))
            colours << colour;
    }
    Q_ASSERT(colours.size() == text.size());
    return colours;
}

// One letter a character: G dark green, O olive, P dark purple, B button face, . none, ? other.
QString colourLetters(const RichTextBox& box) {
    QString letters;
    for (const auto& colour : textColours(box)) {
        if (!colour)
            letters += u'.';
        else if (*colour == 0x4000)
            letters += u'G';
        else if (*colour == 0x8080)
            letters += u'O';
        else if (*colour == 0x400040)
            letters += u'P';
        else if (*colour == 0x8000000F)
            letters += u'B';
        else
            letters += u'?';
    }
    return letters;
}

// The routine exactly as described, on Text() with positions from 1, one character at a time.
struct ModelResult {
    Colours colours;
    int selStart;
    int selLength;
};

ModelResult model(const QString& s, Colours colours, int selStart, int selLength) {
    const int n = int(s.size());
    int searchStart = 1;
    for (int iteration = 1; iteration <= n; ++iteration) {
        int p = 0;
        for (int i = searchStart; i <= n; ++i) {
            if (s[i - 1] == u'<') {
                p = i;
                break;
            }
        }
        if (p == 0)
            break;
        quint32 colour = 0x4000;
        if (s.mid(p - 1, 4).toLower() == u"<img")
            colour = 0x400040;
        else if (s.mid(p - 1, 2).toLower() == u"<a")
            colour = 0x8080;
        else if (s.mid(p - 1, 3).toLower() == u"</a")
            colour = 0x8080;
        else if (s.mid(p - 1, 3).toLower() == u"<br")
            colour = 0x8000000F;
        int q = n;
        for (int i = p; i <= n; ++i) {
            if (s[i - 1] == u'>') {
                q = i;
                break;
            }
        }
        selStart = p - 1;
        selLength = q - p + 1;
        for (int i = selStart; i < selStart + selLength; ++i)
            colours[i] = colour;
        searchStart = q;
    }
    return {colours, selStart, selLength};
}

struct Editor {
    QWidget window;
    RichTextBox* box;
    Editor() : box(new RichTextBox) {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(box);
        window.resize(500, 300);
    }
};
} // namespace

class HighlightTagsTest : public QObject {
    Q_OBJECT
private slots:
    void coloursEachCaseAndSelectsTheLastTag_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("colours");
        QTest::addColumn<int>("selStart");
        QTest::addColumn<int>("selLength");
        QTest::newRow("page") << "<HTML><BODY>Hi</BODY></HTML>"
                              << "GGGGGGGGGGGG..GGGGGGGGGGGGGG" << 21 << 7;
        QTest::newRow("link") << "<A HREF=x.html>link</A>"
                              << "OOOOOOOOOOOOOOO....OOOO" << 19 << 4;
        QTest::newRow("image") << "<img src=a.gif>"
                               << "PPPPPPPPPPPPPPP" << 0 << 15;
        QTest::newRow("line breaks") << "<br>a<BR><br/>"
                                     << "BBBB.BBBBBBBBB" << 9 << 5;
        QTest::newRow("prefixes") << "<abbr><image><b></address><Img>"
                                  << "OOOOOOGGGGGGGGGGOOOOOOOOOOPPPPP" << 26 << 5;
        QTest::newRow("unclosed at the end") << "text <b"
                                             << ".....GG" << 5 << 2;
        QTest::newRow("less than in text") << "x < y and y > z"
                                           << "..GGGGGGGGGGG.." << 2 << 11;
        QTest::newRow("ends with <") << "<b>x<"
                                     << "GGG.G" << 4 << 1;
        QTest::newRow("no > at all") << "a <b <a"
                                     << "..GGGGG" << 2 << 5;
        QTest::newRow("unclosed then <") << "<a <"
                                         << "OOOG" << 3 << 1;
        QTest::newRow("only <") << "<"
                                << "G" << 0 << 1;
        QTest::newRow("tag inside tag") << "<a <b>x"
                                        << "OOOOOO." << 0 << 6;
        QTest::newRow("comment") << "<!-- x > y -->"
                                 << "GGGGGGGG......" << 0 << 8;
        QTest::newRow("across lines") << "<p\r\nclass=x>\r\n<br>\r\n"
                                      << "GGGGGGGGGGGG..BBBB.." << 14 << 4;
        QTest::newRow("unclosed over lines") << "a\r\n<img\r\nb\r\n"
                                             << "...PPPPPPPPP" << 3 << 9;
    }

    void coloursEachCaseAndSelectsTheLastTag() {
        QFETCH(QString, text);
        QFETCH(QString, colours);
        QFETCH(int, selStart);
        QFETCH(int, selLength);
        TestEnv env(false);
        Editor editor;
        editor.box->setText(text);
        QCOMPARE(editor.box->Text(), text);

        HighlightTags(editor.box);
        QCOMPARE(colourLetters(*editor.box), colours);
        QCOMPARE(editor.box->SelStart(), selStart);
        QCOMPARE(editor.box->SelLength(), selLength);

        // A second run over the unchanged text gives the same colours and selection.
        editor.box->setSelStart(0);
        HighlightTags(editor.box);
        QCOMPARE(colourLetters(*editor.box), colours);
        QCOMPARE(editor.box->SelStart(), selStart);
        QCOMPARE(editor.box->SelLength(), selLength);
    }

    void emptyDocumentAndTextWithoutTagsKeepTheSelection() {
        TestEnv env(false);
        Editor editor;
        editor.window.show();
        HighlightTags(editor.box);
        QCOMPARE(editor.box->colourRuns().runs().size(), std::size_t(0));
        QCOMPARE(editor.box->SelStart(), 0);
        QCOMPARE(editor.box->SelLength(), 0);
        QVERIFY(editor.box->isVisible());
        QVERIFY(editor.box->updatesEnabled());

        editor.box->setText(QStringLiteral("plain > text\r\nno tags"));
        editor.box->setSelStart(3);
        editor.box->setSelLength(9);
        HighlightTags(editor.box);
        QCOMPARE(colourLetters(*editor.box), QString(21, u'.'));
        QCOMPARE(editor.box->SelStart(), 3);
        QCOMPARE(editor.box->SelLength(), 9);
    }

    void coloursOutsideTagsStay() {
        TestEnv env(false);
        Editor editor;
        editor.box->setText(QStringLiteral("ab<b>cd"));
        editor.box->setColour(0, 7, 0xFF); // red everywhere
        HighlightTags(editor.box);
        QCOMPARE(textColours(*editor.box),
                 Colours({0xFF, 0xFF, 0x4000, 0x4000, 0x4000, 0xFF, 0xFF}));

        // Text that was a tag once keeps its colour after the tag is gone.
        editor.box->setSelStart(2);
        editor.box->setSelLength(1);
        editor.box->setSelText(QString());
        HighlightTags(editor.box);
        QCOMPARE(editor.box->Text(), QStringLiteral("abb>cd"));
        QCOMPARE(textColours(*editor.box), Colours({0xFF, 0xFF, 0x4000, 0x4000, 0xFF, 0xFF}));
        QCOMPARE(editor.box->SelStart(), 2); // the selection is left where it was
    }

    void buttonFaceFollowsThePalette() {
        TestEnv env(false);
        Editor editor;
        editor.box->setText(QStringLiteral("<br>"));
        editor.window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor.window));
        HighlightTags(editor.box);
        editor.box->viewport()->repaint();
        const QTextLayout* layout = editor.box->document()->firstBlock().layout();
        QCOMPARE(layout->formats().size(), 1);
        QCOMPARE(layout->formats().first().format.foreground().color(),
                 editor.box->palette().color(QPalette::Button));

        QPalette palette = editor.box->palette();
        palette.setColor(QPalette::Button, QColor(12, 34, 56));
        editor.box->setPalette(palette);
        editor.box->viewport()->repaint();
        QCOMPARE(layout->formats().first().format.foreground().color(), QColor(12, 34, 56));
        QCOMPARE(*editor.box->colourRuns().colourAt(0), quint32(0x8000000F));
    }

    void keepsFocusAndDoesNotPaintDuringThePass() {
        TestEnv env(false);
        Editor editor;
        editor.window.show();
        editor.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&editor.window));
        editor.box->setFocus();
        QTRY_VERIFY(editor.box->hasFocus());
        QString text;
        for (int i = 0; i < 2000; ++i)
            text += QStringLiteral("<p>line %1 <a href=x>y</a>\r\n").arg(i);
        editor.box->setText(text);
        QCoreApplication::processEvents();

        struct PaintCounter : QObject {
            int paints = 0;
            bool eventFilter(QObject*, QEvent* event) override {
                if (event->type() == QEvent::Paint)
                    ++paints;
                return false;
            }
        } counter;
        editor.box->viewport()->installEventFilter(&counter);
        QObject::connect(editor.box, &QPlainTextEdit::selectionChanged, editor.box, [&] {
            QVERIFY(!editor.box->updatesEnabled()); // the selection is set while painting is off
            QCoreApplication::processEvents();
        });
        HighlightTags(editor.box);
        QCOMPARE(counter.paints, 0);
        QVERIFY(editor.box->hasFocus());
        QVERIFY(editor.box->isVisible());
        QVERIFY(editor.box->updatesEnabled());
        QTRY_VERIFY(counter.paints > 0); // and it is drawn again afterwards
    }

    void matchesTheModelOnGeneratedText() {
        TestEnv env(false);
        Editor editor;
        editor.window.show();
        QRandomGenerator random(20261207);
        const QString alphabet = QStringLiteral("<<<>>aAbBgGiImMrR/x ");
        const quint32 priorColours[] = {0xFF, 0x4000, 0x8080, 0xFF0000};
        for (int round = 0; round < 400; ++round) {
            QString text;
            const int length = int(random.bounded(60));
            for (int i = 0; i < length; ++i) {
                if (random.bounded(12) == 0)
                    text += QStringLiteral("\r\n");
                else
                    text += alphabet[int(random.bounded(int(alphabet.size())))];
            }
            editor.box->setText(text);
            for (int k = int(random.bounded(4)); k > 0 && length > 0; --k) {
                const int start = int(random.bounded(int(text.size())));
                const int count = int(random.bounded(int(text.size()) - start + 1));
                editor.box->setColour(start, count, priorColours[random.bounded(4)]);
            }
            const int selStart = length > 0 ? int(random.bounded(int(text.size()))) : 0;
            editor.box->setSelStart(selStart);
            editor.box->setSelLength(int(random.bounded(3)));

            const ModelResult expected = model(editor.box->Text(), textColours(*editor.box),
                                               editor.box->SelStart(), editor.box->SelLength());
            HighlightTags(editor.box);
            const QByteArray context = text.toUtf8().toPercentEncoding();
            QVERIFY2(textColours(*editor.box) == expected.colours, context.constData());
            QVERIFY2(editor.box->SelStart() == expected.selStart, context.constData());
            QVERIFY2(editor.box->SelLength() == expected.selLength, context.constData());
            if (round % 50 == 0)
                editor.box->viewport()->repaint(); // painting in between changes nothing
        }
    }

    // A large page's scan takes its memory for one run per "<", counted beforehand.
    void countsEveryOpeningWhereverItStands() {
        // Characters that share a byte with "<" (U+003C) must not count.
        const char16_t alphabet[] = {u'<', u'a', u'>', 0x033C, 0x3C00, 0x3C3C, 0xFF3C, u'\n'};
        QRandomGenerator random(11);
        for (int round = 0; round < 2000; ++round) {
            QString text;
            const int length = int(random.bounded(90));
            for (int i = 0; i < length; ++i)
                text += QChar(alphabet[random.bounded(int(std::size(alphabet)))]);
            // Every start within a group of eight, and every end.
            for (int from = 0; from < qMin(8, int(text.size())); ++from) {
                const QStringView part = QStringView(text).mid(from);
                QCOMPARE(countCharacter(part, u'<'), part.count(u'<'));
            }
        }
        QCOMPARE(countCharacter(QStringView(), u'<'), 0);
        // Long enough for every lane of the count to fill up many times over.
        const QString openings(600001, u'<');
        QCOMPARE(countCharacter(openings, u'<'), 600001);
        QCOMPARE(countCharacter(QStringView(openings).mid(3), u'<'), 599998);
        QCOMPARE(countCharacter(openings, u'>'), 0);
    }

    void coloursTheActiveDocumentOfTheMainWindow() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        frmDocument* document = main->activeDocument();
        QVERIFY(document);
        RichTextBox* box = document->rtfDocument;
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("<b>bold</b>"));
        const int undoSteps = box->document()->availableUndoSteps();
        HighlightTags(box);
        QCOMPARE(colourLetters(*box), QStringLiteral("GGG....GGGG"));
        QCOMPARE(box->SelText(), QStringLiteral("</b>"));
        QCOMPARE(box->document()->availableUndoSteps(), undoSteps);
        QVERIFY(box->hasFocus());
    }
};

WEBRIX_TEST_MAIN(HighlightTagsTest)
#include "tst_highlighttags.moc"
