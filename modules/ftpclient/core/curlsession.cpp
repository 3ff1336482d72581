#include "curlsession.h"

#include "listingparser.h"
#include "nameencoding.h"
#include "safename.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <curl/curl.h>

#include <mutex>

#ifdef WEBRIX_FTP_OPENSSL
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#endif

namespace ftp {

namespace {

CURL* asCurl(void* handle) {
    return static_cast<CURL*>(handle);
}

void initialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

QString parentOf(const QString& path) {
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

QString nameOf(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

bool isTransportFailure(CURLcode code) {
    switch (code) {
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_UPLOAD_FAILED:
    case CURLE_SSH:
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_FTP_ACCEPT_TIMEOUT:
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
    case CURLE_COULDNT_CONNECT:
    case CURLE_SSL_CONNECT_ERROR:
        return true;
    default:
        return false;
    }
}

QString hostKeyTypeName(int type) {
    switch (type) {
    case CURLKHTYPE_RSA1:
    case CURLKHTYPE_RSA:
        return QStringLiteral("RSA");
    case CURLKHTYPE_DSS:
        return QStringLiteral("DSA");
    case CURLKHTYPE_ECDSA:
        return QStringLiteral("ECDSA");
    case CURLKHTYPE_ED25519:
        return QStringLiteral("ED25519");
    default:
        return QStringLiteral("ismeretlen típusú");
    }
}

} // namespace

// Directory listings are read into memory; no real folder comes near this.
constexpr qsizetype kMaxListingBytes = 64 * 1024 * 1024;

struct CurlSession::Transfer {
    QFile* file = nullptr;
    QByteArray buffer;
    bool bufferFull = false;
    qint64 offset = 0; // bytes already on the other side when resuming
    qint64 total = -1;
    bool upload = false;
    bool localFailure = false;
};

struct SessionCallbacks {
    static size_t writeToBuffer(char* data, size_t size, size_t count, void* opaque) {
        auto* transfer = static_cast<CurlSession::Transfer*>(opaque);
        const auto wanted = qsizetype(size * count);
        if (transfer->buffer.size() + wanted > kMaxListingBytes) {
            transfer->bufferFull = true;
            return 0;
        }
        transfer->buffer.append(data, wanted);
        return size * count;
    }

    static size_t writeToFile(char* data, size_t size, size_t count, void* opaque) {
        auto* transfer = static_cast<CurlSession::Transfer*>(opaque);
        const qint64 wanted = qint64(size * count);
        if (transfer->file->write(data, wanted) != wanted) {
            transfer->localFailure = true;
            return 0;
        }
        return size * count;
    }

    static size_t readFromFile(char* buffer, size_t size, size_t count, void* opaque) {
        auto* transfer = static_cast<CurlSession::Transfer*>(opaque);
        const qint64 read = transfer->file->read(buffer, qint64(size * count));
        if (read < 0) {
            transfer->localFailure = true;
            return CURL_READFUNC_ABORT;
        }
        return size_t(read);
    }

    static int seekFile(void* opaque, curl_off_t offset, int origin) {
        auto* transfer = static_cast<CurlSession::Transfer*>(opaque);
        if (origin != SEEK_SET)
            return CURL_SEEKFUNC_CANTSEEK;
        if (!transfer->file->seek(offset))
            return CURL_SEEKFUNC_FAIL;
        transfer->offset = offset;
        return CURL_SEEKFUNC_OK;
    }

    static int progress(void* opaque, curl_off_t dlTotal, curl_off_t dlNow, curl_off_t ulTotal,
                        curl_off_t ulNow) {
        Q_UNUSED(ulTotal)
        auto* session = static_cast<CurlSession*>(opaque);
        if (session->m_cancelled)
            return 1;
        const CurlSession::Transfer* transfer = session->m_transfer;
        if (!transfer || !transfer->file || !session->m_progress)
            return 0;
        if (transfer->upload)
            session->m_progress(transfer->offset + ulNow, transfer->total);
        else
            session->m_progress(transfer->offset + dlNow,
                                dlTotal > 0 ? transfer->offset + dlTotal : -1);
        return 0;
    }

    static int debug(CURL*, curl_infotype type, char* data, size_t size, void* opaque) {
        auto* session = static_cast<CurlSession*>(opaque);
        const bool sftp = session->m_site.protocol == Protocol::Sftp;
        if (type != CURLINFO_HEADER_IN && type != CURLINFO_HEADER_OUT &&
            !(sftp && type == CURLINFO_TEXT))
            return 0;
        QByteArray line(data, qsizetype(size));
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        if (type == CURLINFO_HEADER_OUT && line.startsWith("PASS "))
            line = "PASS ********";
        if (type == CURLINFO_HEADER_IN)
            session->m_lastReply = QString::fromLatin1(line);
        const char* prefix = type == CURLINFO_HEADER_OUT  ? "> "
                             : type == CURLINFO_HEADER_IN ? "< "
                                                          : "* ";
        session->log(QString::fromLatin1(prefix) + decodeName(line, session->m_site.encoding));
        return 0;
    }

    static int hostKey(void* opaque, int keyType, const char* key, size_t length) {
        auto* session = static_cast<CurlSession*>(opaque);
        const QByteArray digest = QCryptographicHash::hash(QByteArray(key, qsizetype(length)),
                                                           QCryptographicHash::Sha256);
        session->m_peerFingerprint =
            QStringLiteral("SHA256:") +
            QString::fromLatin1(digest.toBase64(QByteArray::OmitTrailingEquals));
        session->m_peerDetails = QStringLiteral("%1 kulcs").arg(hostKeyTypeName(keyType));
        if (!session->m_site.trustedHostKey.isEmpty() &&
            session->m_site.trustedHostKey == session->m_peerFingerprint)
            return CURLKHMATCH_OK;
        session->m_peerRejected = true;
        return CURLKHMATCH_MISMATCH;
    }

#ifdef WEBRIX_FTP_OPENSSL
    static QString nameLine(X509_NAME* name) {
        char buffer[512] = {};
        X509_NAME_oneline(name, buffer, sizeof buffer);
        return QString::fromUtf8(buffer);
    }

    // Replaces OpenSSL's chain check so we see the certificate even when it fails, and so a
    // certificate the user accepted for this site passes regardless of who signed it.
    static int verifyCertificate(X509_STORE_CTX* context, void* opaque) {
        auto* session = static_cast<CurlSession*>(opaque);
        const int chainOk = X509_verify_cert(context);
        X509* leaf = X509_STORE_CTX_get0_cert(context);
        if (!leaf)
            return 0;
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int digestLength = 0;
        X509_digest(leaf, EVP_sha256(), digest, &digestLength);
        session->m_peerFingerprint =
            QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(digest), int(digestLength))
                                    .toHex(':')
                                    .toUpper());
        session->m_peerDetails =
            QStringLiteral("Tulajdonos: %1\nKiállító: %2")
                .arg(nameLine(X509_get_subject_name(leaf)), nameLine(X509_get_issuer_name(leaf)));
        const QString& trusted = session->m_site.trustedCertificate;
        if (!trusted.isEmpty()) {
            if (trusted.compare(session->m_peerFingerprint, Qt::CaseInsensitive) == 0) {
                X509_STORE_CTX_set_error(context, X509_V_OK);
                return 1;
            }
            session->m_peerRejected = true;
            return 0;
        }
        if (chainOk != 1) {
            session->m_peerDetails += QStringLiteral("\nHiba: %1")
                                          .arg(QString::fromLatin1(X509_verify_cert_error_string(
                                              X509_STORE_CTX_get_error(context))));
            session->m_peerRejected = true;
        }
        return chainOk;
    }
#endif

