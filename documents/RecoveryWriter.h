#pragma once
// The recovery journal's disk work, on a thread of its own so that typing never waits on the
// disk. The user-interface thread hands over snapshots (cheap: the text's pieces are shared, not
// copied); this thread joins and encodes them, writes them atomically and removes copies, in the
// order asked. Only the newest request for a window is kept while it waits, so the queue stays as
// short as the number of windows.

#include <QLockFile>
#include <QMutex>
#include <QString>
#include <QWaitCondition>
#include <deque>
#include <map>
#include <memory>
#include <optional>

#include "controls/TextChunks.h"
#include "documents/RecoveryCopy.h"

class QThread;

class RecoveryWriter {
public:
    explicit RecoveryWriter(QString sessionFolder);
    // Finishes what was asked (waiting a bounded time) and releases the session's lock; copies
    // still on disk stay for the next start.
    ~RecoveryWriter();
    RecoveryWriter(const RecoveryWriter&) = delete;
    RecoveryWriter& operator=(const RecoveryWriter&) = delete;

    QString sessionFolder() const { return m_state->folder; }

    // The copy's text is joined from `text` on the writer's thread (copy.text is ignored).
    void write(int window, RecoveryCopy copy, TextSnapshot text);
    void remove(int window);
    // The program ends normally: every copy and the session folder go.
    void endSession();

    // Waits until every request so far is done; false when that took longer than timeoutMs.
    bool waitUntilIdle(int timeoutMs);

    // The first failure since the last call, as a Hungarian message (empty when none).
    QString takeError();

    static constexpr int kShutdownWaitMs = 10000;

private:
    struct Request {
        RecoveryCopy copy;
        TextSnapshot text;
    };
    struct State {
        QString folder;
        QMutex mutex;
        QWaitCondition wake;
        QWaitCondition idle;
        // nothing = remove the window's copy
        std::map<int, std::optional<Request>> pending;
        std::deque<int> order;
        bool busy = false;
        bool endRequested = false;
        bool stopRequested = false;
        QString error;
        // Used by the thread only.
        std::unique_ptr<QLockFile> lock;
    };
    static void run(const std::shared_ptr<State>& state);
    static void perform(State& state, int window, std::optional<Request> request);
    static void finishSession(State& state);

    std::shared_ptr<State> m_state;
    QThread* m_thread = nullptr;
};
