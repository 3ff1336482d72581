#include "passwordstore.h"

#include <QEventLoop>
#include <QInputDialog>
#include <QLineEdit>
#include <QTimer>

#include <qt6keychain/keychain.h>

namespace ftp::PasswordStore {

namespace {

const QString kService = QStringLiteral("Webrix FTPClient");

Override& overrideAnswer() {
    static Override answer;
    return answer;
}

} // namespace

// Keyring jobs are asynchronous; a missing keyring must not stall the window for long.
std::optional<QString> readFromKeyring(const QString& siteId) {
    auto* job = new QKeychain::ReadPasswordJob(kService);
    job->setKey(siteId);
    job->setInsecureFallback(false);
    QEventLoop loop;
    std::optional<QString> password;
    bool done = false;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&](QKeychain::Job* finished) {
        if (finished->error() == QKeychain::NoError)
            password = static_cast<QKeychain::ReadPasswordJob*>(finished)->textData();
        done = true;
        loop.quit();
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    job->start();
    if (!done)
        loop.exec();
    return password;
}

void writeToKeyring(const QString& siteId, const QString& password) {
    auto* job = new QKeychain::WritePasswordJob(kService);
    job->setKey(siteId);
    job->setInsecureFallback(false);
    job->setTextData(password);
    job->start();
}

void removeFromKeyring(const QString& siteId) {
    auto* job = new QKeychain::DeletePasswordJob(kService);
    job->setKey(siteId);
    job->setInsecureFallback(false);
    job->start();
}

std::optional<Answer> passwordFor(const Site& site, QWidget* parent) {
    if (overrideAnswer()) {
        const std::optional<QString> answer = overrideAnswer()(site);
        if (!answer)
            return std::nullopt;
        return Answer{*answer, false};
    }
    if (const std::optional<QString> stored = readFromKeyring(site.id))
        return Answer{*stored, true};
    bool accepted = false;
    const QString label = site.privateKeyFile.isEmpty()
                              ? QStringLiteral("%1@%2 jelszava:").arg(site.user, site.host)
                              : QStringLiteral("A kulcsfájl jelmondata (ha van):");
    const QString password =
        QInputDialog::getText(parent, QStringLiteral("Tarvelon's Webrix"), label,
                              QLineEdit::Password, QString(), &accepted);
    if (!accepted)
        return std::nullopt;
    return Answer{password, false};
}

void setOverride(Override answer) {
    overrideAnswer() = std::move(answer);
}

} // namespace ftp::PasswordStore