    static CURLcode sslContext(CURL*, void* sslContext, void* opaque) {
#ifdef WEBRIX_FTP_OPENSSL
        SSL_CTX_set_cert_verify_callback(static_cast<SSL_CTX*>(sslContext), &verifyCertificate,
                                         opaque);
#else
        Q_UNUSED(sslContext)
        Q_UNUSED(opaque)
#endif
        return CURLE_OK;
    }
};

CurlSession::CurlSession(Site site, QString password)
    : m_site(std::move(site)), m_user(m_site.user.toUtf8()), m_password(password.toUtf8()) {
    initialiseCurlOnce();
    m_curl = curl_easy_init();
}

CurlSession::~CurlSession() {
    curl_easy_cleanup(asCurl(m_curl));
}

QString CurlSession::temporaryUploadName(const QString& remoteFile) {
    const QString parent = parentOf(remoteFile);
    return (parent == QLatin1String("/") ? QString() : parent) + QStringLiteral("/.") +
           nameOf(remoteFile) + QStringLiteral(".webrix-part");
}

QString CurlSession::partialDownloadName(const QString& localFile) {
    return localFile + QStringLiteral(".webrix-part");
}

void CurlSession::log(const QString& line) const {
    if (m_log)
        m_log(line);
}

QByteArray CurlSession::urlFor(const QString& remotePath, bool directory) const {
    const bool sftp = m_site.protocol == Protocol::Sftp;
    QByteArray host = m_site.host.trimmed().toUtf8();
    if (host.contains(':'))
        host = '[' + host + ']';
    QByteArray url = (sftp ? "sftp://" : "ftp://") + host + ':' + QByteArray::number(m_site.port);
    QString path =
        remotePath.startsWith(QLatin1Char('/')) ? remotePath : QLatin1Char('/') + remotePath;
    if (directory && !path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    const QByteArray encoded = encodeName(path, m_site.encoding).toPercentEncoding("/");
    // In an FTP URL the first slash only separates; "%2F" makes the path absolute.
    if (sftp)
        return url + encoded;
    const QByteArray absolute = url + "/%2F" + encoded.mid(1);
    return directory && !absolute.endsWith('/') ? absolute + '/' : absolute;
}

QByteArray CurlSession::quotedPath(const QString& remotePath) const {
    QByteArray bytes = encodeName(remotePath, m_site.encoding);
    if (m_site.protocol != Protocol::Sftp)
        return bytes;
    bytes.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + bytes + '"';
}

void CurlSession::prepare(const QByteArray& url) {
    CURL* curl = asCurl(m_curl);
    curl_easy_reset(curl);
    m_errorBuffer[0] = '\0';
    m_peerFingerprint.clear();
    m_peerDetails.clear();
    m_peerRejected = false;
    m_lastReply.clear();

    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    curl_easy_setopt(curl, CURLOPT_USERNAME, m_user.constData());
    curl_easy_setopt(curl, CURLOPT_PASSWORD, m_password.constData());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 20L);
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, 60L);
    // A stalled transfer counts as a dropped connection after a minute.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, m_errorBuffer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &SessionCallbacks::progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
    curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, &SessionCallbacks::debug);
    curl_easy_setopt(curl, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);

    if (m_site.protocol == Protocol::Sftp) {
        const bool withKey = !m_site.privateKeyFile.isEmpty();
        curl_easy_setopt(curl, CURLOPT_SSH_AUTH_TYPES,
                         withKey ? long(CURLSSH_AUTH_PUBLICKEY)
                                 : long(CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD));
        if (withKey) {
            const QByteArray key = QFile::encodeName(m_site.privateKeyFile);
            const QByteArray publicKey =
                QFile::exists(m_site.privateKeyFile + QStringLiteral(".pub")) ? key + ".pub"
                                                                              : QByteArray();
            curl_easy_setopt(curl, CURLOPT_SSH_PRIVATE_KEYFILE, key.constData());
            curl_easy_setopt(curl, CURLOPT_SSH_PUBLIC_KEYFILE, publicKey.constData());
            curl_easy_setopt(curl, CURLOPT_KEYPASSWD, m_password.constData());
        }
        curl_easy_setopt(curl, CURLOPT_SSH_HOSTKEYFUNCTION, &SessionCallbacks::hostKey);
        curl_easy_setopt(curl, CURLOPT_SSH_HOSTKEYDATA, this);
        return;
    }

    curl_easy_setopt(curl, CURLOPT_FTP_FILEMETHOD, long(CURLFTPMETHOD_SINGLECWD));
    if (m_site.protocol == Protocol::FtpTls) {
        curl_easy_setopt(curl, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
        const bool pinned = !m_site.trustedCertificate.isEmpty();
        // An accepted certificate stands for itself, whatever name it carries.
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, pinned ? 0L : 2L);
        curl_easy_setopt(curl, CURLOPT_SSL_CTX_FUNCTION, &SessionCallbacks::sslContext);
        curl_easy_setopt(curl, CURLOPT_SSL_CTX_DATA, this);
#ifndef WEBRIX_FTP_OPENSSL
        if (pinned)
            curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
#endif
    }
}

