#include "connectionwatchdog.h"

#include <chrono>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

namespace webserver {

namespace {
constexpr auto kCheckInterval = std::chrono::milliseconds(250);
} // namespace

ConnectionWatchdog::ConnectionWatchdog() : m_thread([this] { run(); }) {}

ConnectionWatchdog::~ConnectionWatchdog() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
    for (Watched* watched : m_watched)
        delete watched;
}

qint64 ConnectionWatchdog::nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

ConnectionWatchdog::Watched* ConnectionWatchdog::watch(qintptr socket, int seconds) {
    auto* watched = new Watched;
    watched->socket = socket;
    setDeadline(watched, seconds);
    const std::lock_guard lock(m_mutex);
    m_watched.insert(watched);
    return watched;
}

void ConnectionWatchdog::setDeadline(Watched* watched, int seconds) {
    watched->deadlineMs.store(nowMs() + seconds * qint64(1000), std::memory_order_relaxed);
}

void ConnectionWatchdog::clearDeadline(Watched* watched) {
    watched->deadlineMs.store(0, std::memory_order_relaxed);
}

void ConnectionWatchdog::forget(Watched* watched) {
    {
        // Under the lock, so the socket is never shut down after the engine let go of it
        // (its number may already belong to a new connection).
        const std::lock_guard lock(m_mutex);
        m_watched.erase(watched);
    }
    delete watched;
}

void ConnectionWatchdog::run() {
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        m_wake.wait_for(lock, kCheckInterval);
        const qint64 now = nowMs();
        for (Watched* watched : m_watched) {
            const qint64 deadline = watched->deadlineMs.load(std::memory_order_relaxed);
            if (deadline == 0 || now < deadline)
                continue;
            watched->deadlineMs.store(0, std::memory_order_relaxed);
#ifdef Q_OS_WIN
            ::shutdown(static_cast<SOCKET>(watched->socket), SD_BOTH);
#else
            ::shutdown(static_cast<int>(watched->socket), SHUT_RDWR);
#endif
        }
    }
}

} // namespace webserver
