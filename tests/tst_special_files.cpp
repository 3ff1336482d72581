// Only ordinary files are read: a FIFO, device, socket or folder is refused before it is opened,
// from File > Megnyitás, the command line and snippet insertion alike, and reading stops at the
// size limit by the bytes actually read.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "app/frmMain.h"
#include "controls/RegularFile.h"
#include "markup/InsertSnippetFile.h"
#include "tests/DocumentTestSupport.h"
#include "tests/support/TestEnv.h"

using namespace DocumentTest;

namespace {
// A read that blocks would hang the test: this ends the process with a message instead.
class Watchdog {
public:
    explicit Watchdog(int seconds) {
        m_thread = std::thread([this, seconds] {
            for (int i = 0; i < seconds * 10 && !m_done; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (!m_done) {
                std::fputs("FAIL: opening a special file hung\n", stderr);
                std::_Exit(3);
            }
        });
    }
    ~Watchdog() {
        m_done = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

bool makeSocket(const QString& path, int* fd) {
    *fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    if (*fd < 0 || native.size() >= qsizetype(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    return ::bind(*fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}
} // namespace

class SpecialFilesTest : public QObject {
    Q_OBJECT
private slots:
    void openRefusesWhatIsNoOrdinaryFile_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("named");
        QTest::newRow("fifo") << "fifo"
                              << "csővezeték (FIFO)";
        QTest::newRow("/dev/zero") << "device"
                                   << "eszköz";
        QTest::newRow("folder") << "folder"
                                << "mappa";
        QTest::newRow("socket") << "socket"
                                << "foglalat (socket)";
    }
    void openRefusesWhatIsNoOrdinaryFile() {
        QFETCH(QString, kind);
        QFETCH(QString, named);
        TestEnv env;
        QString path = env.path("special.html");
        int socketFd = -1;
        if (kind == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == QLatin1String("device"))
            path = QStringLiteral("/dev/zero");
        else if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(path));
        else if (!makeSocket(path, &socketFd))
            QSKIP("no socket could be made here");

        frmMain* main = env.createMainWindow();
        activeEditor(main)->setText(QStringLiteral("mentetlen szöveg"));
        {
            Watchdog watchdog(30);
            env.queueFileAnswer(path);
            runCommand(main, "mnuFileOpenHTML");
            env.queueFileAnswer(path);
            runCommand(main, "mnuFileOpenTemplate");
        }
        if (socketFd >= 0)
            ::close(socketFd);
        QCOMPARE(env.messages.size(), 2);
        QCOMPARE(env.messages[0].title, QStringLiteral("Tarvelon's Webrix"));
        QVERIFY2(env.messages[0].prompt.contains(native(path)), qPrintable(env.messages[0].prompt));
        QVERIFY2(env.messages[0].prompt.contains(named), qPrintable(env.messages[0].prompt));
        // Nothing was made, and the other window keeps its text.
        QCOMPARE(captions(main), QStringList({"Dokumentum 1"}));
        QCOMPARE(activeEditor(main)->Text(), QStringLiteral("mentetlen szöveg"));
        QCOMPARE(main->documentCounter(), 1);

        // Snippet insertion refuses it the same way.
        QString text;
        QString error;
        QVERIFY(!readSnippetFile(path, &text, &error));
        QVERIFY(error.contains(named));
    }

    void commandLineSpecialFileOpensAndShowsNothing() {
        QTemporaryDir folder;
        const QString fifo = folder.filePath(QStringLiteral("pipe.html"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        for (const QString& argument : {fifo, QStringLiteral("/dev/zero"), folder.path()}) {
            TestEnv env;
            Watchdog watchdog(30);
            frmMain* main = env.createMainWindow(true, argument);
            QCOMPARE(captions(main), QStringList({"Dokumentum 1"}));
            QCOMPARE(activeEditor(main)->Text(), QString());
            QVERIFY(env.messages.isEmpty());
        }
    }

    void sizeLimitCountsTheBytesActuallyRead() {
        TestEnv env;
        const QString path = env.path("page.html");
        QVERIFY(TestEnv::writeFile(path, QByteArray(100, 'x')));
        QByteArray bytes;
        QString error;
        QVERIFY(readRegularFile(path, 100, &bytes, &error));
        QCOMPARE(bytes.size(), 100);
        QVERIFY(!readRegularFile(path, 99, &bytes, &error));
        QVERIFY(error.contains(QStringLiteral("túl nagy")));
        // A file that claims no size at all still stops at the limit.
        const QString status = QStringLiteral("/proc/self/status");
        if (!QFile::exists(status) || QFileInfo(status).size() != 0)
            QSKIP("no /proc file that claims size 0 here");
        QVERIFY(readRegularFile(status, 1 << 20, &bytes, &error));
        QVERIFY(bytes.size() > 64);
        QVERIFY(!readRegularFile(status, 64, &bytes, &error));
    }
};

WEBRIX_TEST_MAIN(SpecialFilesTest)
#include "tst_special_files.moc"