OpResult CurlSession::perform(Transfer* transfer) {
    if (m_cancelled)
        return OpResult::failure(OpResult::Kind::Cancelled,
                                 QStringLiteral("A műveletet megszakították."));
    m_transfer = transfer;
    const CURLcode code = curl_easy_perform(asCurl(m_curl));
    m_transfer = nullptr;
    return resultFor(code, transfer);
}

OpResult CurlSession::resultFor(int rawCode, const Transfer* transfer) const {
    using Kind = OpResult::Kind;
    const auto code = CURLcode(rawCode);
    if (code == CURLE_OK)
        return OpResult::success();

    const QString detail = m_errorBuffer[0] ? QString::fromLocal8Bit(m_errorBuffer)
                                            : QString::fromLatin1(curl_easy_strerror(code));
    const bool sftp = m_site.protocol == Protocol::Sftp;
    const bool peerNotAccepted =
        m_peerRejected || (code == CURLE_PEER_FAILED_VERIFICATION && !m_peerFingerprint.isEmpty());
    if (peerNotAccepted) {
        OpResult result;
        result.fingerprint = m_peerFingerprint;
        result.peerDetails = m_peerDetails;
        if (sftp) {
            result.kind = Kind::UnknownHostKey;
            result.message = m_site.trustedHostKey.isEmpty()
                                 ? QStringLiteral("A szerver gépkulcsa ismeretlen.")
                                 : QStringLiteral("A szerver gépkulcsa megváltozott! Lehet, hogy "
                                                  "nem a valódi szerverhez kapcsolódik.");
        } else {
            result.kind = Kind::UntrustedCertificate;
            result.message =
                m_site.trustedCertificate.isEmpty()
                    ? QStringLiteral("A szerver tanúsítványa nem ellenőrizhető.")
                    : QStringLiteral("A szerver tanúsítványa megváltozott! Lehet, hogy "
                                     "nem a valódi szerverhez kapcsolódik.");
        }
        return result;
    }
    if (code == CURLE_ABORTED_BY_CALLBACK || m_cancelled)
        return OpResult::failure(Kind::Cancelled, QStringLiteral("A műveletet megszakították."));
    if (code == CURLE_LOGIN_DENIED)
        return OpResult::failure(Kind::LoginFailed,
                                 QStringLiteral("A szerver elutasította a bejelentkezést: hibás "
                                                "felhasználónév vagy jelszó."));
    if (transfer && transfer->bufferFull)
        return OpResult::failure(Kind::Failed,
                                 QStringLiteral("A szerver túl hosszú könyvtárlistát küldött."));
    if (transfer && transfer->localFailure)
        return OpResult::failure(Kind::LocalFileError,
                                 transfer->upload ? QStringLiteral("A helyi fájl nem olvasható.")
                                                  : QStringLiteral("A helyi fájl nem írható (%1).")
                                                        .arg(transfer->file->errorString()));
    if (code == CURLE_REMOTE_DISK_FULL || m_lastReply.startsWith(QLatin1String("452")) ||
        m_lastReply.startsWith(QLatin1String("552")) ||
        m_lastReply.contains(QLatin1String("No space left"), Qt::CaseInsensitive))
        return OpResult::failure(Kind::RemoteFull,
                                 QStringLiteral("A szerveren elfogyott a hely (%1).").arg(detail));
    if (code == CURLE_USE_SSL_FAILED)
        return OpResult::failure(Kind::ConnectionFailed,
                                 QStringLiteral("A szerver nem támogatja a titkosított (TLS) "
                                                "kapcsolatot."));
    if (code == CURLE_COULDNT_RESOLVE_HOST ||
        (code == CURLE_COULDNT_CONNECT && !(transfer && transfer->file)))
        return OpResult::failure(Kind::ConnectionFailed,
                                 QStringLiteral("Nem sikerült kapcsolódni a szerverhez (%1:%2): %3")
                                     .arg(m_site.host)
                                     .arg(m_site.port)
                                     .arg(detail));
    if (code == CURLE_REMOTE_FILE_NOT_FOUND ||
        (code == CURLE_FTP_COULDNT_RETR_FILE && m_lastReply.startsWith(QLatin1String("550"))))
        return OpResult::failure(Kind::NotFound,
                                 QStringLiteral("A fájl vagy mappa nem található a szerveren."));
    if (isTransportFailure(code))
        return OpResult::failure(transfer && transfer->file ? Kind::ConnectionLost
                                                            : Kind::ConnectionFailed,
                                 QStringLiteral("A kapcsolat megszakadt: %1").arg(detail));
    QString message = QStringLiteral("A művelet nem sikerült: %1").arg(detail);
    if (!m_lastReply.isEmpty() && !sftp)
        message += QStringLiteral(" (a szerver válasza: %1)").arg(m_lastReply);
    return OpResult::failure(Kind::Failed, message);
}

