// A failed save says exactly what became of the file, and never loses its old content without a
// copy: written beside and renamed, or, where the folder takes no new file, straight into it
// after a flushed copy of the old bytes in the user's data folder.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <sys/mount.h>

#include "app/frmMain.h"
#include "controls/WholeFileWrite.h"
#include "tests/DocumentTestSupport.h"
#include "tests/support/TestEnv.h"

using namespace DocumentTest;

namespace {
const QByteArray kOld = "<p>r\xE9gi tartalom</p>\r\n";

QStringList oldContentCopies() {
    return QDir(oldContentFolder()).entryList(QDir::Files);
}

class Faults {
public:
    explicit Faults(const WholeFileWriteFaults& faults) {
        setWholeFileWriteFaultsForTesting(faults);
    }
    ~Faults() { setWholeFileWriteFaultsForTesting({}); }
};

// A tiny file system of its own, so that the disk really runs full.
class SmallTmpfs {
public:
    SmallTmpfs() {
        m_mounted = ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0,
                            "size=64k,nr_inodes=64") == 0;
        if (!m_mounted)
            m_error = QString::fromLocal8Bit(std::strerror(errno));
    }
    ~SmallTmpfs() {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    bool mounted() const { return m_mounted; }
    QString error() const { return m_error; }
    QString path(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_error;
};

// Writes until the file system refuses.
void fillBlocks(const QString& path) {
    QFile filler(path);
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return;
    const QByteArray block(1024, 'f');
    while (filler.write(block) == block.size()) {
    }
}

// Makes empty files until no more can be made.
void fillInodes(const SmallTmpfs& fs) {
    for (int i = 0; i < 1000; ++i) {
        QFile file(fs.path(QStringLiteral("inode%1").arg(i)));
        if (!file.open(QIODevice::WriteOnly))
            return;
    }
}
} // namespace

class HonestSaveTest : public QObject {
    Q_OBJECT
private slots:
    void inPlaceWriteKeepsACopyUntilItSucceeds() {
        TestEnv env;
        QVERIFY(oldContentFolder().startsWith(env.root()));
        const QString path = env.path("page.html");
        QVERIFY(TestEnv::writeFile(path, kOld));
        frmMain* main = env.createMainWindow();
        env.queueFileAnswer(path);
        runCommand(main, "mnuFileOpenHTML");
        activeEditor(main)->setText(QStringLiteral("<p>új</p>"));

        Faults faults({.forceInPlace = true});
        runCommand(main, "mnuFileSave");
        QVERIFY(env.messages.isEmpty());
        QCOMPARE(TestEnv::readFile(path), QByteArray("<p>\xFAj</p>"));
        QVERIFY(oldContentCopies().isEmpty());
    }

    void failedInPlaceWriteIsRestoredOrNamesTheCopy() {
        TestEnv env;
        const QString path = env.path("page.html");
        QVERIFY(TestEnv::writeFile(path, kOld));
        frmMain* main = env.createMainWindow();
        env.queueFileAnswer(path);
        runCommand(main, "mnuFileOpenHTML");
        activeEditor(main)->setText(QString(5000, u'x'));

        {
            Faults faults({.forceInPlace = true, .failNewContent = true});
            runCommand(main, "mnuFileSave");
        }
        QCOMPARE(env.messages.size(), 1);
        QCOMPARE(env.messages[0].title, QStringLiteral("Tarvelon's Webrix"));
        QVERIFY2(env.messages[0].prompt.contains(
                     QStringLiteral("a fájl régi tartalmát visszaállítottam")),
                 qPrintable(env.messages[0].prompt));
        QCOMPARE(TestEnv::readFile(path), kOld);
        QVERIFY(oldContentCopies().isEmpty());

        {
            Faults faults({.forceInPlace = true, .failNewContent = true, .failRestore = true});
            runCommand(main, "mnuFileSave");
        }
        QCOMPARE(env.messages.size(), 2);
        const QString prompt = env.messages[1].prompt;
        QVERIFY2(prompt.contains(QStringLiteral("a fájl megsérült")), qPrintable(prompt));
        const QStringList copies = oldContentCopies();
        QCOMPARE(copies.size(), 1);
        const QString copy = QDir(oldContentFolder()).filePath(copies[0]);
        QVERIFY2(prompt.contains(native(copy)), qPrintable(prompt));
        QCOMPARE(TestEnv::readFile(copy), kOld);

        // A failed save is no save: Close keeps the window.
        env.queueMessageAnswer(vbYes);
        {
            Faults faults({.forceInPlace = true, .failNewContent = true});
            runCommand(main, "mnuFileClose");
        }
        QCOMPARE(captions(main), QStringList({"Dokumentum 1", native(path)}));
    }

    void newFileThatCannotBeMadeIsSaidSo() {
        TestEnv env;
        frmMain* main = env.createMainWindow();
        activeEditor(main)->setText(QStringLiteral("x"));
        const QString path = env.path("no/such/folder/new.html");
        env.queueFileAnswer(path);
        runCommand(main, "mnuFileSave");
        QCOMPARE(env.messages.size(), 1);
        QVERIFY2(env.messages[0].prompt.contains(QStringLiteral("a fájl nem jött létre")),
                 qPrintable(env.messages[0].prompt));
        QCOMPARE(main->activeDocument()->Caption(), QStringLiteral("Dokumentum 1"));
    }

    void fullDiskLeavesEveryFileAsItSays() {
        SmallTmpfs fs;
        if (!fs.mounted())
            QSKIP(qPrintable(QStringLiteral("a small tmpfs cannot be mounted here (%1): the "
                                            "full-disk case is not run")
                                 .arg(fs.error())));
        TestEnv env;
        const QString path = fs.path("page.html");
        const QByteArray old = QByteArray(4096, 'o');
        QVERIFY(TestEnv::writeFile(path, old));
        fillBlocks(fs.path("filler"));

        frmMain* main = env.createMainWindow();
        env.queueFileAnswer(path);
        runCommand(main, "mnuFileOpenHTML");
        activeEditor(main)->setText(QString(100000, u'n'));

        // Room for a new file but not for its bytes: written beside, the old file untouched.
        runCommand(main, "mnuFileSave");
        QCOMPARE(env.messages.size(), 1);
        QVERIFY2(env.messages[0].prompt.contains(QStringLiteral("a fájl változatlan maradt")),
                 qPrintable(env.messages[0].prompt));
        QCOMPARE(TestEnv::readFile(path), old);

        // A new file is not left half-written.
        const QString fresh = fs.path("new.html");
        env.queueFileAnswer(fresh);
        runCommand(main, "mnuFileSaveAs");
        QCOMPARE(env.messages.size(), 2);
        QVERIFY2(env.messages[1].prompt.contains(QStringLiteral("a fájl nem jött létre")),
                 qPrintable(env.messages[1].prompt));
        QVERIFY(!QFile::exists(fresh));
        QCOMPARE(main->activeDocument()->Caption(), native(path));

        // No new file can be made at all: the write goes into the file itself, fails, and the
        // old bytes are put back from the copy.
        fillInodes(fs);
        runCommand(main, "mnuFileSave");
        QCOMPARE(env.messages.size(), 3);
        QVERIFY2(env.messages[2].prompt.contains(
                     QStringLiteral("a fájl régi tartalmát visszaállítottam")),
                 qPrintable(env.messages[2].prompt));
        QCOMPARE(TestEnv::readFile(path), old);
        QVERIFY(oldContentCopies().isEmpty());
    }
};

WEBRIX_TEST_MAIN(HonestSaveTest)
#include "tst_honest_save.moc"
