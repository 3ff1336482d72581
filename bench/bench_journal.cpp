// The recovery journal's cost to typing: 200 keys into a coloured 5 MB page at a fast typist's
// pace, with the journal off (baseline) and on, in the same run. Each key is timed from when it
// was due (or from when the key before it was done, if that was later), so a key that waits
// behind the journal's snapshot counts its wait; the user-interface thread's processor time per
// key is given as well, since the machine may be shared. Then the time from the last key until
// the page's copy is on disk, and the parts it is made of.

#include <QApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <ctime>
#include <sys/mman.h>

#include "app/AppSetup.h"
#include "bench/BenchSupport.h"
#include "controls/RichTextBox.h"
#include "documents/HighlightTags.h"
#include "documents/RecoveryCopy.h"
#include "documents/RecoveryJournal.h"
#include "documents/RecoveryStore.h"
#include "documents/frmDocument.h"
#include "tests/support/TestEnv.h"

namespace {
constexpr int kKeys = 200;
constexpr int kKeyIntervalMs = 40;

struct KeyFigures {
    double worstMs = 0;
    double meanMs = 0;
    double worstCpuMs = 0;
};

using bench::threadCpuMs;
using bench::waitUntil;

// What the system charges for 10 MB of memory never touched before (the size of a 5 MB page's
// snapshot): the first snapshots of a run pay it, later ones reuse freed memory.
double freshMemoryCpuMs() {
    constexpr std::size_t size = 10 << 20;
    const double start = threadCpuMs();
    void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        return -1;
    std::memset(memory, 1, size);
    const double ms = threadCpuMs() - start;
    munmap(memory, size);
    return ms;
}

// Each key's time runs from when it was due until it is in the text and painted.
KeyFigures typeKeys(RichTextBox* box) {
    KeyFigures figures;
    QElapsedTimer clock;
    clock.start();
    qint64 previousDoneNs = 0;
    for (int i = 1; i <= kKeys; ++i) {
        const qint64 due = qint64(i) * kKeyIntervalMs;
        waitUntil(clock, due);
        const qint64 fromNs = qMax(due * 1000000, previousDoneNs);
        const double cpuStart = threadCpuMs();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QCoreApplication::sendEvent(box, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QCoreApplication::sendEvent(box, &release);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        previousDoneNs = clock.nsecsElapsed();
        const double ms = double(qMax<qint64>(0, previousDoneNs - fromNs)) / 1e6;
        figures.worstMs = qMax(figures.worstMs, ms);
        figures.meanMs += ms / kKeys;
        figures.worstCpuMs = qMax(figures.worstCpuMs, threadCpuMs() - cpuStart);
    }
    return figures;
}

QString targetNote(double value, double target) {
    return QStringLiteral("target < %1 ms: %2")
        .arg(target)
        .arg(value < target ? QStringLiteral("met") : QStringLiteral("MISSED"));
}

// Milliseconds from now until the copy on disk holds exactly the editor's text.
double untilCopyOnDisk(const QString& path, const QString& text) {
    QElapsedTimer clock;
    clock.start();
    QDateTime seen;
    while (clock.elapsed() < 30000) {
        const QFileInfo info(path);
        const QDateTime modified = info.exists() ? info.lastModified() : QDateTime();
        if (modified.isValid() && modified != seen) {
            seen = modified;
            QFile file(path);
            if (file.open(QIODevice::ReadOnly)) {
                const auto copy = decodeRecoveryCopy(file.readAll(), nullptr);
                if (copy && copy->text == text)
                    return double(clock.nsecsElapsed()) / 1e6;
            }
        }
        QTest::qWait(5);
    }
    return -1;
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    prepareWebEngineEnvironment();
    QApplication app(argc, argv);
    setUpApplication(app);
    const TestEnv env; // settings, data and recovery folders of its own
    QTemporaryDir dir;

    const QString page = dir.filePath(QStringLiteral("page.html"));
    {
        QFile file(page);
        const QByteArray bytes = bench::samplePage(5 << 20);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write the sample page");
    }

    frmDocument document;
    document.resize(900, 700);
    document.show();
    (void)QTest::qWaitForWindowExposed(&document);
    RichTextBox* box = document.rtfDocument;
    if (!box->LoadFile(page))
        qFatal("cannot open the sample page");
    document.setCaption(page);
    HighlightTags(box);
    box->setSelStart(box->textLength() / 2);
    box->centerCursor();
    box->setFocus();

    RecoveryJournal journal;
    journal.watch(&document);

    journal.setEnabled(false);
    const KeyFigures off = typeKeys(box);
    bench::print(QStringLiteral("5 MB, journal off: worst of 200 keys (baseline)"), off.worstMs,
                 QStringLiteral("ms"),
                 QStringLiteral("mean %1 ms, worst key %2 ms of processor time")
                     .arg(off.meanMs, 0, 'f', 2)
                     .arg(off.worstCpuMs, 0, 'f', 2));

    journal.setEnabled(true);
    const KeyFigures on = typeKeys(box);
    bench::print(QStringLiteral("5 MB, journal on: worst of 200 keys"), on.worstMs,
                 QStringLiteral("ms"),
                 QStringLiteral("mean %1 ms, worst key %2 ms of processor time; %3")
                     .arg(on.meanMs, 0, 'f', 2)
                     .arg(on.worstCpuMs, 0, 'f', 2)
                     .arg(targetNote(on.worstMs, 16)));
    QString text = box->documentText();
    text.replace(QChar(QChar::ParagraphSeparator), QLatin1Char('\n'));
    const double onDisk = untilCopyOnDisk(journal.copyPath(&document), text);
    bench::print(QStringLiteral("5 MB: copy on disk after the last key"), onDisk,
                 QStringLiteral("ms"),
                 onDisk < 0 ? QStringLiteral("never (30 s)") : targetNote(onDisk, 2500));

    // The parts: the snapshot is the journal's only work on the user-interface thread; encoding
    // and writing run on its own thread, after RecoveryJournal::kIdleDelayMs of quiet.
    double snapshotCpu = 0;
    double readBackCpu = 0;
    double readBackWall = 0;
    for (int i = 0; i < 10; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QCoreApplication::sendEvent(box, &press);
        double start = threadCpuMs();
        const TextSnapshot snapshot = box->textSnapshot();
        snapshotCpu = qMax(snapshotCpu, threadCpuMs() - start);
        // The way it was taken before: the whole text read back out of the document.
        QElapsedTimer wall;
        wall.start();
        start = threadCpuMs();
        const QString readBack = box->document()->toRawText();
        readBackCpu = qMax(readBackCpu, threadCpuMs() - start);
        readBackWall = qMax(readBackWall, double(wall.nsecsElapsed()) / 1e6);
    }
    journal.flush();
    bench::print(QStringLiteral("5 MB text read back whole (earlier snapshot), worst/10"),
                 readBackCpu, QStringLiteral("ms"),
                 QStringLiteral("processor time; %1 ms wall").arg(readBackWall, 0, 'f', 2));
    bench::print(QStringLiteral("5 MB snapshot on the UI thread: processor time, worst/10"),
                 snapshotCpu, QStringLiteral("ms"),
                 QStringLiteral("longest seen while typing %1 ms of wall time")
                     .arg(journal.longestSnapshotMs(), 0, 'f', 2));
    bench::print(QStringLiteral("10 MB of fresh memory touched: processor time"),
                 freshMemoryCpuMs(), QStringLiteral("ms"),
                 QStringLiteral("what a run's first snapshots pay on top, on this machine"));
    const double worstCase = on.worstCpuMs + snapshotCpu;
    bench::print(QStringLiteral("5 MB, journal on: worst key + snapshot, processor time"),
                 worstCase, QStringLiteral("ms"),
                 QStringLiteral("a key that arrives during a snapshot; ") +
                     targetNote(worstCase, 16));
    RecoveryCopy copy{page, page, TextEncoding{}, text};
    QByteArray bytes;
    double start = threadCpuMs();
    bytes = encodeRecoveryCopy(copy);
    const double encodeCpu = threadCpuMs() - start;
    QElapsedTimer wall;
    wall.start();
    RecoveryStore::writeCopy(dir.filePath(QStringLiteral("copy.wrxcopy")), bytes, nullptr);
    const double writeMs = double(wall.nsecsElapsed()) / 1e6;
    bench::print(QStringLiteral("5 MB copy: encoding with checksum, processor time"), encodeCpu,
                 QStringLiteral("ms"));
    bench::print(
        QStringLiteral("5 MB copy: atomic write with flush to disk, wall"), writeMs,
        QStringLiteral("ms"),
        QStringLiteral("quiet machine estimate %1 + %2 + %3 + %4 = %5 ms after the key")
            .arg(RecoveryJournal::kIdleDelayMs)
            .arg(snapshotCpu, 0, 'f', 0)
            .arg(encodeCpu, 0, 'f', 0)
            .arg(writeMs, 0, 'f', 0)
            .arg(RecoveryJournal::kIdleDelayMs + snapshotCpu + encodeCpu + writeMs, 0, 'f', 0));
    journal.endSession();
    return 0;
}
