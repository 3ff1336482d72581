#pragma once

#include <QString>

namespace ftp {

enum class Protocol { Ftp, FtpTls, Sftp };

// How file names travel on the wire; old Hungarian hosts still speak Windows-1250.
enum class NameEncoding { Utf8, Windows1250 };

// One publishing target as the user set it up. Never holds a password.
struct Site {
    QString id; // stable key for the settings group and the keyring entry
    QString name;
    QString host;
    int port = 21;
    // Plain FTP sends the password in clear, so a new site starts encrypted.
    Protocol protocol = Protocol::FtpTls;
    QString user;
    QString remoteFolder;
    QString localFolder;
    NameEncoding encoding = NameEncoding::Utf8;
    QString privateKeyFile; // SFTP only; empty means password login
    // What the user explicitly accepted for this site.
    QString trustedCertificate; // SHA-256 fingerprint of the server certificate, hex
    QString trustedHostKey;     // SHA-256 of the SSH host key, base64 as ssh-keygen prints it

    static int defaultPort(Protocol protocol) { return protocol == Protocol::Sftp ? 22 : 21; }
};

QString protocolName(Protocol protocol);
Protocol protocolFromName(const QString& name, bool* ok = nullptr);

} // namespace ftp
