#pragma once
// The recovery journal: for every document window whose text changed since it was made, opened
// or last saved, a copy on disk (caption, file, encoding, whole text), written at most
// kLongestDelayMs after an edit by RecoveryWriter's thread. A successful save, closing the window
// and a normal exit remove it. What is left after the program ended without closing its windows
// is offered back at the next start (frmMain::recoverDocuments).

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <memory>

#include "controls/TextFileCodec.h"

class QTimer;
class RecoveryWriter;
class frmDocument;

class RecoveryJournal : public QObject {
    Q_OBJECT
public:
    explicit RecoveryJournal(QObject* parent = nullptr);
    ~RecoveryJournal() override;

    // A copy is written this long after the last edit...
    static constexpr int kIdleDelayMs = 1000;
    // ...and at the latest this long after the first edit not yet on disk, also while typing
    // goes on, so the copy on disk never lags the editor by more than about two seconds.
    static constexpr int kLongestDelayMs = 1500;

    // Keeps the window's copy from now on, until the window goes.
    void watch(frmDocument* document);

    // Off: nothing more is written (copies already on disk stay). For measuring its cost.
    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }

    // Writes every copy that is due now and waits until they are on disk (bounded).
    bool flush(int timeoutMs = 10000);

    // The program ends normally: every copy of this run and its folder are removed.
    void endSession();

    // This run's folder below RecoveryStore::folder() (made at the first copy).
    QString sessionFolder() const;
    // The copy file of a watched window (it exists only while the window has unsaved text).
    QString copyPath(const frmDocument* document) const;

    // Longest time one snapshot took on the user-interface thread so far, in milliseconds.
    double longestSnapshotMs() const { return m_longestSnapshotMs; }

    // How a document is saved, as the journal records and restores it.
    static TextEncoding documentEncoding(const frmDocument* document);
    static void setDocumentEncoding(frmDocument* document, const TextEncoding& encoding);

private:
    struct Entry {
        int window = 0;
        QTimer* timer = nullptr;
        QElapsedTimer firstUnwritten; // valid while an edit waits for its copy
        bool hasCopy = false;
    };
    void edited(frmDocument* document);
    void writeNow(frmDocument* document);
    void dropCopy(frmDocument* document);
    void forget(QObject* document);
    void reportFailure();

    std::unique_ptr<RecoveryWriter> m_writer;
    QHash<const QObject*, Entry> m_entries;
    int m_nextWindow = 0;
    bool m_enabled = true;
    bool m_ended = false;
    bool m_failureReported = false;
    double m_longestSnapshotMs = 0;
};