OpResult CurlSession::runCommands(const QList<QByteArray>& commands) {
    curl_slist* list = nullptr;
    for (const QByteArray& command : commands) {
        if (command.contains('\r') || command.contains('\n')) {
            curl_slist_free_all(list);
            return OpResult::failure(OpResult::Kind::Failed,
                                     QStringLiteral("A név sortörést tartalmaz."));
        }
        list = curl_slist_append(list, command.constData());
    }
    prepare(urlFor(QStringLiteral("/"), true));
    curl_easy_setopt(asCurl(m_curl), CURLOPT_NOBODY, 1L);
    curl_easy_setopt(asCurl(m_curl), CURLOPT_QUOTE, list);
    const OpResult result = perform(nullptr);
    curl_easy_setopt(asCurl(m_curl), CURLOPT_QUOTE, nullptr);
    curl_slist_free_all(list);
    return result;
}

OpResult CurlSession::open(QString* entryPath) {
    prepare(m_site.protocol == Protocol::Sftp
                ? urlFor(QStringLiteral("/~/"), false)
                : urlFor(QStringLiteral("/"), true).replace("%2F/", ""));
    curl_easy_setopt(asCurl(m_curl), CURLOPT_NOBODY, 1L);
    const OpResult result = perform(nullptr);
    if (result.ok() && entryPath) {
        char* path = nullptr;
        curl_easy_getinfo(asCurl(m_curl), CURLINFO_FTP_ENTRY_PATH, &path);
        *entryPath = path ? decodeName(QByteArray(path), m_site.encoding) : QStringLiteral("/");
        if (!entryPath->startsWith(QLatin1Char('/')))
            entryPath->prepend(QLatin1Char('/'));
    }
    return result;
}

