// File > Open (HTML document and template) and the start-up open of a file named on the command
// line.

#include <QDir>
#include <QFile>
#include <QMdiSubWindow>
#include <unistd.h>

#include "app/frmMain.h"
#include "controls/RichTextBox.h"
#include "documents/HighlightTags.h"
#include "tests/DocumentTestSupport.h"
#include "tests/support/TestEnv.h"

using namespace DocumentTest;

namespace {
const QByteArray kPage = "<html>\r\n<body><b>szia</b></body>\r\n</html>\r\n";

// The working folder for relative command-line arguments, restored afterwards.
class CurrentFolder {
public:
    explicit CurrentFolder(const QString& folder) : m_old(QDir::currentPath()) {
        QDir::setCurrent(folder);
    }
    ~CurrentFolder() { QDir::setCurrent(m_old); }

private:
    QString m_old;
};
} // namespace

class OpenTest : public QObject {
    Q_OBJECT
private slots:
    void openHtmlGivesANewBoundWindow() {
        TestEnv env;
        const QString path = env.path("index.html");
        QVERIFY(TestEnv::writeFile(path, kPage));
        frmMain* main = env.createMainWindow();

        env.queueFileAnswer(path);
        runCommand(main, "mnuFileOpenHTML");

        QCOMPARE(env.dialogs.size(), 1);
        QCOMPARE(env.dialogs[0].kind, CommonDialog::Kind::Open);
        QCOMPARE(env.dialogs[0].title, QStringLiteral("HTML dokumentum megnyitása..."));
        QCOMPARE(env.dialogs[0].filter,
                 QStringLiteral("HTML dokumentumok (*.html and *.htm)|*.html; *.htm"));
        QCOMPARE(captions(main), QStringList({"Dokumentum 1", native(path)}));
        QCOMPARE(main->activeDocument()->Caption(), native(path));
        QCOMPARE(activeEditor(main)->Text(), QString::fromLatin1(kPage));
        QVERIFY(!main->activeDocument()->unchanged()); // loading is a change
        QVERIFY(env.messages.isEmpty());

        // The open consumed number 2.
        runCommand(main, "mnuFileNew");
        QCOMPARE(main->activeDocument()->Caption(), QStringLiteral("Dokumentum 3"));
    }

    void openTemplateUsesItsOwnDialog() {
        TestEnv env;
        const QString path = env.path("page.tht");
        QVERIFY(TestEnv::writeFile(path, "<p>sablon</p>"));
        frmMain* main = env.createMainWindow();

        env.queueFileAnswer(path);
        runCommand(main, "mnuFileOpenTemplate");

        QCOMPARE(env.dialogs.size(), 1);
        QCOMPARE(env.dialogs[0].title, QStringLiteral("Sablon megnyitása..."));
        QCOMPARE(env.dialogs[0].filter, QStringLiteral("Tarvelon HTML sablonjai (*.tht)|*.tht"));
        QCOMPARE(main->activeDocument()->Caption(), native(path));
        QCOMPARE(activeEditor(main)->Text(), QStringLiteral("<p>sablon</p>"));
    }

    void cancelMakesNoWindowAndConsumesNoNumber() {
        TestEnv env;
        const QString path = env.path("a.html");
        QVERIFY(TestEnv::writeFile(path, "a"));
        frmMain* main = env.createMainWindow();

        env.queueFileCancel();
        runCommand(main, "mnuFileOpenHTML");
        env.queueFileAnswer(path);
        runCommand(main, "mnuFileOpenHTML"); // after an open, too
        env.queueFileCancel();
        runCommand(main, "mnuFileOpenTemplate");
        env.queueFileAnswer(QString()); // confirmed without a name
        runCommand(main, "mnuFileOpenHTML");

        QCOMPARE(env.dialogs.size(), 4);
        QCOMPARE(main->childForms().size(), 2);
        QCOMPARE(main->documentCounter(), 2);
        QVERIFY(env.messages.isEmpty());
        runCommand(main, "mnuFileNew");
        QCOMPARE(main->activeDocument()->Caption(), QStringLiteral("Dokumentum 3"));
    }

