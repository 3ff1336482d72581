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

frmDocument* openFile(TestEnv& env, frmMain* main, const QString& path) {
    env.queueFileAnswer(path);
    main->menuItem("mnuFileOpenHTML")->trigger();
    return main->activeDocument();
}

// An existing file that cannot be written even by root, or nothing.
QString unwritableExistingFile(TestEnv& env) {
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
        QTest::keyClicks(activeEditor(main), QStringLiteral("<b>a</b>"));
        QTest::keyClick(activeEditor(main), Qt::Key_Return);
        QTest::keyClicks(activeEditor(main), QStringLiteral("b"));
        const QString path = env.path("a.htm");

        env.queueFileAnswer(path);
        runCommand(main, "mnuFileSave");

        QCOMPARE(env.dialogs.size(), 1);
        QCOMPARE(env.dialogs[0].kind, CommonDialog::Kind::Save);
        QCOMPARE(env.dialogs[0].title, QStringLiteral("Mentés"));
        QCOMPARE(env.dialogs[0].filter, kSaveFilter);
        QVERIFY(!env.dialogs[0].overwritePrompt);
        QCOMPARE(TestEnv::readFile(path), QByteArray("<b>a</b>\r\nb"));
        QCOMPARE(main->activeDocument()->Caption(), native(path));
        QVERIFY(!main->activeDocument()->unchanged()); // saving keeps the flag
        QVERIFY(env.messages.isEmpty());

        // The colouring leaves the last tag selected; type behind it.
        QTest::keyClick(activeEditor(main), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(activeEditor(main), QStringLiteral("c"));
        runCommand(main, "mnuFileSave");
        QCOMPARE(env.dialogs.size(), 1);
        QCOMPARE(TestEnv::readFile(path), QByteArray("<b>a</b>\r\nbc"));
    }

    void savedTextComesBackByteForByte() {
        TestEnv env;
        const QString path = env.path("page.tht");
        const QByteArray bytes("<p>\xF5\xFB</p>\r\n\r\n<i>x</i>\r\n");
        QVERIFY(TestEnv::writeFile(path, bytes));
        frmMain* main = env.createMainWindow();
        openFile(env, main, path);
        QVERIFY(TestEnv::writeFile(path, "mas"));

        runCommand(main, "mnuFileSave"); // an opened template is written back into the template
        QCOMPARE(env.dialogs.size(), 1);
        QCOMPARE(TestEnv::readFile(path), bytes);
    }

    void theChosenNameIsUsedWithoutAnExtension() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        activeEditor(main)->setText(QStringLiteral("x"));
        env.queueFileAnswer(env.path("index"));
        runCommand(main, "mnuFileSave");
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
        QCOMPARE(main->activeDocument()->Caption(), QStringLiteral("Dokumentumok/a.html"));

        activeEditor(main)->setText(QStringLiteral("b"));
        // It asks for a name; picking the file it came from is no overwrite of another file.
        env.queueFileAnswer(env.path("Dokumentumok/a.html"));
        QDir::setCurrent(env.root());
        runCommand(main, "mnuFileSave");
        QDir::setCurrent(old);
        QCOMPARE(env.dialogs.size(), 1);
        QCOMPARE(env.dialogs[0].title, QStringLiteral("Mentés"));
        QVERIFY(env.messages.isEmpty());
        QCOMPARE(TestEnv::readFile(env.path("Dokumentumok/a.html")), QByteArray("b"));
    }

    void exportWritesACopyAndNeverBinds() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        runCommand(main, "mnuFileNew");
        activeEditor(main)->setText(QStringLiteral("<p>t</p>\r\n"));
        const QString path = env.path("t.tht");

        env.queueFileAnswer(path);
        runCommand(main, "mnuFileExportToTemplate");

        QCOMPARE(env.dialogs.size(), 1);
        QCOMPARE(env.dialogs[0].kind, CommonDialog::Kind::Save);
        QCOMPARE(env.dialogs[0].title, QStringLiteral("Sablonba exportál..."));
        QCOMPARE(env.dialogs[0].filter, kTemplateFilter);
        QCOMPARE(TestEnv::readFile(path), QByteArray("<p>t</p>\r\n"));
        QCOMPARE(main->activeDocument()->Caption(), QStringLiteral("Dokumentum 2"));

        env.queueFileCancel();
        runCommand(main, "mnuFileSave"); // still untitled
        QCOMPARE(env.dialogs.size(), 2);
        QCOMPARE(env.dialogs[1].title, QStringLiteral("Mentés"));
    }

    void saveAsRebindsAndLeavesTheOldFile() {
        TestEnv env;
        const QString oldPath = env.path("old.html");
        const QString newPath = env.path("new.html");
        QVERIFY(TestEnv::writeFile(oldPath, "regi"));
        frmMain* main = env.createMainWindow();
        openFile(env, main, oldPath);
        activeEditor(main)->setText(QStringLiteral("uj"));

        env.queueFileAnswer(newPath);
        runCommand(main, "mnuFileSaveAs");

        QCOMPARE(env.dialogs.last().title, QStringLiteral("Mentés másnéven..."));
        QCOMPARE(env.dialogs.last().filter, kSaveFilter);
        QCOMPARE(main->activeDocument()->Caption(), native(newPath));
        QCOMPARE(TestEnv::readFile(newPath), QByteArray("uj"));
        QCOMPARE(TestEnv::readFile(oldPath), QByteArray("regi"));

        // Save As onto its own file asks nothing.
        activeEditor(main)->setText(QStringLiteral("ujabb"));
        env.queueFileAnswer(newPath);
        runCommand(main, "mnuFileSaveAs");
        QVERIFY(env.messages.isEmpty());
        QCOMPARE(TestEnv::readFile(newPath), QByteArray("ujabb"));
    }

    void cancelWritesNothing() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        activeEditor(main)->setText(QStringLiteral("x"));
        env.queueFileCancel();
        runCommand(main, "mnuFileSave");
        env.queueFileCancel();
        runCommand(main, "mnuFileSaveAs");
        env.queueFileAnswer(QString());
        runCommand(main, "mnuFileExportToTemplate");
        QCOMPARE(env.dialogs.size(), 3);
        QCOMPARE(main->activeDocument()->Caption(), QStringLiteral("Dokumentum 1"));
        QCOMPARE(QDir(env.root()).entryList(QDir::Files), QStringList());
        QVERIFY(env.messages.isEmpty());
    }

    void replacingAnotherFileIsAskedFirst() {
        TestEnv env;
        const QString other = env.path("other.html");
        QVERIFY(TestEnv::writeFile(other, "masik"));
        frmMain* main = env.createMainWindow();
        activeEditor(main)->setText(QStringLiteral("uj"));

        // No: the dialog comes back; cancelling it writes nothing.
        env.queueFileAnswer(other);
        env.queueMessageAnswer(vbNo);
        env.queueFileCancel();
        runCommand(main, "mnuFileSave");
        QCOMPARE(env.dialogs.size(), 2);
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].buttons(), int(vbYesNo));
        QCOMPARE(env.messages[0].defaultButton(), int(vbDefaultButton2));
        QCOMPARE(env.messages[0].title, QStringLiteral("Tarvelon's Webrix"));
        QVERIFY(env.messages[0].prompt.contains(native(other)));
        QCOMPARE(TestEnv::readFile(other), QByteArray("masik"));
        QCOMPARE(main->activeDocument()->Caption(), QStringLiteral("Dokumentum 1"));

        // Yes replaces it, for Save As and Export alike.
        env.queueFileAnswer(other);
        env.queueMessageAnswer(vbYes);
        runCommand(main, "mnuFileSaveAs");
        QCOMPARE(TestEnv::readFile(other), QByteArray("uj"));
        QCOMPARE(env.messages.size(), 2);

        const QString tht = env.path("t.tht");
        QVERIFY(TestEnv::writeFile(tht, "regi"));
        env.queueFileAnswer(tht);
        runCommand(main, "mnuFileExportToTemplate"); // the unanswered question means No
        QCOMPARE(env.messages.size(), 3);
        QCOMPARE(TestEnv::readFile(tht), QByteArray("regi"));
    }

    void enterAtTheOverwriteQuestionKeepsTheOtherFile() {
        TestEnv env;
        const QString other = env.path("other.html");
        QVERIFY(TestEnv::writeFile(other, "masik"));
        frmMain* main = env.createMainWindow();
        activeEditor(main)->setText(QStringLiteral("uj"));

        setMsgBoxHook(nullptr); // the real box, answered from the keyboard
        bool noIsDefault = false;
        whenModalShows([&noIsDefault](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            noIsDefault = box && box->defaultButton() == box->button(QMessageBox::No);
            QTest::keyClick(modal, Qt::Key_Return);
        });
        env.queueFileAnswer(other);
        env.queueFileCancel(); // asked again after Nem
        runCommand(main, "mnuFileSave");
        QVERIFY(noIsDefault);
        QCOMPARE(env.dialogs.size(), 2);
        QCOMPARE(TestEnv::readFile(other), QByteArray("masik"));
        QCOMPARE(main->activeDocument()->Caption(), QStringLiteral("Dokumentum 1"));
    }

    void withoutADocumentEachCommandSaysSo() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        runCommand(main, "mnuFileClose");
        QVERIFY(main->childForms().isEmpty());

        runCommand(main, "mnuFileSave");
        runCommand(main, "mnuFileSaveAs");
        runCommand(main, "mnuFileExportToTemplate");

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
        addOtherChild(main);
        runCommand(main, "mnuFileSave");
        runCommand(main, "mnuFileSaveAs");
        runCommand(main, "mnuFileExportToTemplate");
        QCOMPARE(env.messages.size(), 3);
        QCOMPARE(env.messages[0].prompt, QStringLiteral("A semmit nem tudod elmenteni"));
        QVERIFY(env.dialogs.isEmpty());
        QCOMPARE(main->childForms().size(), 2);
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
            path = unwritableExistingFile(env);
            if (path.isEmpty())
                QSKIP("no file here that cannot be written");
        }
        const QByteArray before = TestEnv::readFile(path);
        frmMain* main = env.createMainWindow();
        activeEditor(main)->setText(QStringLiteral("szoveg"));

        env.queueFileAnswer(path);
        env.queueMessageAnswer(vbYes); // to the overwrite question, where one is asked
        runCommand(main, qPrintable(command));

        QVERIFY(!env.messages.isEmpty());
        const MsgBoxCall& report = env.messages.last();
        QCOMPARE(report.title, QStringLiteral("Tarvelon's Webrix"));
        QCOMPARE(report.buttons(), int(vbOKOnly));
        QVERIFY2(report.prompt.contains(native(path)), qPrintable(report.prompt));
        QCOMPARE(main->activeDocument()->Caption(), QStringLiteral("Dokumentum 1"));
        QCOMPARE(activeEditor(main)->Text(), QStringLiteral("szoveg"));
        QCOMPARE(TestEnv::readFile(path), before);
        QVERIFY(!QFileInfo::exists(env.path("nincs")));
    }

    void aBoundDocumentWhoseFolderWentAwayKeepsItsBinding() {
        TestEnv env;
        const QString path = env.path("mappa/a.html");
        QVERIFY(TestEnv::writeFile(path, "a"));
        frmMain* main = env.createMainWindow();
        openFile(env, main, path);
        QVERIFY(QDir(env.path("mappa")).removeRecursively());

        runCommand(main, "mnuFileSave");
        QCOMPARE(env.messages.size(), 1);
        QVERIFY(env.messages[0].prompt.contains(native(path)));
        QCOMPARE(main->activeDocument()->Caption(), native(path));

        // Save As to a place that cannot be written keeps the old binding too.
        env.queueFileAnswer(env.path("mas/b.html"));
        runCommand(main, "mnuFileSaveAs");
        QCOMPARE(env.messages.size(), 2);
        QCOMPARE(main->activeDocument()->Caption(), native(path));
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
        openFile(env, main, path);
        activeEditor(main)->setText(QStringLiteral("uj"));
        runCommand(main, "mnuFileSave");
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
        QVERIFY(env.messages.isEmpty());
        QCOMPARE(TestEnv::readFile(path), QByteArray("uj"));
    }

    void saveColoursTheTagsAgain() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        activeEditor(main)->setText(QStringLiteral("<p>a</p>"));
        QVERIFY(activeEditor(main)->colourRuns().empty());
        env.queueFileAnswer(env.path("a.html"));
        runCommand(main, "mnuFileSave");
        QVERIFY(!activeEditor(main)->colourRuns().empty());
        QCOMPARE(activeEditor(main)->SelText(), QStringLiteral("</p>"));
    }
};

WEBRIX_TEST_MAIN(SaveTest)
#include "tst_save.moc"
