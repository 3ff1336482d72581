#include "sitedialog.h"

#include "messages.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

namespace ftp {

namespace {

QWidget* withBrowseButton(QLineEdit* edit, const QString& buttonName, bool folder,
                          QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit);
    auto* browse = new QPushButton(QStringLiteral("Tallózás..."), row);
    browse->setObjectName(buttonName);
    browse->setAccessibleName(browse->text());
    layout->addWidget(browse);
    QObject::connect(browse, &QPushButton::clicked, row, [edit, folder, parent] {
        const QString picked =
            folder
                ? QFileDialog::getExistingDirectory(parent, QStringLiteral("Helyi mappa"),
                                                    edit->text())
                : QFileDialog::getOpenFileName(parent, QStringLiteral("Kulcsfájl"), edit->text());
        if (!picked.isEmpty())
            edit->setText(QDir::toNativeSeparators(picked));
    });
    return row;
}

} // namespace

SiteDialog::SiteDialog(const Site& site, QWidget* parent) : QDialog(parent), m_site(site) {
    setObjectName(QStringLiteral("frmSite"));
    setWindowTitle(QStringLiteral("Hely adatai"));
    auto* form = new QFormLayout(this);

    m_name = addLine(QStringLiteral("txtSiteName"), QStringLiteral("Név"), site.name);
    m_host = addLine(QStringLiteral("txtHost"), QStringLiteral("Szerver"), site.host);
    m_port = new QSpinBox(this);
    m_port->setObjectName(QStringLiteral("txtPort"));
    m_port->setAccessibleName(QStringLiteral("Port"));
    m_port->setRange(1, 65535);
    m_port->setValue(site.port);
    m_protocol = new QComboBox(this);
    m_protocol->setObjectName(QStringLiteral("cboProtocol"));
    m_protocol->setAccessibleName(QStringLiteral("Protokoll"));
    m_protocol->addItem(QStringLiteral("FTP"), int(Protocol::Ftp));
    m_protocol->addItem(QStringLiteral("FTP TLS-sel (explicit)"), int(Protocol::FtpTls));
    m_protocol->addItem(QStringLiteral("SFTP"), int(Protocol::Sftp));
    m_protocol->setCurrentIndex(m_protocol->findData(int(site.protocol)));
    m_plainWarning = new QLabel(
        QStringLiteral("Figyelem: sima FTP-n a jelszó és a fájlok titkosítatlanul utaznak."), this);
    m_plainWarning->setObjectName(QStringLiteral("lblPlainFtpWarning"));
    m_plainWarning->setAccessibleName(m_plainWarning->text());
    m_plainWarning->setStyleSheet(QStringLiteral("color: #a00000;"));
    m_user = addLine(QStringLiteral("txtUser"), QStringLiteral("Felhasználó"), site.user);
    m_remoteFolder = addLine(QStringLiteral("txtRemoteFolder"), QStringLiteral("Távoli mappa"),
                             site.remoteFolder);
    m_localFolder = addLine(QStringLiteral("txtLocalFolder"), QStringLiteral("Helyi mappa"),
                            QDir::toNativeSeparators(site.localFolder));
    m_encoding = new QComboBox(this);
    m_encoding->setObjectName(QStringLiteral("cboEncoding"));
    m_encoding->setAccessibleName(QStringLiteral("Fájlnevek kódolása"));
    m_encoding->addItem(QStringLiteral("UTF-8"), int(NameEncoding::Utf8));
    m_encoding->addItem(QStringLiteral("Windows-1250 (közép-európai)"),
                        int(NameEncoding::Windows1250));
    m_encoding->setCurrentIndex(m_encoding->findData(int(site.encoding)));
    m_keyFile = addLine(QStringLiteral("txtKeyFile"), QStringLiteral("SSH kulcsfájl"),
                        QDir::toNativeSeparators(site.privateKeyFile));

    form->addRow(QStringLiteral("&Név:"), m_name);
    form->addRow(QStringLiteral("&Szerver:"), m_host);
    form->addRow(QStringLiteral("&Port:"), m_port);
    form->addRow(QStringLiteral("P&rotokoll:"), m_protocol);
    form->addRow(QString(), m_plainWarning);
    form->addRow(QStringLiteral("&Felhasználó:"), m_user);
    form->addRow(QStringLiteral("&Távoli mappa:"), m_remoteFolder);
    form->addRow(QStringLiteral("&Helyi mappa:"),
                 withBrowseButton(m_localFolder, QStringLiteral("cmdBrowseLocal"), true, this));
    form->addRow(QStringLiteral("Fájlnevek &kódolása:"), m_encoding);
    form->addRow(QStringLiteral("SSH &kulcsfájl:"),
                 withBrowseButton(m_keyFile, QStringLiteral("cmdBrowseKey"), false, this));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOK"));
    buttons->button(QDialogButtonBox::Ok)->setAccessibleName(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Mégse"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    buttons->button(QDialogButtonBox::Cancel)->setAccessibleName(QStringLiteral("Mégse"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &SiteDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SiteDialog::reject);
    connect(m_protocol, &QComboBox::currentIndexChanged, this, &SiteDialog::protocolChanged);
    showPlainWarning();
}

void SiteDialog::showPlainWarning() {
    m_plainWarning->setVisible(Protocol(m_protocol->currentData().toInt()) == Protocol::Ftp);
}

QLineEdit* SiteDialog::addLine(const QString& objectName, const QString& accessibleName,
                               const QString& text) {
    auto* edit = new QLineEdit(text, this);
    edit->setObjectName(objectName);
    edit->setAccessibleName(accessibleName);
    return edit;
}

void SiteDialog::protocolChanged() {
    showPlainWarning();
    // Follow the protocol's usual port unless the user picked a different one.
    const int port = m_port->value();
    if (port == 21 || port == 22)
        m_port->setValue(Site::defaultPort(Protocol(m_protocol->currentData().toInt())));
}

Site SiteDialog::site() const {
    Site site = m_site;
    const auto protocol = Protocol(m_protocol->currentData().toInt());
    if (protocol != site.protocol || m_host->text().trimmed() != site.host) {
        // What was accepted for another server or protocol says nothing about this one.
        site.trustedCertificate.clear();
        site.trustedHostKey.clear();
    }
    site.name = m_name->text().trimmed();
    site.host = m_host->text().trimmed();
    site.port = m_port->value();
    site.protocol = protocol;
    site.user = m_user->text();
    site.remoteFolder = m_remoteFolder->text().trimmed();
    site.localFolder = QDir::fromNativeSeparators(m_localFolder->text().trimmed());
    site.encoding = NameEncoding(m_encoding->currentData().toInt());
    site.privateKeyFile = QDir::fromNativeSeparators(m_keyFile->text().trimmed());
    if (site.name.isEmpty())
        site.name = site.host;
    return site;
}

void SiteDialog::accept() {
    if (m_host->text().trimmed().isEmpty()) {
        Messages::error(this, QStringLiteral("Adja meg a szerver nevét vagy címét."));
        return;
    }
    QDialog::accept();
}

} // namespace ftp
