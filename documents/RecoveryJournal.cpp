#include "documents/RecoveryJournal.h"

#include <QCoreApplication>
#include <QTextDocument>
#include <QTimer>

#include "controls/MsgBox.h"
#include "controls/RichTextBox.h"
#include "documents/DocumentFiles.h"
#include "documents/RecoveryStore.h"
#include "documents/RecoveryWriter.h"
#include "documents/frmDocument.h"

namespace {
bool hasUnsavedText(const frmDocument* document) {
    return document->rtfDocument->document()->isModified();
}
} // namespace

RecoveryJournal::RecoveryJournal(QObject* parent)
    : QObject(parent),
      m_writer(std::make_unique<RecoveryWriter>(RecoveryStore::newSessionFolder())) {
    // Ending without File > Exit (the desktop logging out): what is due is written first.
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, [this] {
        if (!m_ended)
            flush();
    });
}

RecoveryJournal::~RecoveryJournal() = default;

TextEncoding RecoveryJournal::documentEncoding(const frmDocument* document) {
    return document->rtfDocument->encoding();
}

void RecoveryJournal::setDocumentEncoding(frmDocument* document, const TextEncoding& encoding) {
    document->rtfDocument->setEncoding(encoding);
}

QString RecoveryJournal::sessionFolder() const {
    return m_writer->sessionFolder();
}

QString RecoveryJournal::copyPath(const frmDocument* document) const {
    const auto it = m_entries.constFind(document);
    return it == m_entries.cend() ? QString()
                                  : RecoveryStore::copyPath(sessionFolder(), it->window);
}

void RecoveryJournal::watch(frmDocument* document) {
    if (!document || m_entries.contains(document))
        return;
    Entry entry;
    entry.window = ++m_nextWindow;
    entry.timer = new QTimer(this);
    entry.timer->setSingleShot(true);
    m_entries.insert(document, entry);

    QPointer<frmDocument> guarded(document);
    connect(entry.timer, &QTimer::timeout, this, [this, guarded] {
        if (guarded)
            writeNow(guarded);
    });
    connect(document->rtfDocument, &RichTextBox::Change, this,
            [this, document] { edited(document); });
    // Undoing back to the saved text, or a save: the copy is no longer needed. Restored text is
    // marked as changed without an edit: it needs a copy of its own.
    // Through the editor: it may take over another document (a page prepared at start-up).
    connect(document->rtfDocument, &QPlainTextEdit::modificationChanged, this,
            [this, document](bool) { edited(document); });
    connect(document, &QWidget::windowTitleChanged, this, [this, document] {
        if (hasUnsavedText(document))
            edited(document);
    });
    connect(document, &QObject::destroyed, this, &RecoveryJournal::forget);
}

void RecoveryJournal::setEnabled(bool enabled) {
    m_enabled = enabled;
    if (!enabled)
        for (Entry& entry : m_entries)
            entry.timer->stop();
}

void RecoveryJournal::edited(frmDocument* document) {
    if (!m_enabled || m_ended)
        return;
    if (!hasUnsavedText(document)) {
        dropCopy(document);
        return;
    }
    Entry& entry = m_entries[document];
    if (!entry.firstUnwritten.isValid())
        entry.firstUnwritten.start();
    const qint64 untilLongest = kLongestDelayMs - entry.firstUnwritten.elapsed();
    entry.timer->start(int(qBound(qint64(0), untilLongest, qint64(kIdleDelayMs))));
}

void RecoveryJournal::writeNow(frmDocument* document) {
    Entry& entry = m_entries[document];
    entry.timer->stop();
    entry.firstUnwritten.invalidate();
    if (!hasUnsavedText(document)) {
        dropCopy(document);
        return;
    }
    QElapsedTimer snapshot;
    snapshot.start();
    RecoveryCopy copy;
    copy.caption = document->Caption();
    copy.file = boundFile(document);
    copy.encoding = documentEncoding(document);
    m_writer->write(entry.window, std::move(copy), document->rtfDocument->textSnapshot());
    entry.hasCopy = true;
    m_longestSnapshotMs = qMax(m_longestSnapshotMs, double(snapshot.nsecsElapsed()) / 1e6);
    reportFailure();
}

void RecoveryJournal::dropCopy(frmDocument* document) {
    Entry& entry = m_entries[document];
    entry.timer->stop();
    entry.firstUnwritten.invalidate();
    if (entry.hasCopy)
        m_writer->remove(entry.window);
    entry.hasCopy = false;
}

void RecoveryJournal::forget(QObject* document) {
    const auto it = m_entries.find(document);
    if (it == m_entries.end())
        return;
    it->timer->deleteLater();
    if (it->hasCopy && !m_ended)
        m_writer->remove(it->window);
    m_entries.erase(it);
}

bool RecoveryJournal::flush(int timeoutMs) {
    if (m_enabled && !m_ended) {
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it)
            if (it->timer->isActive())
                writeNow(static_cast<frmDocument*>(const_cast<QObject*>(it.key())));
    }
    const bool done = m_writer->waitUntilIdle(timeoutMs);
    reportFailure();
    return done;
}

void RecoveryJournal::endSession() {
    for (Entry& entry : m_entries)
        entry.timer->stop();
    m_ended = true;
    m_writer->endSession();
    m_writer->waitUntilIdle(RecoveryWriter::kShutdownWaitMs);
}

void RecoveryJournal::reportFailure() {
    const QString error = m_writer->takeError();
    if (error.isEmpty() || m_failureReported)
        return;
    // Told once a run: the user should know unsaved text is not being kept, not be nagged.
    m_failureReported = true;
    QTimer::singleShot(0, this, [error] {
        MsgBox(error + QStringLiteral("\nA mentetlen szöveg másolata most nem készül el; "
                                      "mentsd a dokumentumokat."),
               vbExclamation);
    });
}
