// The recovery journal: copies of unsaved text while the program runs, removed by saving,
// closing and exiting, and offered back at the next start after the program was killed.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTextDocument>

#include "app/frmMain.h"
#include "documents/RecoveryCopy.h"
#include "documents/RecoveryJournal.h"
#include "documents/RecoveryStore.h"
#include "tests/DocumentTestSupport.h"
#include "tests/support/TestEnv.h"

using namespace DocumentTest;

namespace {
const QString kSaveQuestion = QStringLiteral("El akarod menteni a változtatásokat?");

QString recoveryQuestion(int documents) {
    return QStringLiteral("A program legutóbb nem záródott be rendesen. %1 dokumentum mentetlen "
                          "szövegét megőriztem. Visszaállítsam őket?")
        .arg(documents);
}

void typeText(frmMain* main, const QString& text) {
    QTest::keyClicks(activeEditor(main), text);
}

// A program started in another process that holds a page and an untitled window with unsaved
// text, both on disk in the journal.
struct ChildProgram {
    QProcess process;
    QString session;

    bool start(const TestEnv& env, const QString& page, const QString& pageText,
               const QString& untitledText) {
        process.setProgram(QStringLiteral(WEBRIX_RECOVERY_CHILD));
        process.setArguments({env.recoveryFolder(), env.path(QStringLiteral("child-settings")),
                              page, pageText, untitledText});
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start();
        if (!process.waitForStarted(10000))
            return false;
        QByteArray output;
        QElapsedTimer waited;
        waited.start();
        while (!output.contains('\n') && waited.elapsed() < 60000) {
            if (process.state() != QProcess::Running)
                return false;
            process.waitForReadyRead(500);
            output += process.readAllStandardOutput();
        }
        if (!output.startsWith("READY "))
            return false;
        session = QString::fromLocal8Bit(output.mid(6).trimmed());
        return true;
    }
    // SIGKILL: no shutdown code of the program runs.
    void kill() {
        process.kill();
        process.waitForFinished(10000);
    }
    ~ChildProgram() {
        if (process.state() != QProcess::NotRunning)
            kill();
    }
};

QStringList copiesIn(const QString& folder) {
    QStringList found;
    QDirIterator it(folder, {QStringLiteral("*.wrxcopy")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    found.sort();
    return found;
}

// A session left by a program that ended without its shutdown: copies, no lock.
QString orphanedSession(const TestEnv& env, const QList<QByteArray>& copies) {
    const QString folder = env.recoveryFolder() + QStringLiteral("/99999-1-1");
    QDir().mkpath(folder);
    int window = 0;
    for (const QByteArray& bytes : copies)
        TestEnv::writeFile(RecoveryStore::copyPath(folder, ++window), bytes);
    return folder;
}

QByteArray copyBytes(const QString& caption, const QString& file, const QString& text) {
    return encodeRecoveryCopy(RecoveryCopy{caption, file, TextEncoding{}, text});
}

// Lets the start-up recovery (queued behind the load) run.
void settle() {
    QTest::qWait(100);
}

frmDocument* documentTitled(frmMain* main, const QString& caption) {
    for (QMdiSubWindow* child : main->childForms())
        if (child->windowTitle() == caption)
            return qobject_cast<frmDocument*>(child);
    return nullptr;
}
} // namespace

class RecoveryTest : public QObject {
    Q_OBJECT
private slots:
    void killedProgramsTextIsOfferedBackAndNotToARunningOne() {
        TestEnv env;
        const QString page = native(env.path(QStringLiteral("page.html")));
        QVERIFY(TestEnv::writeFile(page, QByteArray("\xEF\xBB\xBF<p>R\xC3\xA9gi</p>\r\n")));

        ChildProgram child;
        QVERIFY2(
            child.start(env, page, QStringLiteral("<b>Új ő</b>"), QStringLiteral("<i>vázlat</i>")),
            "the child program did not get its text into the journal");
        const QStringList childCopies = copiesIn(child.session);
        QCOMPARE(childCopies.size(), 2);

        // Another instance started while the first one runs asks nothing and leaves its copies.
        frmMain* running = env.createMainWindow();
        settle();
        QVERIFY(env.messages.isEmpty());
        QCOMPARE(running->childForms().size(), 1);
        QCOMPARE(copiesIn(child.session), childCopies);

        child.kill();

        env.queueMessageAnswer(vbYes);
        frmMain* main = env.createMainWindow();
        QTRY_COMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].prompt, recoveryQuestion(2));
        QCOMPARE(env.messages[0].title, QStringLiteral("Tarvelon's Webrix"));
        QCOMPARE(env.messages[0].buttons(), int(vbYesNo));
        QCOMPARE(captions(main), (QStringList{QStringLiteral("Dokumentum 1"), page,
                                              QStringLiteral("Dokumentum 3")}));

        frmDocument* restoredPage = documentTitled(main, page);
        QCOMPARE(restoredPage->rtfDocument->Text(), QStringLiteral("<p>Régi</p>\r\n<b>Új ő</b>"));
        QCOMPARE(RecoveryJournal::documentEncoding(restoredPage),
                 (TextEncoding{TextEncoding::Codec::Utf8, true}));
        frmDocument* restoredDraft = documentTitled(main, QStringLiteral("Dokumentum 3"));
        QCOMPARE(restoredDraft->rtfDocument->Text(), QStringLiteral("<i>vázlat</i>"));
        QCOMPARE(RecoveryJournal::documentEncoding(restoredDraft), TextEncoding{});
        QVERIFY(!restoredPage->rtfDocument->colourRuns().empty());
        // The page's file was never written.
        QCOMPARE(TestEnv::readFile(page), QByteArray("\xEF\xBB\xBF<p>R\xC3\xA9gi</p>\r\n"));

        // The old copies made way for the restored windows' own.
        QVERIFY(copiesIn(child.session).isEmpty());
        QVERIFY(QFile::exists(main->journal()->copyPath(restoredPage)));
        QVERIFY(QFile::exists(main->journal()->copyPath(restoredDraft)));
        QVERIFY(copiesIn(running->journal()->sessionFolder()).isEmpty());

        // Closing asks about saving; No removes the window and its copy.
        const QString draftCopy = main->journal()->copyPath(restoredDraft);
        main->MDIClient()->setActiveSubWindow(restoredDraft);
        runCommand(main, "mnuFileClose");
        QCOMPARE(env.messages.size(), 2);
        QCOMPARE(env.messages[1].prompt, kSaveQuestion);
        QTRY_VERIFY(!QFile::exists(draftCopy));
    }