OpResult CurlSession::list(const QString& remoteDir, RemoteEntries* entries,
                           QStringList* unsafeNames) {
    Transfer transfer;
    prepare(urlFor(remoteDir, true));
    curl_easy_setopt(asCurl(m_curl), CURLOPT_WRITEFUNCTION, &SessionCallbacks::writeToBuffer);
    curl_easy_setopt(asCurl(m_curl), CURLOPT_WRITEDATA, &transfer);
    const OpResult result = perform(&transfer);
    if (!result.ok())
        return result;
    QStringList rejected;
    const RemoteEntries parsed = parseListing(transfer.buffer, m_site.encoding, &rejected);
    for (const QString& name : rejected)
        log(QStringLiteral("Nem biztonságos név a listában, kihagyva: „%1” (%2)")
                .arg(printableName(name), remoteDir));
    if (entries)
        *entries = parsed;
    if (unsafeNames)
        *unsafeNames = rejected;
    return result;
}

OpResult CurlSession::upload(const QString& localFile, const QString& remoteFile, bool resume) {
    const QString temporary = temporaryUploadName(remoteFile);
    const OpResult sent = sendFile(localFile, temporary, resume);
    if (sent.ok()) {
        const OpResult renamed = renameReplacing(temporary, remoteFile);
        if (renamed.kind != OpResult::Kind::Failed)
            return renamed;
        removeFile(temporary);
    } else if (sent.kind != OpResult::Kind::Failed) {
        return sent;
    }
    // This server refuses hidden names or renaming: the only way left is straight to the target.
    log(QStringLiteral("A szerver nem engedi az ideiglenes nevet vagy az átnevezést; közvetlen "
                       "feltöltés: %1")
            .arg(remoteFile));
    return sendFile(localFile, remoteFile, false);
}

