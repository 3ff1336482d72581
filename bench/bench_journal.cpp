// The recovery journal's cost to typing: 200 keys into a coloured 5 MB page at a fast typist's
// pace, with the journal off (baseline) and on, in the same run; each key is timed from when it
// was due, so a key that has to wait behind the journal's snapshot counts its wait. Then the time
// from the last key until the page's copy is on disk.

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

#include "app/AppSetup.h"
#include "bench/BenchSupport.h"
#include "controls/RichTextBox.h"
#include "documents/HighlightTags.h"
#include "documents/RecoveryCopy.h"
#include "documents/RecoveryJournal.h"
#include "documents/RecoveryStore.h"
#include "documents/frmDocument.h"

namespace {
constexpr int kKeys = 200;
constexpr int kKeyIntervalMs = 40;

struct KeyFigures {
    double worstMs = 0;
    double meanMs = 0;
};

void waitUntil(const QElapsedTimer& clock, qint64 dueMs) {
    const qint64 left = dueMs - clock.elapsed();
    if (left <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(int(left), Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Each key's time runs from when it was due until it is in the text and painted.
KeyFigures typeKeys(RichTextBox* box) {
    std::vector<double> times;
    QElapsedTimer clock;
    clock.start();
    for (int i = 1; i <= kKeys; ++i) {
        const qint64 due = qint64(i) * kKeyIntervalMs;
        waitUntil(clock, due);
        const qint64 dueNs = due * 1000000;
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QCoreApplication::sendEvent(box, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QCoreApplication::sendEvent(box, &release);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        times.push_back(double(qMax<qint64>(0, clock.nsecsElapsed() - dueNs)) / 1e6);
    }
    KeyFigures figures;
    figures.worstMs = *std::max_element(times.begin(), times.end());
    for (double t : times)
        figures.meanMs += t / kKeys;
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
                const auto copy = DecodeRecoveryCopy(file.readAll(), nullptr);
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
    PrepareWebEngineEnvironment();
    QApplication app(argc, argv);
    SetUpApplication(app);
    QTemporaryDir dir;
    RecoveryStore::setFolderForTesting(dir.filePath(QStringLiteral("recovery")));

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
    box->setSelStart(box->TextLength() / 2);
    box->centerCursor();
    box->setFocus();

    RecoveryJournal journal;
    journal.watch(&document);

    journal.setEnabled(false);
    const KeyFigures off = typeKeys(box);
    bench::print(QStringLiteral("5 MB, journal off: worst of 200 keys (baseline)"), off.worstMs,
                 QStringLiteral("ms"), QStringLiteral("mean %1 ms").arg(off.meanMs, 0, 'f', 2));

    journal.setEnabled(true);
    const KeyFigures on = typeKeys(box);
    bench::print(
        QStringLiteral("5 MB, journal on: worst of 200 keys"), on.worstMs, QStringLiteral("ms"),
        QStringLiteral("mean %1 ms; %2").arg(on.meanMs, 0, 'f', 2).arg(targetNote(on.worstMs, 16)));
    bench::print(QStringLiteral("5 MB, journal on: longest snapshot on the UI thread"),
                 journal.longestSnapshotMs(), QStringLiteral("ms"));

    QString text = box->documentText();
    text.replace(QChar(QChar::ParagraphSeparator), QLatin1Char('\n'));
    const double onDisk = untilCopyOnDisk(journal.copyPath(&document), text);
    bench::print(QStringLiteral("5 MB: copy on disk after the last key"), onDisk,
                 QStringLiteral("ms"),
                 onDisk < 0 ? QStringLiteral("never (30 s)") : targetNote(onDisk, 2500));
    journal.endSession();
    return 0;
}
