#include "transferworker.h"

#include "localtarget.h"
#include "safename.h"

#include <QDir>
#include <QFileInfo>

namespace ftp {

namespace {

void registerTypesOnce() {
    static const bool registered = [] {
        qRegisterMetaType<ftp::RemoteEntries>();
        qRegisterMetaType<ftp::OpResult>();
        return true;
    }();
    Q_UNUSED(registered)
}

// Adds the names left out for one reason to the result, so the user hears of them at the end.
void reportSkipped(OpResult* result, const QStringList& names, const QString& reason) {
    if (names.isEmpty())
        return;
    result->skipped += names;
    const QString message = skippedNamesMessage(names, reason);
    result->warning = result->warning.isEmpty() ? message : result->warning + u'\n' + message;
}

} // namespace

TransferWorker::TransferWorker(const Site& site, const QString& password)
    : m_session(std::make_unique<CurlSession>(site, password)) {
    registerTypesOnce();
    m_session->setLogHandler([this](const QString& line) { emit logLine(line); });
    m_session->setProgressHandler([this](qint64 done, qint64 total) {
        Q_UNUSED(total)
        // Ten updates a second are plenty for a progress bar.
        if (m_sinceProgress.isValid() && m_sinceProgress.elapsed() < 100)
            return;
        m_sinceProgress.restart();
        emit progress(m_bytesBefore + done, m_planTotal, m_currentName);
    });
}

TransferWorker::~TransferWorker() = default;

void TransferWorker::begin(const QString& what) {
    m_session->resetCancel();
    m_sinceProgress.invalidate();
    emit logLine(what);
}

void TransferWorker::finish(const QString& operation, const OpResult& result) {
    if (!result.warning.isEmpty())
        emit logLine(result.warning);
    emit logLine(result.ok() ? QStringLiteral("Kész: %1").arg(operation)
                             : QStringLiteral("Hiba: %1").arg(result.message));
    emit finished(operation, result);
}

void TransferWorker::open() {
    begin(QStringLiteral("Kapcsolódás: %1:%2")
              .arg(m_session->site().host)
              .arg(m_session->site().port));
    QString entryPath;
    const OpResult result = m_session->open(&entryPath);
    if (result.ok())
        emit opened(entryPath);
    finish(QStringLiteral("open"), result);
}

void TransferWorker::list(const QString& remoteFolder) {
    begin(QStringLiteral("Könyvtárlista: %1").arg(remoteFolder));
    RemoteEntries entries;
    QStringList unsafeNames;
    OpResult result = m_session->list(remoteFolder, &entries, &unsafeNames);
    if (result.ok()) {
        reportSkipped(&result, unsafeNames, unsafeNameReason());
        emit listed(remoteFolder, entries);
    }
    finish(QStringLiteral("list"), result);
}

OpResult TransferWorker::runPlan(const TransferPlan& plan, bool upload, bool resume,
                                 const QString& localFolder, QStringList* outsideFolder) {
    m_planTotal = totalBytes(plan);
    m_bytesBefore = 0;
    for (const PlannedItem& item : plan) {
        if (m_session->isCancelled())
            return OpResult::failure(OpResult::Kind::Cancelled,
                                     QStringLiteral("A műveletet megszakították."));
        m_currentName = QFileInfo(item.localPath).fileName();
        // Checked again right before touching the disk, whatever the plan says.
        if (!upload &&
            (!isInsideFolder(localFolder, item.localPath) ||
             (!item.isDirectory &&
              !isInsideFolder(localFolder, CurlSession::partialDownloadName(item.localPath))))) {
            emit logLine(QStringLiteral("A választott mappán kívülre esne, kihagyva: %1")
                             .arg(printableName(QDir::toNativeSeparators(item.localPath))));
            outsideFolder->append(QDir(localFolder).relativeFilePath(item.localPath));
            m_bytesBefore += item.size;
            continue;
        }
        OpResult result;
        if (item.isDirectory) {
            if (upload) {
                // Already there is fine; a real failure shows up with the first file inside.
                m_session->makeDirectory(item.remotePath);
            } else if (!QDir().mkpath(item.localPath)) {
                return OpResult::failure(OpResult::Kind::LocalFileError,
                                         QStringLiteral("A helyi mappa nem hozható létre: %1")
                                             .arg(QDir::toNativeSeparators(item.localPath)));
            }
            continue;
        }
        emit logLine(upload ? QStringLiteral("Feltöltés: %1 -> %2")
                                  .arg(QDir::toNativeSeparators(item.localPath), item.remotePath)
                            : QStringLiteral("Letöltés: %1 -> %2")
                                  .arg(item.remotePath, QDir::toNativeSeparators(item.localPath)));
        result = upload ? m_session->upload(item.localPath, item.remotePath, resume)
                        : m_session->download(item.remotePath, item.localPath, resume,
                                              item.expectedSize);
        if (!result.ok())
            return result;
        m_bytesBefore += item.size;
        emit progress(m_bytesBefore, m_planTotal, m_currentName);
    }
    return OpResult::success();
}

void TransferWorker::upload(const QStringList& localPaths, const QString& remoteFolder,
                            bool resume) {
    begin(resume ? QStringLiteral("Feltöltés folytatása") : QStringLiteral("Feltöltés"));
    QStringList unsafeNames;
    const TransferPlan plan = planUpload(localPaths, remoteFolder, &unsafeNames);
    for (const QString& name : unsafeNames)
        emit logLine(QStringLiteral("Nem biztonságos név, kihagyva: %1").arg(printableName(name)));
    OpResult result = runPlan(plan, true, resume, QString(), nullptr);
    reportSkipped(&result, unsafeNames, unsafeUploadReason());
    finish(QStringLiteral("upload"), result);
}

void TransferWorker::download(const ftp::RemoteEntries& entries, const QString& remoteFolder,
                              const QString& localFolder, bool resume) {
    begin(resume ? QStringLiteral("Letöltés folytatása") : QStringLiteral("Letöltés"));
    TransferPlan plan;
    QStringList unsafeNames;
    QStringList outsideFolder;
    OpResult result =
        planDownload(*m_session, entries, remoteFolder, localFolder, &plan, &unsafeNames);
    if (result.ok())
        result = runPlan(plan, false, resume, localFolder, &outsideFolder);
    reportSkipped(&result, unsafeNames, unsafeNameReason());
    reportSkipped(&result, outsideFolder, outsideFolderReason());
    finish(QStringLiteral("download"), result);
}

void TransferWorker::makeDirectory(const QString& remotePath) {
    begin(QStringLiteral("Új mappa: %1").arg(remotePath));
    finish(QStringLiteral("mkdir"), m_session->makeDirectory(remotePath));
}

void TransferWorker::rename(const QString& from, const QString& to) {
    begin(QStringLiteral("Átnevezés: %1 -> %2").arg(from, to));
    finish(QStringLiteral("rename"), m_session->rename(from, to));
}

void TransferWorker::remove(const ftp::RemoteEntries& entries, const QString& remoteFolder) {
    begin(QStringLiteral("Törlés"));
    OpResult result;
    for (int i = 0; result.ok() && i < entries.size(); ++i)
        result = removeRemote(*m_session, entries.at(i), remoteFolder);
    finish(QStringLiteral("remove"), result);
}

} // namespace ftp