OpResult CurlSession::sendFile(const QString& localFile, const QString& remotePath, bool resume) {
    QFile file(localFile);
    if (!file.open(QIODevice::ReadOnly))
        return OpResult::failure(OpResult::Kind::LocalFileError,
                                 QStringLiteral("A helyi fájl nem olvasható: %1 (%2)")
                                     .arg(QDir::toNativeSeparators(localFile), file.errorString()));
    Transfer transfer;
    transfer.file = &file;
    transfer.upload = true;
    transfer.total = file.size();

    prepare(urlFor(remotePath, false));
    CURL* curl = asCurl(m_curl);
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, &SessionCallbacks::readFromFile);
    curl_easy_setopt(curl, CURLOPT_READDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_SEEKFUNCTION, &SessionCallbacks::seekFile);
    curl_easy_setopt(curl, CURLOPT_SEEKDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, curl_off_t(transfer.total));
    // Bigger reads than the default 64 kB help large pages and archives over fast links.
    curl_easy_setopt(curl, CURLOPT_UPLOAD_BUFFERSIZE, 512L * 1024L);
    if (resume && transfer.total > 0)
        curl_easy_setopt(curl, CURLOPT_RESUME_FROM_LARGE, curl_off_t(-1));
    const OpResult sent = perform(&transfer);
    if (sent.ok() && m_progress)
        m_progress(transfer.total, transfer.total);
    return sent;
}

OpResult CurlSession::renameReplacing(const QString& from, const QString& to) {
    const OpResult renamed = rename(from, to);
    if (renamed.ok() || renamed.kind != OpResult::Kind::Failed)
        return renamed;
    // Some servers will not rename onto an existing file.
    removeFile(to);
    return rename(from, to);
}

