// File > Save, Save As and Export to template: bytes on disk, captions, binding, the overwrite
// question and writes that fail.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <unistd.h>

#include "app/frmMain.h"
#include "tests/DocumentTestSupport.h"
#include "tests/support/ModalDialogs.h"
#include "tests/support/TestEnv.h"

using namespace DocumentTest;

namespace {
const QString kSaveFilter = QStringLiteral(
    "HTML dokumentumok - 32bites (*.html)|*.html | HTML dokumentumok - 16bites (*.htm)|*.htm");
const QString kTemplateFilter = QStringLiteral("Tarvelon HTML sablonjai (*.tht)|*.tht");

frmDocument* OpenFile(TestEnv& env, frmMain* main, const QString& path) {
    env.queueFileAnswer(path);
    main->MenuItem("mnuFileOpenHTML")->trigger();
    return main->ActiveDocument();
}

// An existing file that cannot be written even by root, or nothing.
QString UnwritableExistingFile(TestEnv& env) {
    if (geteuid() != 0) {
        const QString path = env.path("readonly.html");
        TestEnv::writeFile(path, "regi");
        QFile::setPermissions(path, QFileDevice::ReadOwner);
        return path;
    }
    const QString procFile = QStringLiteral("/proc/version");
    return QFileInfo(procFile).isFile() ? procFile : QString();
}
} // namespace

class SaveTest : public QObject {
    Q_OBJECT
private slots:
    void saveUntitledAsksThenBindsAndSavesAgainWithoutAsking() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        QTest::keyClicks(Editor(main), QStringLiteral("<b>a</b>"));
        QTest::keyClick(Editor(main), Qt::Key_Return);
        QTest::keyClicks(Editor(main), QStringLiteral("b"));
        const QString path = env.path("a.htm");

        env.queueFileAnswer(path);
        Run(main, "mnuFileSave");

        QCOMPARE(env.dialogs.size(), 1);
        QCOMPARE(env.dialogs[0].kind, CommonDialog::Kind::Save);
        QCOMPARE(env.dialogs[0].title, QStringLiteral("Mentés"));
        QCOMPARE(env.dialogs[0].filter, kSaveFilter);
        QVERIFY(!env.dialogs[0].overwritePrompt);
        QCOMPARE(TestEnv::readFile(path), QByteArray("<b>a</b>\r\nb"));
        QCOMPARE(main->ActiveDocument()->Caption(), Native(path));
        QVERIFY(!main->ActiveDocument()->Unchanged()); // saving keeps the flag
        QVERIFY(env.messages.isEmpty());

        // The colouring leaves the last tag selected; type behind it.
        QTest::keyClick(Editor(main), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(Editor(main), QStringLiteral("c"));
        Run(main, "mnuFileSave");
        QCOMPARE(env.dialogs.size(), 1);
        QCOMPARE(TestEnv::readFile(path), QByteArray("<b>a</b>\r\nbc"));
    }

    void savedTextComesBackByteForByte() {
        TestEnv env;
        const QString path = env.path("page.tht");
        const QByteArray bytes("<p>\xF5\xFB</p>\r\n\r\n<i>x</i>\r\n");
        QVERIFY(TestEnv::writeFile(path, bytes));
        frmMain* main = env.createMainWindow();
        OpenFile(env, main, path);
        QVERIFY(TestEnv::writeFile(path, "mas"));

        Run(main, "mnuFileSave"); // an opened template is written back into the template
        QCOMPARE(env.dialogs.size(), 1);
        QCOMPARE(TestEnv::readFile(path), bytes);
    }

