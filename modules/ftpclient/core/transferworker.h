#pragma once

#include "curlsession.h"
#include "opresult.h"
#include "remoteentry.h"
#include "transferplan.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>

#include <memory>

namespace ftp {

// Runs one site's remote operations on its own thread, one at a time, so the window stays
// responsive. Slots are invoked queued from the window's thread; cancel() is safe from anywhere.
class TransferWorker : public QObject {
    Q_OBJECT
public:
    TransferWorker(const Site& site, const QString& password);
    ~TransferWorker() override;

    void cancel() { m_session->cancel(); }

public slots:
    void open();
    void list(const QString& remoteFolder);
    void upload(const QStringList& localPaths, const QString& remoteFolder, bool resume);
    void download(const ftp::RemoteEntries& entries, const QString& remoteFolder,
                  const QString& localFolder, bool resume);
    void makeDirectory(const QString& remotePath);
    void rename(const QString& from, const QString& to);
    void remove(const ftp::RemoteEntries& entries, const QString& remoteFolder);

signals:
    void opened(const QString& entryPath);
    void listed(const QString& remoteFolder, const ftp::RemoteEntries& entries);
    // Bytes of the whole operation, so one bar covers a folder of many files.
    void progress(qint64 done, qint64 total, const QString& currentName);
    void finished(const QString& operation, const ftp::OpResult& result);
    void logLine(const QString& line);

private:
    // localFolder is where a download may write; empty for uploads.
    OpResult runPlan(const TransferPlan& plan, bool upload, bool resume, const QString& localFolder,
                     QStringList* outsideFolder);
    void begin(const QString& what);
    void finish(const QString& operation, const OpResult& result);

    std::unique_ptr<CurlSession> m_session;
    qint64 m_bytesBefore = 0;
    qint64 m_planTotal = 0;
    QString m_currentName;
    QElapsedTimer m_sinceProgress;
};

} // namespace ftp
