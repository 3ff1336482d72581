// Start-up: the splash window, its timer and the main window it brings up.

#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <QTimer>

#include "app/frmMain.h"
#include "app/frmSplash.h"
#include "app/modGeneral.h"
#include "controls/RichTextBox.h"
#include "documents/HighlightTags.h"
#include "documents/frmDocument.h"
#include "tests/support/TestEnv.h"

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void mainShowsSplashThenMainWindowOnce() {
        TestEnv env;
        modGeneral::Main();
        frmSplash* splash = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* s = qobject_cast<frmSplash*>(w))
                splash = s;
        QVERIFY(splash);
        QVERIFY(splash->isVisible());
        QCOMPARE(splash->Timer->interval(), 1500);
        QVERIFY(splash->Timer->isActive());
        QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(splash->lblTitle->text(), QStringLiteral("Tarvelon's Webrix"));
        QCOMPARE(splash->lblVersion->text(), QStringLiteral("v1.20"));
        QCOMPARE(splash->lblDesignedFor->text(), QStringLiteral("Designed for:"));
        QVERIFY(!splash->imgWinLogo->pixmap().isNull());
        QCOMPARE(modGeneral::mainWindow(), nullptr);

        // While the splash shows, the main window is made ahead but stays out of sight and
        // unloaded; the timer then loads and shows that same window.
        const auto mainWindows = [] {
            QList<frmMain*> found;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* m = qobject_cast<frmMain*>(w))
                    found << m;
            return found;
        };
        QTRY_COMPARE_WITH_TIMEOUT(mainWindows().size(), 1, 1000);
        frmMain* madeAhead = mainWindows().first();
        QVERIFY(splash->Timer->isActive());
        QVERIFY(!madeAhead->isVisible());
        QVERIFY(madeAhead->childForms().isEmpty());
        QCOMPARE(modGeneral::mainWindow(), nullptr);

        QTRY_VERIFY_WITH_TIMEOUT(modGeneral::mainWindow() != nullptr, 5000);
        frmMain* main = modGeneral::mainWindow();
        QCOMPARE(main, madeAhead);
        QTRY_VERIFY(main->isVisible());
        QCOMPARE(main->childForms().size(), 1);
        QCOMPARE(qobject_cast<frmDocument*>(main->childForms().first())->Caption(),
                 QStringLiteral("Dokumentum 1"));

        // The timer acted once: no second main window ever appears.
        QTest::qWait(1700);
        QCOMPARE(mainWindows(), QList<frmMain*>{main});
        main->setQuitOnUnload(false);
        delete main;
    }

    void commandLineFileReadDuringTheSplashOpensLikeAnyOpen_data() {
        QTest::addColumn<bool>("oneLine");
        QTest::addColumn<int>("rows");
        QTest::newRow("lines") << false << 2000;
        // Minified: the page opens on a line long enough to be coloured as it goes in.
        QTest::newRow("one long line") << true << 2000;
        // Over 16 MB: read and scanned during the splash, put into the editor by the load.
        QTest::newRow("very large") << false << 420000;
    }

    void commandLineFileReadDuringTheSplashOpensLikeAnyOpen() {
        QFETCH(bool, oneLine);
        QFETCH(int, rows);
        TestEnv env;
        const QByteArray lineBreak = oneLine ? "" : "\r\n";
        QByteArray bytes = "<HTML><BODY>" + lineBreak +
                           "<A HREF=x.html>\xC1rv\xEDzt\xFBr\xF5</A> a < b<br>" + lineBreak;
        for (int i = 0; i < rows; ++i)
            bytes += "<tr><td><img src=a.gif> t\xFCk\xF6r</td></tr>" + lineBreak;
        bytes += "text <b";
        const QString path = env.path(QStringLiteral("start page.html"));
        QVERIFY(TestEnv::writeFile(path, bytes));
        int messages = 0;
        setMsgBoxHook([&messages](const MsgBoxCall&) {
            ++messages;
            return int(vbOK);
        });

        modGeneral::setCommandLineForTesting(path);
        modGeneral::Main();
        QTRY_VERIFY_WITH_TIMEOUT(modGeneral::mainWindow() && modGeneral::mainWindow()->isVisible(),
                                 5000);
        frmMain* main = modGeneral::mainWindow();
        QCOMPARE(main->childForms().size(), 1);
        auto* document = qobject_cast<frmDocument*>(main->childForms().first());
        QCOMPARE(document->Caption(), path);
        QVERIFY(document->unchanged());

        // The same text, colours and selection as an open of the same file in the window.
        RichTextBox reference;
        QVERIFY(reference.LoadFile(path));
        HighlightTags(&reference);
        const RichTextBox* box = document->rtfDocument;
        QCOMPARE(box->Text(), reference.Text());
        QCOMPARE(box->encoding(), reference.encoding());
        QCOMPARE(box->colourRuns().runs().size(), reference.colourRuns().runs().size());
        for (std::size_t i = 0; i < reference.colourRuns().runs().size(); ++i) {
            const ColourRuns::Run& got = box->colourRuns().runs()[i];
            const ColourRuns::Run& want = reference.colourRuns().runs()[i];
            QCOMPARE(got.start, want.start);
            QCOMPARE(got.end, want.end);
            QCOMPARE(got.colour, want.colour);
        }
        QCOMPARE(box->SelStart(), reference.SelStart());
        QCOMPARE(box->SelLength(), reference.SelLength());
        QCOMPARE(messages, 0);

        // Filled on another thread (or, for the long line, as it went in), the document is worked
        // on as any other: no undo history, the editor's font, edits followed, undone, and told.
        RichTextBox* editor = document->rtfDocument;
        QCOMPARE(editor->document()->thread(), editor->thread());
        if (bytes.size() >= kVeryLargeFile) // its copy of the text as File > Open keeps it
            QCOMPARE(editor->textSnapshot().storedBytes(),
                     editor->document()->characterCount() - 1);
        QVERIFY(!editor->document()->isUndoAvailable());
        QVERIFY(!editor->document()->isModified());
        QCOMPARE(editor->document()->defaultFont(), editor->font());
        QSignalSpy changes(editor, &RichTextBox::Change);
        QSignalSpy modified(editor, &QPlainTextEdit::modificationChanged);
        editor->setFocus();
        editor->setSelStart(0);
        QTest::keyClicks(editor, QStringLiteral("xy"));
        QVERIFY(editor->Text().startsWith(QStringLiteral("xy<HTML>")));
        QCOMPARE(changes.size(), 2);
        QCOMPARE(modified.size(), 1);
        QVERIFY(!document->unchanged());
        editor->undo();
        QCOMPARE(editor->Text(), reference.Text());
        QVERIFY(!editor->document()->isModified());
        QCOMPARE(*editor->colourRuns().colourAt(1), *reference.colourRuns().colourAt(1));
        main->setQuitOnUnload(false);
        delete main;
    }

    void fileWrittenDuringTheSplashIsReadAgain() {
        TestEnv env;
        const QString path = env.path(QStringLiteral("page.html"));
        QVERIFY(TestEnv::writeFile(path, "<p>old</p>"));
        modGeneral::setCommandLineForTesting(path);
        modGeneral::Main();
        // Another program rewrites the file while the splash shows.
        QTest::qWait(200);
        QVERIFY(TestEnv::writeFile(path, "<p>the newer text</p>\r\n"));
        QTRY_VERIFY_WITH_TIMEOUT(modGeneral::mainWindow() && modGeneral::mainWindow()->isVisible(),
                                 5000);
        frmMain* main = modGeneral::mainWindow();
        auto* document = qobject_cast<frmDocument*>(main->childForms().first());
        QCOMPARE(document->rtfDocument->Text(), QStringLiteral("<p>the newer text</p>\r\n"));
        QCOMPARE(*document->rtfDocument->colourRuns().colourAt(0), quint32(0x4000));
        main->setQuitOnUnload(false);
        delete main;
    }

    void unreadableCommandLineFileIsToldOnceTheMainWindowIsUp() {
        TestEnv env;
        // Too large to open; sparse, so it costs no disk.
        const QString path = env.path("huge.html");
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(RichTextBox::MaximumFileSize + 1));
        }
        modGeneral::setCommandLineForTesting(path);
        struct Seen {
            QWidget* owner;
            bool ownerShown;
            bool splashShown;
        };
        QList<Seen> seen;
        setMsgBoxHook([&seen](const MsgBoxCall& call) {
            bool splashShown = false;
            for (QWidget* w : QApplication::topLevelWidgets())
                splashShown = splashShown || (qobject_cast<frmSplash*>(w) && w->isVisible());
            seen << Seen{call.owner, call.owner && call.owner->isVisible(), splashShown};
            return int(vbOK);
        });

        modGeneral::Main();
        QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 1, 5000);
        frmMain* main = modGeneral::mainWindow();
        QVERIFY(main);
        QCOMPARE(seen[0].owner, main);
        QVERIFY(seen[0].ownerShown);
        QVERIFY(!seen[0].splashShown);
        QCOMPARE(qobject_cast<frmDocument*>(main->childForms().first())->Caption(),
                 QStringLiteral("Dokumentum 1"));
        QTest::qWait(100);
        QCOMPARE(seen.size(), 1);
        main->setQuitOnUnload(false);
        delete main;
    }
};

WEBRIX_TEST_MAIN(StartupTest)
#include "tst_startup.moc"