    void sameFileTwiceGivesTwoWindowsAndEmptyFileAnEmptyDocument() {
        TestEnv env;
        const QString path = env.path("empty.htm");
        QVERIFY(TestEnv::writeFile(path, QByteArray()));
        frmMain* main = env.createMainWindow();

        env.queueFileAnswer(path);
        runCommand(main, "mnuFileOpenHTML");
        env.queueFileAnswer(path);
        runCommand(main, "mnuFileOpenHTML");

        QCOMPARE(captions(main), QStringList({"Dokumentum 1", native(path), native(path)}));
        QCOMPARE(activeEditor(main)->Text(), QString());
        QVERIFY(activeEditor(main)->colourRuns().empty());
    }

    void windows1250BytesComeInAsTheirCharacters() {
        TestEnv env;
        const QString path = env.path("hu.html");
        // "<p>őű</p>" in Windows-1250.
        QVERIFY(TestEnv::writeFile(path, QByteArray("<p>\xF5\xFB</p>")));
        frmMain* main = env.createMainWindow();
        env.queueFileAnswer(path);
        runCommand(main, "mnuFileOpenHTML");
        QCOMPARE(activeEditor(main)->Text(), QStringLiteral("<p>őű</p>"));
    }

    void failedReadLeavesTheNewEmptyWindowAndSaysWhy_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        QTest::newRow("vanished file") << "gone.html"
                                       << "missing";
        QTest::newRow("no permission") << "locked.html"
                                       << "locked";
    }
    void failedReadLeavesTheNewEmptyWindowAndSaysWhy() {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        TestEnv env;
        const QString path = env.path(name);
        if (kind == QLatin1String("locked")) {
            if (geteuid() == 0)
                QSKIP("root reads every file: an unreadable file cannot be made here");
            QVERIFY(TestEnv::writeFile(path, "titok"));
            QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        }
        frmMain* main = env.createMainWindow();

        env.queueFileAnswer(path);
        runCommand(main, "mnuFileOpenHTML");

        QCOMPARE(captions(main), QStringList({"Dokumentum 1", "Dokumentum 2"}));
        QCOMPARE(main->activeDocument()->Caption(), QStringLiteral("Dokumentum 2"));
        QCOMPARE(activeEditor(main)->Text(), QString());
        QVERIFY(main->activeDocument()->unchanged());
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].title, QStringLiteral("Tarvelon's Webrix"));
        QCOMPARE(env.messages[0].buttons(), int(vbOKOnly));
        QVERIFY2(env.messages[0].prompt.contains(native(path)), qPrintable(env.messages[0].prompt));
    }

    void openWorksWhileAnotherKindOfChildIsActive() {
        TestEnv env;
        const QString path = env.path("x.html");
        QVERIFY(TestEnv::writeFile(path, "x"));
        frmMain* main = env.createMainWindow();
        addOtherChild(main);
        env.queueFileAnswer(path);
        runCommand(main, "mnuFileOpenHTML");
        QCOMPARE(main->activeDocument()->Caption(), native(path));
        QCOMPARE(main->childForms().size(), 3);
    }

    void openedFileEndingInATagKeepsThatTagSelected() {
        TestEnv env;
        const QString path = env.path("img.html");
        QVERIFY(TestEnv::writeFile(path, "<p>kep</p>\r\n<IMG SRC=a.gif>"));
        frmMain* main = env.createMainWindow();
        env.queueFileAnswer(path);
        runCommand(main, "mnuFileOpenHTML");
        QCOMPARE(activeEditor(main)->SelText(), QStringLiteral("<IMG SRC=a.gif>"));
        QVERIFY(!activeEditor(main)->colourRuns().empty());
    }

    void largePageColoursAndSelectionAsAColouringPassGivesThem() {
        // A large page's tags are found on another thread while the editor takes the text in:
        // text, encoding, colours per character, selection and an empty undo history are what
        // loading and colouring one after the other give.
        TestEnv env;
        QByteArray page = "<html>\r\n";
        for (int row = 0; page.size() < 600 * 1024; ++row)
            page += "<tr><td><a href=\"p" + QByteArray::number(row) +
                    ".html\">T\xE9tel</a></td><td><IMG src=i.gif><br>\xF5\xFB < 3\r\n";
        page += "</html><b";
        const QString path = env.path("large.html");
        QVERIFY(TestEnv::writeFile(path, page));
        frmMain* main = env.createMainWindow();
        env.queueFileAnswer(path);
        runCommand(main, "mnuFileOpenHTML");
        RichTextBox* opened = activeEditor(main);
        QCOMPARE(main->activeDocument()->Caption(), native(path));
        QVERIFY(env.messages.isEmpty());
        QVERIFY(!opened->document()->isUndoAvailable());

        RichTextBox expected;
        QVERIFY(expected.LoadFile(path));
        HighlightTags(&expected);
        QCOMPARE(opened->Text(), expected.Text());
        QCOMPARE(opened->encoding(), expected.encoding());
        QCOMPARE(opened->fileDeclaration(), expected.fileDeclaration());
        const auto& runs = opened->colourRuns().runs();
        const auto& expectedRuns = expected.colourRuns().runs();
        QCOMPARE(runs.size(), expectedRuns.size());
        QVERIFY(runs.size() > 10000);
        QVERIFY(std::equal(runs.begin(), runs.end(), expectedRuns.begin(),
                           [](const ColourRuns::Run& a, const ColourRuns::Run& b) {
                               return a.start == b.start && a.end == b.end && a.colour == b.colour;
                           }));
        QCOMPARE(opened->SelStart(), expected.SelStart());
        QCOMPARE(opened->SelLength(), expected.SelLength());
        QCOMPARE(opened->SelText(), QStringLiteral("<b"));
        QCOMPARE(opened->textSnapshot().joined(), opened->document()->toRawText());
    }

    // --- Start-up open ---------------------------------------------------------------------------

    void startupOpenUsesTheFirstWindowAndTheArgumentAsTyped() {
        TestEnv env;
        QVERIFY(TestEnv::writeFile(env.path("site/page.html"), kPage));
        CurrentFolder folder(env.root());

        frmMain* main = env.createMainWindow(false, QStringLiteral("site/../site/page.html"));

        // Loaded while the main window is still hidden.
        QVERIFY(!main->isVisible());
        QCOMPARE(captions(main), QStringList({"site/../site/page.html"}));
        QCOMPARE(main->documentCounter(), 1);
        auto* first = qobject_cast<frmDocument*>(main->childForms().first());
        QCOMPARE(first->rtfDocument->Text(), QString::fromLatin1(kPage));
        QVERIFY(first->unchanged());
        QVERIFY(env.messages.isEmpty());
        QCOMPARE(first->rtfDocument->SelText(), QStringLiteral("</html>"));

        // Bound to the argument: Save writes there without a dialog.
        first->rtfDocument->setText(QStringLiteral("uj"));
        main->show();
        runCommand(main, "mnuFileSave");
        QVERIFY(env.dialogs.isEmpty());
        QCOMPARE(TestEnv::readFile(env.path("site/page.html")), QByteArray("uj"));
    }

    void startupOpenOfAnUnreadableFileKeepsTheEmptyDocument() {
        TestEnv env;
        // Too large to open; sparse, so it costs no disk.
        const QString path = env.path("huge.html");
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(RichTextBox::MaximumFileSize + 1));
        }
        frmMain* main = env.createMainWindow(true, path);

        QCOMPARE(captions(main), QStringList({"Dokumentum 1"}));
        QCOMPARE(activeEditor(main)->Text(), QString());
        QVERIFY(main->activeDocument()->unchanged());
        QTRY_COMPARE(env.messages.size(), 1); // once the main window is up, owned by it
        QCOMPARE(env.messages[0].owner, main);
        QCOMPARE(env.messages[0].title, QStringLiteral("Tarvelon's Webrix"));
        QVERIFY(env.messages[0].prompt.contains(native(path)));

        // An open from the menu refuses it the same way.
        env.queueFileAnswer(path);
        runCommand(main, "mnuFileOpenHTML");
        QCOMPARE(captions(main), QStringList({"Dokumentum 1", "Dokumentum 2"}));
        QCOMPARE(env.messages.size(), 2);
    }
};

WEBRIX_TEST_MAIN(OpenTest)
#include "tst_open.moc"