    void theChosenNameIsUsedWithoutAnExtension() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        Editor(main)->setText(QStringLiteral("x"));
        env.queueFileAnswer(env.path("index"));
        Run(main, "mnuFileSave");
        QCOMPARE(TestEnv::readFile(env.path("index")), QByteArray("x"));
        QVERIFY(!QFileInfo::exists(env.path("index.html")));
        QVERIFY(!QFileInfo::exists(env.path("index.htm")));
    }

    void aPathBeginningWithDokumentumCountsAsUntitled() {
        TestEnv env;
        QVERIFY(TestEnv::writeFile(env.path("Dokumentumok/a.html"), "a"));
        const QString old = QDir::currentPath();
        QDir::setCurrent(env.root());
        frmMain* main = env.createMainWindow(true, QStringLiteral("Dokumentumok/a.html"));
        QDir::setCurrent(old);
        QCOMPARE(main->ActiveDocument()->Caption(), QStringLiteral("Dokumentumok/a.html"));

        Editor(main)->setText(QStringLiteral("b"));
        // It asks for a name; picking the file it came from is no overwrite of another file.
        env.queueFileAnswer(env.path("Dokumentumok/a.html"));
        QDir::setCurrent(env.root());
        Run(main, "mnuFileSave");
        QDir::setCurrent(old);
        QCOMPARE(env.dialogs.size(), 1);
        QCOMPARE(env.dialogs[0].title, QStringLiteral("Mentés"));
        QVERIFY(env.messages.isEmpty());
        QCOMPARE(TestEnv::readFile(env.path("Dokumentumok/a.html")), QByteArray("b"));
    }

    void exportWritesACopyAndNeverBinds() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        Run(main, "mnuFileNew");
        Editor(main)->setText(QStringLiteral("<p>t</p>\r\n"));
        const QString path = env.path("t.tht");

        env.queueFileAnswer(path);
        Run(main, "mnuFileExportToTemplate");

        QCOMPARE(env.dialogs.size(), 1);
        QCOMPARE(env.dialogs[0].kind, CommonDialog::Kind::Save);
        QCOMPARE(env.dialogs[0].title, QStringLiteral("Sablonba exportál..."));
        QCOMPARE(env.dialogs[0].filter, kTemplateFilter);
        QCOMPARE(TestEnv::readFile(path), QByteArray("<p>t</p>\r\n"));
        QCOMPARE(main->ActiveDocument()->Caption(), QStringLiteral("Dokumentum 2"));

        env.queueFileCancel();
        Run(main, "mnuFileSave"); // still untitled
        QCOMPARE(env.dialogs.size(), 2);
        QCOMPARE(env.dialogs[1].title, QStringLiteral("Mentés"));
    }

    void saveAsRebindsAndLeavesTheOldFile() {
        TestEnv env;
        const QString oldPath = env.path("old.html");
        const QString newPath = env.path("new.html");
        QVERIFY(TestEnv::writeFile(oldPath, "regi"));
        frmMain* main = env.createMainWindow();
        OpenFile(env, main, oldPath);
        Editor(main)->setText(QStringLiteral("uj"));

        env.queueFileAnswer(newPath);
        Run(main, "mnuFileSaveAs");

        QCOMPARE(env.dialogs.last().title, QStringLiteral("Mentés másnéven..."));
        QCOMPARE(env.dialogs.last().filter, kSaveFilter);
        QCOMPARE(main->ActiveDocument()->Caption(), Native(newPath));
        QCOMPARE(TestEnv::readFile(newPath), QByteArray("uj"));
        QCOMPARE(TestEnv::readFile(oldPath), QByteArray("regi"));

        // Save As onto its own file asks nothing.
        Editor(main)->setText(QStringLiteral("ujabb"));
        env.queueFileAnswer(newPath);
        Run(main, "mnuFileSaveAs");
        QVERIFY(env.messages.isEmpty());
        QCOMPARE(TestEnv::readFile(newPath), QByteArray("ujabb"));
    }

    void cancelWritesNothing() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        Editor(main)->setText(QStringLiteral("x"));
        env.queueFileCancel();
        Run(main, "mnuFileSave");
        env.queueFileCancel();
        Run(main, "mnuFileSaveAs");
        env.queueFileAnswer(QString());
        Run(main, "mnuFileExportToTemplate");
        QCOMPARE(env.dialogs.size(), 3);
        QCOMPARE(main->ActiveDocument()->Caption(), QStringLiteral("Dokumentum 1"));
        QCOMPARE(QDir(env.root()).entryList(QDir::Files), QStringList());
        QVERIFY(env.messages.isEmpty());
    }

    void replacingAnotherFileIsAskedFirst() {
        TestEnv env;
        const QString other = env.path("other.html");
        QVERIFY(TestEnv::writeFile(other, "masik"));
        frmMain* main = env.createMainWindow();
        Editor(main)->setText(QStringLiteral("uj"));

        // No: the dialog comes back; cancelling it writes nothing.
        env.queueFileAnswer(other);
        env.queueMessageAnswer(vbNo);
        env.queueFileCancel();
        Run(main, "mnuFileSave");
        QCOMPARE(env.dialogs.size(), 2);
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].buttons(), int(vbYesNo));
        QCOMPARE(env.messages[0].defaultButton(), int(vbDefaultButton2));
        QCOMPARE(env.messages[0].title, QStringLiteral("Tarvelon's Webrix"));
        QVERIFY(env.messages[0].prompt.contains(Native(other)));
        QCOMPARE(TestEnv::readFile(other), QByteArray("masik"));
        QCOMPARE(main->ActiveDocument()->Caption(), QStringLiteral("Dokumentum 1"));

        // Yes replaces it, for Save As and Export alike.
        env.queueFileAnswer(other);
        env.queueMessageAnswer(vbYes);
        Run(main, "mnuFileSaveAs");
        QCOMPARE(TestEnv::readFile(other), QByteArray("uj"));
        QCOMPARE(env.messages.size(), 2);

        const QString tht = env.path("t.tht");
        QVERIFY(TestEnv::writeFile(tht, "regi"));
        env.queueFileAnswer(tht);
        Run(main, "mnuFileExportToTemplate"); // the unanswered question means No
        QCOMPARE(env.messages.size(), 3);
        QCOMPARE(TestEnv::readFile(tht), QByteArray("regi"));
    }

    void enterAtTheOverwriteQuestionKeepsTheOtherFile() {
        TestEnv env;
        const QString other = env.path("other.html");
        QVERIFY(TestEnv::writeFile(other, "masik"));
        frmMain* main = env.createMainWindow();
        Editor(main)->setText(QStringLiteral("uj"));

        setMsgBoxHook(nullptr); // the real box, answered from the keyboard
        bool noIsDefault = false;
        whenModalShows([&noIsDefault](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            noIsDefault = box && box->defaultButton() == box->button(QMessageBox::No);
            QTest::keyClick(modal, Qt::Key_Return);
        });
        env.queueFileAnswer(other);
        env.queueFileCancel(); // asked again after Nem
        Run(main, "mnuFileSave");
        QVERIFY(noIsDefault);
        QCOMPARE(env.dialogs.size(), 2);
        QCOMPARE(TestEnv::readFile(other), QByteArray("masik"));
        QCOMPARE(main->ActiveDocument()->Caption(), QStringLiteral("Dokumentum 1"));
    }

    void withoutADocumentEachCommandSaysSo() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        Run(main, "mnuFileClose");
        QVERIFY(main->ChildForms().isEmpty());

        Run(main, "mnuFileSave");
        Run(main, "mnuFileSaveAs");
        Run(main, "mnuFileExportToTemplate");

        QCOMPARE(env.messages.size(), 3);
        QCOMPARE(env.messages[0].prompt, QStringLiteral("A semmit nem tudod elmenteni"));
        QCOMPARE(env.messages[1].prompt, QStringLiteral("You cannot save the nothing"));
        QCOMPARE(env.messages[2].prompt, QStringLiteral("Nincs mit exportálnod!"));
        for (const MsgBoxCall& call : env.messages) {
            QCOMPARE(call.title, QStringLiteral("Tarvelon's Webrix"));
            QCOMPARE(call.style, int(vbOKOnly)); // OK only, no icon
        }
        QVERIFY(env.dialogs.isEmpty());
    }

    void aWindowThatIsNoDocumentHasNothingToSave() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        AddOtherChild(main);
        Run(main, "mnuFileSave");
        Run(main, "mnuFileSaveAs");
        Run(main, "mnuFileExportToTemplate");
        QCOMPARE(env.messages.size(), 3);
        QCOMPARE(env.messages[0].prompt, QStringLiteral("A semmit nem tudod elmenteni"));
        QVERIFY(env.dialogs.isEmpty());
        QCOMPARE(main->ChildForms().size(), 2);
    }

    // --- Writes that fail ------------------------------------------------------------------------

    void failedWritesAreReportedAndChangeNothing_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("target"); // "missing folder", "folder", "unwritable"
        for (const char* command : {"mnuFileSave", "mnuFileSaveAs", "mnuFileExportToTemplate"})
            for (const char* target : {"missing folder", "folder", "unwritable"})
                QTest::addRow("%s, %s", command, target) << command << target;
    }
    void failedWritesAreReportedAndChangeNothing() {
        QFETCH(QString, command);
        QFETCH(QString, target);
        TestEnv env;
        QString path;
        if (target == QLatin1String("missing folder")) {
            path = env.path("nincs/ilyen/a.html");
        } else if (target == QLatin1String("folder")) {
            path = env.path("mappa.html");
            QVERIFY(QDir().mkpath(path));
        } else {
            path = UnwritableExistingFile(env);
            if (path.isEmpty())
                QSKIP("no file here that cannot be written");
        }
        const QByteArray before = TestEnv::readFile(path);
        frmMain* main = env.createMainWindow();
        Editor(main)->setText(QStringLiteral("szoveg"));

        env.queueFileAnswer(path);
        env.queueMessageAnswer(vbYes); // to the overwrite question, where one is asked
        Run(main, qPrintable(command));

        QVERIFY(!env.messages.isEmpty());
        const MsgBoxCall& report = env.messages.last();
        QCOMPARE(report.title, QStringLiteral("Tarvelon's Webrix"));
        QCOMPARE(report.buttons(), int(vbOKOnly));
        QVERIFY2(report.prompt.contains(Native(path)), qPrintable(report.prompt));
        QCOMPARE(main->ActiveDocument()->Caption(), QStringLiteral("Dokumentum 1"));
        QCOMPARE(Editor(main)->Text(), QStringLiteral("szoveg"));
        QCOMPARE(TestEnv::readFile(path), before);
        QVERIFY(!QFileInfo::exists(env.path("nincs")));
    }

    void aBoundDocumentWhoseFolderWentAwayKeepsItsBinding() {
        TestEnv env;
        const QString path = env.path("mappa/a.html");
        QVERIFY(TestEnv::writeFile(path, "a"));
        frmMain* main = env.createMainWindow();
        OpenFile(env, main, path);
        QVERIFY(QDir(env.path("mappa")).removeRecursively());

        Run(main, "mnuFileSave");
        QCOMPARE(env.messages.size(), 1);
        QVERIFY(env.messages[0].prompt.contains(Native(path)));
        QCOMPARE(main->ActiveDocument()->Caption(), Native(path));

        // Save As to a place that cannot be written keeps the old binding too.
        env.queueFileAnswer(env.path("mas/b.html"));
        Run(main, "mnuFileSaveAs");
        QCOMPARE(env.messages.size(), 2);
        QCOMPARE(main->ActiveDocument()->Caption(), Native(path));
    }

    void aWritableFileInAFolderThatTakesNoNewFilesIsSaved() {
        if (geteuid() == 0)
            QSKIP("root creates files in any folder: a folder that refuses new files cannot be "
                  "made here");
        TestEnv env;
        const QString folder = env.path("zart");
        const QString path = folder + QStringLiteral("/a.html");
        QVERIFY(TestEnv::writeFile(path, "regi"));
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        frmMain* main = env.createMainWindow();
        OpenFile(env, main, path);
        Editor(main)->setText(QStringLiteral("uj"));
        Run(main, "mnuFileSave");
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
        QVERIFY(env.messages.isEmpty());
        QCOMPARE(TestEnv::readFile(path), QByteArray("uj"));
    }

    void saveColoursTheTagsAgain() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        Editor(main)->setText(QStringLiteral("<p>a</p>"));
        QVERIFY(Editor(main)->colourRuns().empty());
        env.queueFileAnswer(env.path("a.html"));
        Run(main, "mnuFileSave");
        QVERIFY(!Editor(main)->colourRuns().empty());
        QCOMPARE(Editor(main)->SelText(), QStringLiteral("</p>"));
    }
};

WEBRIX_TEST_MAIN(SaveTest)
#include "tst_save.moc"
