#include "loopbackservers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace {

QString pythonWithFtpServer(QString* error) {
    for (const QString& candidate :
         {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        if (candidate.startsWith(QLatin1Char('/')) && !QFileInfo::exists(candidate))
            continue;
        QString ignored;
        if (runTool(candidate, {QStringLiteral("-c"), QStringLiteral("import pyftpdlib, OpenSSL")},
                    &ignored))
            return candidate;
    }
    *error = QStringLiteral("python3 with pyftpdlib and OpenSSL is not installed "
                            "(packages python3-pyftpdlib, python3-openssl)");
    return {};
}

bool waitForPort(int port, QProcess* process, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        if (process->state() == QProcess::NotRunning)
            return false;
        QTcpSocket probe;
        probe.connectToHost(QStringLiteral("127.0.0.1"), quint16(port));
        if (probe.waitForConnected(200)) {
            probe.disconnectFromHost();
            return true;
        }
        QThread::msleep(50);
    }
    return false;
}

QString currentUserName() {
#ifdef Q_OS_UNIX
    if (const passwd* entry = getpwuid(geteuid()))
        return QString::fromLocal8Bit(entry->pw_name);
#endif
    return qEnvironmentVariable("USER");
}

void stopProcess(std::unique_ptr<QProcess>& process) {
    if (!process)
        return;
    if (process->state() != QProcess::NotRunning) {
        process->terminate();
        if (!process->waitForFinished(3000)) {
            process->kill();
            process->waitForFinished(3000);
        }
    }
    process.reset();
}

} // namespace

bool runTool(const QString& program, const QStringList& arguments, QString* error,
             QByteArray* output) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(10000)) {
        *error = program + QStringLiteral(": ") + process.errorString();
        return false;
    }
    process.closeWriteChannel();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        *error = program + QStringLiteral(" did not finish");
        return false;
    }
    const QByteArray all = process.readAll();
    if (output)
        *output = all;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *error = program + QStringLiteral(" failed: ") + QString::fromLocal8Bit(all);
        return false;
    }
    return true;
}

int freeLoopbackPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        return 0;
    return probe.serverPort();
}

FtpTestServer::FtpTestServer() = default;

FtpTestServer::~FtpTestServer() {
    stopProcess(m_process);
}

ftp::Site FtpTestServer::site() const {
    ftp::Site site;
    site.id = QStringLiteral("ftp-test-%1").arg(m_port);
    site.name = QStringLiteral("Teszt");
    site.host = QStringLiteral("127.0.0.1");
    site.port = m_port;
    site.protocol = m_options.tls ? ftp::Protocol::FtpTls : ftp::Protocol::Ftp;
    site.user = QStringLiteral("webrix");
    site.remoteFolder = QStringLiteral("/");
    site.encoding = m_options.encoding == QLatin1String("cp1250") ? ftp::NameEncoding::Windows1250
                                                                  : ftp::NameEncoding::Utf8;
    return site;
}

bool FtpTestServer::start(const Options& options, QString* error) {
    m_options = options;
    if (!m_work.isValid() || !QDir().mkpath(rootDir())) {
        *error = QStringLiteral("cannot create a temporary folder");
        return false;
    }
    if (options.tls) {
        const QString cert = m_work.filePath(QStringLiteral("cert.pem"));
        const QString key = m_work.filePath(QStringLiteral("key.pem"));
        if (!runTool(QStringLiteral("openssl"),
                     {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                      QStringLiteral("rsa:2048"), QStringLiteral("-nodes"),
                      QStringLiteral("-keyout"), key, QStringLiteral("-out"), cert,
                      QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                      QStringLiteral("/CN=webrix-test")},
                     error))
            return false;
        QByteArray output;
        if (!runTool(QStringLiteral("openssl"),
                     {QStringLiteral("x509"), QStringLiteral("-in"), cert, QStringLiteral("-noout"),
                      QStringLiteral("-fingerprint"), QStringLiteral("-sha256")},
                     error, &output))
            return false;
        m_fingerprint = QString::fromLatin1(output.mid(output.indexOf('=') + 1).trimmed());
    }
    m_port = freeLoopbackPort();
    if (m_port == 0) {
        *error = QStringLiteral("no free loopback port");
        return false;
    }
    return launch(error);
}

bool FtpTestServer::launch(QString* error) {
    const QString python = pythonWithFtpServer(error);
    if (python.isEmpty())
        return false;
    QStringList arguments{QStringLiteral(WEBRIX_FTP_TEST_SERVER),
                          QStringLiteral("--root"),
                          rootDir(),
                          QStringLiteral("--port"),
                          QString::number(m_port),
                          QStringLiteral("--password"),
                          password(),
                          QStringLiteral("--encoding"),
                          m_options.encoding};
    if (m_options.tls)
        arguments << QStringLiteral("--cert") << m_work.filePath(QStringLiteral("cert.pem"))
                  << QStringLiteral("--key") << m_work.filePath(QStringLiteral("key.pem"));
    if (m_options.noRename)
        arguments << QStringLiteral("--no-rename");
    if (!m_options.fullFolder.isEmpty())
        arguments << QStringLiteral("--full-folder") << m_options.fullFolder;
    if (!m_options.extraListing.isEmpty()) {
        const QString listing = m_work.filePath(QStringLiteral("extra-listing.json"));
        QFile file(listing);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(m_options.extraListing) != m_options.extraListing.size()) {
            *error = QStringLiteral("cannot write the extra listing");
            return false;
        }
        arguments << QStringLiteral("--extra-listing") << listing;
    }
    if (m_options.noSize)
        arguments << QStringLiteral("--no-size");
    if (m_options.shortReads)
        arguments << QStringLiteral("--short-reads");
    m_process = std::make_unique<QProcess>();
    m_process->setStandardOutputFile(m_work.filePath(QStringLiteral("server.out")),
                                     QIODevice::Append);
    m_process->setStandardErrorFile(m_work.filePath(QStringLiteral("server.log")),
                                    QIODevice::Append);
    m_process->start(python, arguments);
    if (!m_process->waitForStarted(10000) || !waitForPort(m_port, m_process.get(), 15000)) {
        QFile log(m_work.filePath(QStringLiteral("server.log")));
        log.open(QIODevice::ReadOnly);
        *error = QStringLiteral("the FTP test server did not start: ") +
                 QString::fromLocal8Bit(log.readAll().right(2000));
        stopProcess(m_process);
        return false;
    }
    return true;
}

