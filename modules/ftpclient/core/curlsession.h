#pragma once

#include "opresult.h"
#include "remoteentry.h"
#include "site.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

namespace ftp {

// One connection to a site, driven synchronously through a libcurl easy handle that keeps the
// connection open between operations. Owned and used by a single thread; only cancel() may be
// called from elsewhere. Remote paths are absolute ("/www/index.html").
class CurlSession {
public:
    // done and total count bytes of the current file, including any resumed part.
    using ProgressHandler = std::function<void(qint64 done, qint64 total)>;
    using LogHandler = std::function<void(const QString& line)>;

    CurlSession(Site site, QString password);
    ~CurlSession();
    CurlSession(const CurlSession&) = delete;
    CurlSession& operator=(const CurlSession&) = delete;

    const Site& site() const { return m_site; }
    void setProgressHandler(ProgressHandler handler) { m_progress = std::move(handler); }
    void setLogHandler(LogHandler handler) { m_log = std::move(handler); }

    // Logs in and reports the folder the server starts in.
    OpResult open(QString* entryPath);
    // Names the server sent that are unsafe to use are logged, left out of entries and, when
    // asked for, handed back in unsafeNames.
    OpResult list(const QString& remoteDir, RemoteEntries* entries,
                  QStringList* unsafeNames = nullptr);
    // Sends to a hidden temporary name beside the target and renames it when complete, so the
    // target never shows half a file. With resume, continues an interrupted earlier attempt.
    OpResult upload(const QString& localFile, const QString& remoteFile, bool resume = false);
    // Writes to "<target>.webrix-part" and replaces the target only when the file is complete:
    // libcurl saw no error and the byte count matches what the server announced (SIZE, or
    // expectedSize from the listing when the server will not tell; -1 when unknown). A short
    // file counts as a dropped connection and stays behind for resuming.
    OpResult download(const QString& remoteFile, const QString& localFile, bool resume = false,
                      qint64 expectedSize = -1);
    OpResult makeDirectory(const QString& remoteDir);
    OpResult rename(const QString& from, const QString& to);
    OpResult removeFile(const QString& remoteFile);
    OpResult removeDirectory(const QString& remoteDir);

    void cancel() { m_cancelled = true; }
    void resetCancel() { m_cancelled = false; }
    bool isCancelled() const { return m_cancelled; }

    static QString temporaryUploadName(const QString& remoteFile);
    static QString partialDownloadName(const QString& localFile);

private:
    struct Transfer; // per-operation state the callbacks see

    void prepare(const QByteArray& url);
    QByteArray urlFor(const QString& remotePath, bool directory) const;
    QByteArray quotedPath(const QString& remotePath) const;
    OpResult runCommands(const QList<QByteArray>& commands);
    OpResult perform(Transfer* transfer);
    OpResult resultFor(int code, const Transfer* transfer) const;
    // Compares a finished download with the size the server announced or the listing showed.
    OpResult checkLength(qint64 received, qint64 offset, qint64 expectedSize) const;
    OpResult sendFile(const QString& localFile, const QString& remotePath, bool resume);
    // Some servers will not rename onto an existing file; those lose the old one a moment early.
    OpResult renameReplacing(const QString& from, const QString& to);
    void log(const QString& line) const;

    friend struct SessionCallbacks; // libcurl's C callbacks, typed in the source file

    Site m_site;
    QByteArray m_user;
    QByteArray m_password;
    void* m_curl = nullptr;
    ProgressHandler m_progress;
    LogHandler m_log;
    std::atomic<bool> m_cancelled{false};
    Transfer* m_transfer = nullptr;
    char m_errorBuffer[256] = {};
    // What the server showed about itself during the last handshake.
    QString m_peerFingerprint;
    QString m_peerDetails;
    bool m_peerRejected = false;
    QString m_lastReply;
};

} // namespace ftp