    void savingClosingAndExitingRemoveTheCopies() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        settle();
        RecoveryJournal* journal = main->journal();

        // Untitled, saved under a name.
        typeText(main, QStringLiteral("<p>egy</p>"));
        const QString first = journal->copyPath(main->activeDocument());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(first), 10000); // on its own schedule
        env.queueFileAnswer(env.path(QStringLiteral("egy.html")));
        runCommand(main, "mnuFileSave");
        QVERIFY(journal->flush());
        QVERIFY(!QFile::exists(first));

        // Bound now: an edit brings the copy back, exporting keeps it, saving removes it.
        typeText(main, QStringLiteral("!"));
        QVERIFY(journal->flush());
        QVERIFY(QFile::exists(first));
        env.queueFileAnswer(env.path(QStringLiteral("sablon.tht")));
        runCommand(main, "mnuFileExportToTemplate");
        QVERIFY(journal->flush());
        QVERIFY(QFile::exists(first));
        runCommand(main, "mnuFileSave");
        QVERIFY(journal->flush());
        QVERIFY(!QFile::exists(first));

        // Undoing back to the saved text needs no copy either.
        typeText(main, QStringLiteral("x"));
        QVERIFY(journal->flush());
        QVERIFY(QFile::exists(first));
        activeEditor(main)->undo();
        QVERIFY(journal->flush());
        QVERIFY(!QFile::exists(first));

        // Close answered No, and answered Yes.
        typeText(main, QStringLiteral("y"));
        QVERIFY(journal->flush());
        QVERIFY(QFile::exists(first));
        env.queueMessageAnswer(vbNo);
        runCommand(main, "mnuFileClose");
        QVERIFY(journal->flush());
        QVERIFY(!QFile::exists(first));

        runCommand(main, "mnuFileNew");
        typeText(main, QStringLiteral("<p>ketto</p>"));
        const QString second = journal->copyPath(main->activeDocument());
        QVERIFY(journal->flush());
        QVERIFY(QFile::exists(second));
        env.queueMessageAnswer(vbYes);
        env.queueFileAnswer(env.path(QStringLiteral("ketto.html")));
        runCommand(main, "mnuFileClose");
        QVERIFY(journal->flush());
        QVERIFY(!QFile::exists(second));
        QVERIFY(main->childForms().isEmpty());

        // A file just opened holds nothing unsaved.
        env.queueFileAnswer(env.path(QStringLiteral("ketto.html")));
        runCommand(main, "mnuFileOpenHTML");
        QVERIFY(journal->flush());
        QVERIFY(!QFile::exists(journal->copyPath(main->activeDocument())));
        runCommand(main, "mnuFileClose");

        // A normal exit leaves nothing behind.
        const QString session = journal->sessionFolder();
        QVERIFY(QFileInfo::exists(session));
        runCommand(main, "mnuFileExit");
        QVERIFY(!QFileInfo::exists(session));
        QVERIFY(copiesIn(env.recoveryFolder()).isEmpty());
    }

    void declinedCopiesAreSetAsideForThirtyDays() {
        TestEnv env;
        const QByteArray bytes =
            copyBytes(QStringLiteral("Dokumentum 4"), QString(), QStringLiteral("<p>elvetve</p>"));
        const QString session = orphanedSession(env, {bytes});
        const QString setAside = env.recoveryFolder() + QStringLiteral("/set-aside");
        const QDateTime now = QDateTime::currentDateTime();
        const QString old = setAside + QLatin1Char('/') +
                            now.addDays(-31).toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
        const QString recent = setAside + QLatin1Char('/') +
                               now.addDays(-29).toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
        QVERIFY(TestEnv::writeFile(old + QStringLiteral("/a.wrxcopy"), bytes));
        QVERIFY(TestEnv::writeFile(recent + QStringLiteral("/b.wrxcopy"), bytes));

        env.queueMessageAnswer(vbNo);
        frmMain* main = env.createMainWindow();
        QTRY_COMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].prompt, recoveryQuestion(1));
        QCOMPARE(main->childForms().size(), 1);
        QVERIFY(!QFileInfo::exists(session));
        QVERIFY(!QFileInfo::exists(old));
        QVERIFY(QFileInfo::exists(recent + QStringLiteral("/b.wrxcopy")));
        const QStringList kept = copiesIn(setAside);
        QCOMPARE(kept.size(), 2);
        const QString moved = kept.filter(QStringLiteral("99999-1-1-")).value(0);
        QCOMPARE(TestEnv::readFile(moved), bytes);

        // The next start asks nothing.
        env.createMainWindow();
        settle();
        QCOMPARE(env.messages.size(), 1);
    }

    void unreadableCopiesAreReportedAndKept() {
        TestEnv env;
        const QByteArray good =
            copyBytes(QStringLiteral("Dokumentum 2"), QString(), QStringLiteral("<p>ép</p>"));
        QByteArray newer = good;
        newer.replace("WEBRIX-RECOVERY 1", "WEBRIX-RECOVERY 7");
        QByteArray changed = good;
        changed[changed.size() - 3] = 'X';
        const QString session =
            orphanedSession(env, {good.left(good.size() - 4),
                                  QByteArray("<html>nem másolat</html>"), newer, changed, good});
        const QStringList bad = {
            RecoveryStore::copyPath(session, 1), RecoveryStore::copyPath(session, 2),
            RecoveryStore::copyPath(session, 3), RecoveryStore::copyPath(session, 4)};

        env.queueMessageAnswer(vbOK);
        env.queueMessageAnswer(vbOK);
        env.queueMessageAnswer(vbOK);
        env.queueMessageAnswer(vbOK);
        env.queueMessageAnswer(vbYes);
        frmMain* main = env.createMainWindow();
        QTRY_COMPARE(env.messages.size(), 5);
        const QStringList reasons = {
            QStringLiteral("csonka"), QStringLiteral("ismeretlen formátum"),
            QStringLiteral("ismeretlen változat: 7"), QStringLiteral("sérült")};
        for (int i = 0; i < 4; ++i) {
            QVERIFY2(env.messages[i].prompt.contains(QDir::toNativeSeparators(bad[i])),
                     qPrintable(env.messages[i].prompt));
            QVERIFY2(env.messages[i].prompt.contains(reasons[i]),
                     qPrintable(env.messages[i].prompt));
            QCOMPARE(env.messages[i].title, QStringLiteral("Tarvelon's Webrix"));
            QVERIFY(QFile::exists(bad[i]));
        }
        QCOMPARE(env.messages[4].prompt, recoveryQuestion(1));
        QCOMPARE(captions(main),
                 (QStringList{QStringLiteral("Dokumentum 1"), QStringLiteral("Dokumentum 2")}));
        QCOMPARE(activeEditor(main)->Text(), QStringLiteral("<p>ép</p>"));
        QVERIFY(!QFile::exists(RecoveryStore::copyPath(session, 5)));
    }

    void copyFormatRoundTripsCaptionsAndEveryCharacter() {
        RecoveryCopy copy;
        copy.caption = QStringLiteral("/tmp/új mappa/sor\ntörés: %20.html");
        copy.file = copy.caption;
        copy.encoding = TextEncoding{TextEncoding::Codec::Utf8, true};
        copy.text = QStringLiteral("első\nmásodik") + QChar(QChar::ParagraphSeparator) +
                    QStringLiteral("\n\nWEBRIX-RECOVERY 1\n€ 𝄞");
        QString reason;
        const auto back = decodeRecoveryCopy(encodeRecoveryCopy(copy), &reason);
        QVERIFY2(back, qPrintable(reason));
        QCOMPARE(back->caption, copy.caption);
        QCOMPARE(back->file, copy.file);
        QCOMPARE(back->encoding, copy.encoding);
        QCOMPARE(back->text, QStringLiteral("első\nmásodik\n\n\nWEBRIX-RECOVERY 1\n€ 𝄞"));
    }
};

WEBRIX_TEST_MAIN(RecoveryTest)
#include "tst_recovery.moc"
