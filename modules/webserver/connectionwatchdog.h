#pragma once

#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unordered_set>

namespace webserver {

// Drops connections that miss a deadline however they trickle their bytes: the engine's own
// timeout only notices silence, so a client sending one byte every few seconds would otherwise
// hold its connection forever. Dropping shuts the socket down; the engine then sees the end of
// the stream and closes the connection the usual way.
class ConnectionWatchdog {
public:
    struct Watched {
        qintptr socket = -1;
        std::atomic<qint64> deadlineMs{0}; // steady-clock milliseconds; 0: no deadline
    };

    ConnectionWatchdog();
    ~ConnectionWatchdog();
    ConnectionWatchdog(const ConnectionWatchdog&) = delete;
    ConnectionWatchdog& operator=(const ConnectionWatchdog&) = delete;

    // Called from the engine's threads. The returned entry stays valid until forget().
    Watched* watch(qintptr socket, int seconds);
    static void setDeadline(Watched* watched, int seconds);
    static void clearDeadline(Watched* watched);
    void forget(Watched* watched);

private:
    void run();
    static qint64 nowMs();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::unordered_set<Watched*> m_watched;
    std::thread m_thread;
};

} // namespace webserver
