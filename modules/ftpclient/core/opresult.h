#pragma once

#include <QMetaType>
#include <QString>
#include <QStringList>

namespace ftp {

// The outcome of one remote operation, worded for the user.
struct OpResult {
    enum class Kind {
        Ok,
        Cancelled,
        LoginFailed,
        ConnectionFailed,
        ConnectionLost, // dropped mid-transfer: can be resumed
        UntrustedCertificate,
        UnknownHostKey,
        RemoteFull,
        NotFound,
        LocalFileError,
        Failed,
    };

    Kind kind = Kind::Ok;
    QString message;
    // For an untrusted certificate or an unknown host key: what the user is asked to accept.
    QString fingerprint;
    QString peerDetails;
    // Items left out of an otherwise finished operation, and the message that names them.
    QStringList skipped;
    QString warning;

    bool ok() const { return kind == Kind::Ok; }
    static OpResult success() { return {}; }
    static OpResult failure(Kind kind, QString message) {
        OpResult result;
        result.kind = kind;
        result.message = std::move(message);
        return result;
    }
};

} // namespace ftp

Q_DECLARE_METATYPE(ftp::OpResult)
