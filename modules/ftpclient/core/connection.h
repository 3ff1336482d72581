#pragma once

#include "transferworker.h"

#include <QObject>
#include <QThread>

namespace ftp {

// Owns the thread a site's worker lives on; destroying it cancels and waits for the worker.
class Connection : public QObject {
    Q_OBJECT
public:
    Connection(const Site& site, const QString& password, QObject* parent = nullptr);
    ~Connection() override;

    TransferWorker* worker() const { return m_worker; }
    void cancel() { m_worker->cancel(); }

    // Runs call on the worker's thread, after whatever was queued before.
    template <typename Call> void post(Call call) {
        QMetaObject::invokeMethod(
            m_worker, [worker = m_worker, call] { call(worker); }, Qt::QueuedConnection);
    }

private:
    QThread m_thread;
    TransferWorker* m_worker;
};

} // namespace ftp