void FtpTestServer::kill() {
    if (m_process) {
        m_process->kill();
        m_process->waitForFinished(5000);
    }
}

bool FtpTestServer::restart(QString* error) {
    stopProcess(m_process);
    return launch(error);
}

SftpTestServer::SftpTestServer() = default;

SftpTestServer::~SftpTestServer() {
    stopProcess(m_process);
}

ftp::Site SftpTestServer::site() const {
    ftp::Site site;
    site.id = QStringLiteral("sftp-test-%1").arg(m_port);
    site.name = QStringLiteral("SFTP teszt");
    site.host = QStringLiteral("127.0.0.1");
    site.port = m_port;
    site.protocol = ftp::Protocol::Sftp;
    site.user = currentUserName();
    site.remoteFolder = rootDir();
    site.privateKeyFile = userKey();
    return site;
}

bool SftpTestServer::start(QString* error) {
    const QString sshd = QStringLiteral("/usr/sbin/sshd");
    if (!QFileInfo(sshd).isExecutable()) {
        *error = QStringLiteral("/usr/sbin/sshd is missing (package openssh-server)");
        return false;
    }
    if (!m_work.isValid() || !QDir().mkpath(rootDir())) {
        *error = QStringLiteral("cannot create a temporary folder");
        return false;
    }
    const QString hostKey = m_work.filePath(QStringLiteral("host_key"));
    for (const QString& key : {hostKey, userKey(), strangerKey()}) {
        if (!runTool(QStringLiteral("ssh-keygen"),
                     {QStringLiteral("-q"), QStringLiteral("-t"), QStringLiteral("ed25519"),
                      QStringLiteral("-N"), QString(), QStringLiteral("-f"), key},
                     error))
            return false;
    }
    QByteArray output;
    if (!runTool(QStringLiteral("ssh-keygen"),
                 {QStringLiteral("-l"), QStringLiteral("-E"), QStringLiteral("sha256"),
                  QStringLiteral("-f"), hostKey + QStringLiteral(".pub")},
                 error, &output))
        return false;
    m_fingerprint = QString::fromLatin1(output.split(' ').value(1));

    QFile::copy(userKey() + QStringLiteral(".pub"),
                m_work.filePath(QStringLiteral("authorized_keys")));
    // sshd insists on its privilege separation folder even when it never uses it.
    QDir().mkpath(QStringLiteral("/run/sshd"));
    m_port = freeLoopbackPort();
    if (m_port == 0) {
        *error = QStringLiteral("no free loopback port");
        return false;
    }
    const QString config = m_work.filePath(QStringLiteral("sshd_config"));
    QFile configFile(config);
    if (!configFile.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot write the sshd configuration");
        return false;
    }
    configFile.write(QStringLiteral("ListenAddress 127.0.0.1\n"
                                    "HostKey %1\n"
                                    "PidFile %2\n"
                                    "AuthorizedKeysFile %3\n"
                                    "StrictModes no\n"
                                    "UsePAM no\n"
                                    "PermitRootLogin yes\n"
                                    "PasswordAuthentication no\n"
                                    "KbdInteractiveAuthentication no\n"
                                    "PubkeyAuthentication yes\n"
                                    "Subsystem sftp internal-sftp\n"
                                    "LogLevel ERROR\n")
                         .arg(hostKey, m_work.filePath(QStringLiteral("sshd.pid")),
                              m_work.filePath(QStringLiteral("authorized_keys")))
                         .toLocal8Bit());
    configFile.close();

    m_process = std::make_unique<QProcess>();
    m_process->setStandardOutputFile(QProcess::nullDevice());
    m_process->setStandardErrorFile(m_work.filePath(QStringLiteral("sshd.log")));
    m_process->start(sshd, {QStringLiteral("-D"), QStringLiteral("-e"), QStringLiteral("-f"),
                            config, QStringLiteral("-p"), QString::number(m_port)});
    if (!m_process->waitForStarted(10000) || !waitForPort(m_port, m_process.get(), 15000)) {
        QFile log(m_work.filePath(QStringLiteral("sshd.log")));
        log.open(QIODevice::ReadOnly);
        *error = QStringLiteral("sshd did not start: ") + QString::fromLocal8Bit(log.readAll());
        stopProcess(m_process);
        return false;
    }
    return true;
}
