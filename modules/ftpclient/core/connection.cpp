#include "connection.h"

namespace ftp {

Connection::Connection(const Site& site, const QString& password, QObject* parent)
    : QObject(parent), m_worker(new TransferWorker(site, password)) {
    m_thread.setObjectName(QStringLiteral("ftp-") + site.host);
    m_worker->moveToThread(&m_thread);
    m_thread.start();
}

Connection::~Connection() {
    m_worker->cancel();
    m_thread.quit();
    m_thread.wait();
    delete m_worker;
}

} // namespace ftp
