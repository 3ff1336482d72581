#pragma once

#include "core/site.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// Real servers on loopback for the FTP client's tests, started from the distribution's
// packages and stopped again when these objects go away.

// Runs a helper program to the end; false (with its output in *error) when it fails.
bool runTool(const QString& program, const QStringList& arguments, QString* error,
             QByteArray* output = nullptr);
int freeLoopbackPort();

class FtpTestServer {
public:
    struct Options {
        bool tls = false;
        QString encoding = QStringLiteral("utf8");
        QString fullFolder;
        bool noRename = false;
        // Listing lines added to folders (relative to the root, "" for the root), as a JSON
        // array of {"dir": ..., "line": ...} objects.
        QByteArray extraListing;
        bool noSize = false;
        bool shortReads = false;
    };

    FtpTestServer();
    ~FtpTestServer();

    // False with a reason when the server cannot run here (missing package, no port).
    bool start(const Options& options, QString* error);
    // Kills the server at once, as a dropped connection would look to the client.
    void kill();
    bool restart(QString* error);

    QString rootDir() const { return m_work.path() + QStringLiteral("/root"); }
    int port() const { return m_port; }
    QString certificateFingerprint() const { return m_fingerprint; }
    ftp::Site site() const;
    static QString password() { return QStringLiteral("titok"); }

private:
    bool launch(QString* error);

    QTemporaryDir m_work;
    Options m_options;
    int m_port = 0;
    QString m_fingerprint;
    std::unique_ptr<QProcess> m_process;
};

class SftpTestServer {
public:
    SftpTestServer();
    ~SftpTestServer();

    bool start(QString* error);

    // An absolute folder on this machine that the SFTP user may fill.
    QString rootDir() const { return m_work.path() + QStringLiteral("/root"); }
    int port() const { return m_port; }
    QString hostKeyFingerprint() const { return m_fingerprint; }
    QString userKey() const { return m_work.path() + QStringLiteral("/user_key"); }
    QString strangerKey() const { return m_work.path() + QStringLiteral("/stranger_key"); }
    ftp::Site site() const;

private:
    QTemporaryDir m_work;
    int m_port = 0;
    QString m_fingerprint;
    std::unique_ptr<QProcess> m_process;
};
