#include "documents/RecoveryWriter.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "documents/RecoveryStore.h"

RecoveryWriter::RecoveryWriter(QString sessionFolder) : m_state(std::make_shared<State>()) {
    m_state->folder = std::move(sessionFolder);
    std::shared_ptr<State> state = m_state;
    m_thread = QThread::create([state] { run(state); });
    m_thread->setObjectName(QStringLiteral("RecoveryWriter"));
    m_thread->start(QThread::LowPriority);
}

RecoveryWriter::~RecoveryWriter() {
    {
        QMutexLocker locker(&m_state->mutex);
        m_state->stopRequested = true;
        m_state->wake.wakeAll();
    }
    if (m_thread->wait(QDeadlineTimer(kShutdownWaitMs))) {
        delete m_thread;
        return;
    }
    // A disk that does not answer: the thread keeps the shared state alive and finishes on its
    // own; the program does not wait for it any longer.
    QObject::connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
}

void RecoveryWriter::write(int window, RecoveryCopy copy, TextSnapshot text) {
    QMutexLocker locker(&m_state->mutex);
    if (m_state->pending.find(window) == m_state->pending.end())
        m_state->order.push_back(window);
    m_state->pending[window] = Request{std::move(copy), std::move(text)};
    m_state->wake.wakeAll();
}

void RecoveryWriter::remove(int window) {
    QMutexLocker locker(&m_state->mutex);
    if (m_state->pending.find(window) == m_state->pending.end())
        m_state->order.push_back(window);
    m_state->pending[window] = std::nullopt;
    m_state->wake.wakeAll();
}

void RecoveryWriter::endSession() {
    QMutexLocker locker(&m_state->mutex);
    m_state->endRequested = true;
    m_state->wake.wakeAll();
}

bool RecoveryWriter::waitUntilIdle(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    QMutexLocker locker(&m_state->mutex);
    while (m_state->busy || !m_state->order.empty() || m_state->endRequested) {
        if (!m_state->idle.wait(&m_state->mutex, deadline))
            return false;
    }
    return true;
}

QString RecoveryWriter::takeError() {
    QMutexLocker locker(&m_state->mutex);
    return std::exchange(m_state->error, QString());
}

void RecoveryWriter::run(const std::shared_ptr<State>& state) {
#ifdef Q_OS_LINUX
    // Thread priorities mean nothing to this system's ordinary scheduling; a nice value does.
    // When the two share a processor, the next key goes before the copy.
    setpriority(PRIO_PROCESS, id_t(gettid()), 10);
#endif
    QMutexLocker locker(&state->mutex);
    for (;;) {
        if (!state->order.empty()) {
            const int window = state->order.front();
            state->order.pop_front();
            auto node = state->pending.extract(window);
            state->busy = true;
            locker.unlock();
            perform(*state, window, std::move(node.mapped()));
            locker.relock();
            state->busy = false;
            continue;
        }
        if (state->endRequested) {
            locker.unlock();
            finishSession(*state);
            locker.relock();
            state->endRequested = false;
            continue;
        }
        state->idle.wakeAll();
        if (state->stopRequested)
            break;
        state->wake.wait(&state->mutex);
    }
    locker.unlock();
    state->lock.reset(); // unlocking leaves the copies for the next start
}

void RecoveryWriter::perform(State& state, int window, std::optional<Request> request) {
    const QString path = RecoveryStore::copyPath(state.folder, window);
    QString error;
    if (!request) {
        if (QFile::exists(path) && !QFile::remove(path))
            error = QStringLiteral("A(z) \"%1\" helyreállítási másolat nem törölhető.")
                        .arg(QDir::toNativeSeparators(path));
    } else {
        if (!state.lock) {
            auto lock = std::make_unique<QLockFile>(state.folder + QStringLiteral("/lock"));
            if (RecoveryStore::openSession(state.folder, *lock, &error))
                state.lock = std::move(lock);
        }
        if (state.lock) {
            request->copy.text = request->text.joined();
            request->text = TextSnapshot(); // the editor's pieces are not held longer than needed
            RecoveryStore::writeCopy(path, encodeRecoveryCopy(request->copy), &error);
        }
    }
    if (!error.isEmpty()) {
        QMutexLocker locker(&state.mutex);
        if (state.error.isEmpty())
            state.error = error;
    }
}

void RecoveryWriter::finishSession(State& state) {
    if (!state.lock)
        return; // nothing was ever written
    QDir folder(state.folder);
    const QStringList copies =
        folder.entryList({QLatin1Char('*') + QLatin1String(RecoveryCopyFormat::Suffix)},
                         QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : copies)
        QFile::remove(folder.filePath(name));
    state.lock->unlock();
    state.lock.reset();
    folder.rmdir(state.folder);
}