OpResult CurlSession::download(const QString& remoteFile, const QString& localFile, bool resume,
                               qint64 expectedSize) {
    const QString partName = partialDownloadName(localFile);
    QFile part(partName);
    const bool continuing = resume && part.exists() && part.size() > 0;
    if (!part.open(continuing ? QIODevice::Append : QIODevice::WriteOnly | QIODevice::Truncate))
        return OpResult::failure(OpResult::Kind::LocalFileError,
                                 QStringLiteral("A helyi fájl nem írható: %1 (%2)")
                                     .arg(QDir::toNativeSeparators(partName), part.errorString()));
    Transfer transfer;
    transfer.file = &part;
    transfer.offset = continuing ? part.size() : 0;

    prepare(urlFor(remoteFile, false));
    CURL* curl = asCurl(m_curl);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &SessionCallbacks::writeToFile);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    if (transfer.offset > 0)
        curl_easy_setopt(curl, CURLOPT_RESUME_FROM_LARGE, curl_off_t(transfer.offset));
    OpResult result = perform(&transfer);
    const bool flushed = part.flush();
    const qint64 received = part.size();
    part.close();
    if (result.ok() && flushed)
        result = checkLength(received, transfer.offset, expectedSize);
    if (!result.ok()) {
        if (result.kind != OpResult::Kind::ConnectionLost &&
            result.kind != OpResult::Kind::Cancelled)
            part.remove();
        return result;
    }
    if (!flushed)
        return OpResult::failure(
            OpResult::Kind::LocalFileError,
            QStringLiteral("A helyi fájl nem írható: %1").arg(QDir::toNativeSeparators(partName)));
    // The old file stays until the new one is complete.
    if (QFile::exists(localFile) && !QFile::remove(localFile))
        return OpResult::failure(OpResult::Kind::LocalFileError,
                                 QStringLiteral("A helyi fájl nem cserélhető le: %1")
                                     .arg(QDir::toNativeSeparators(localFile)));
    if (!QFile::rename(partName, localFile))
        return OpResult::failure(OpResult::Kind::LocalFileError,
                                 QStringLiteral("A letöltött fájl nem nevezhető át: %1")
                                     .arg(QDir::toNativeSeparators(localFile)));
    return result;
}

OpResult CurlSession::checkLength(qint64 received, qint64 offset, qint64 expectedSize) const {
    // What the server said before sending (SIZE or the reply to RETR) outranks the listing.
    curl_off_t announcedRest = -1;
    curl_easy_getinfo(asCurl(m_curl), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announcedRest);
    const qint64 announced = announcedRest >= 0 ? offset + qint64(announcedRest) : expectedSize;
    if (announced < 0 || received == announced)
        return OpResult::success();
    const QString detail = QStringLiteral("a szerver %1 bájtot jelzett, de %2 bájt érkezett")
                               .arg(announced)
                               .arg(received);
    log(QStringLiteral("Hibás hosszúságú letöltés: %1").arg(detail));
    if (received < announced)
        return OpResult::failure(OpResult::Kind::ConnectionLost,
                                 QStringLiteral("A kapcsolat megszakadt: %1.").arg(detail));
    return OpResult::failure(OpResult::Kind::Failed,
                             QStringLiteral("A letöltött fájl hossza hibás: %1.").arg(detail));
}

OpResult CurlSession::makeDirectory(const QString& remoteDir) {
    const bool sftp = m_site.protocol == Protocol::Sftp;
    return runCommands({(sftp ? "mkdir " : "MKD ") + quotedPath(remoteDir)});
}

OpResult CurlSession::rename(const QString& from, const QString& to) {
    if (m_site.protocol == Protocol::Sftp)
        return runCommands({"rename " + quotedPath(from) + ' ' + quotedPath(to)});
    return runCommands({"RNFR " + quotedPath(from), "RNTO " + quotedPath(to)});
}

OpResult CurlSession::removeFile(const QString& remoteFile) {
    const bool sftp = m_site.protocol == Protocol::Sftp;
    return runCommands({(sftp ? "rm " : "DELE ") + quotedPath(remoteFile)});
}

OpResult CurlSession::removeDirectory(const QString& remoteDir) {
    const bool sftp = m_site.protocol == Protocol::Sftp;
    return runCommands({(sftp ? "rmdir " : "RMD ") + quotedPath(remoteDir)});
}

} // namespace ftp
