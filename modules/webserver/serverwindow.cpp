#include "serverwindow.h"

#include "folderserver.h"
#include "serversettings.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace webserver {

namespace {
const QString kMessageTitle = QStringLiteral("Tarvelon's Webrix");

void name(QWidget* widget, const QString& objectName, const QString& accessibleName) {
    widget->setObjectName(objectName);
    widget->setAccessibleName(accessibleName);
}
} // namespace

ServerWindow::ServerWindow(QWidget* parent) : QWidget(parent), m_server(new FolderServer(this)) {
    setObjectName(QStringLiteral("serverWindow"));
    setWindowTitle(QStringLiteral("Webrix Web szerver"));
    buildUi();
    loadSettings();
    connect(m_server, &FolderServer::requestServed, this, &ServerWindow::logRequest);
    connect(m_server, &FolderServer::servedFolderMissing, this, [this] {
        if (m_folderMissingReported)
            return;
        m_folderMissingReported = true;
        appendLog(QStringLiteral("Hiba: a kiszolgált mappa már nem érhető el (%1).")
                      .arg(QDir::toNativeSeparators(m_server->folder())));
    });
    updateState();
}

ServerWindow::~ServerWindow() = default;

void ServerWindow::buildUi() {
    auto* folderLabel = new QLabel(QStringLiteral("Mappa:"), this);
    m_folderEdit = new QLineEdit(this);
    name(m_folderEdit, QStringLiteral("folderEdit"), QStringLiteral("Mappa"));
    m_folderEdit->setPlaceholderText(QStringLiteral("Válasszon mappát a Tallózás... gombbal"));
    folderLabel->setBuddy(m_folderEdit);
    m_browseButton = new QPushButton(QStringLiteral("Tallózás..."), this);
    name(m_browseButton, QStringLiteral("browseButton"), QStringLiteral("Tallózás"));
    connect(m_browseButton, &QPushButton::clicked, this, &ServerWindow::chooseFolder);

    auto* portLabel = new QLabel(QStringLiteral("Port:"), this);
    m_portSpin = new QSpinBox(this);
    name(m_portSpin, QStringLiteral("portSpin"), QStringLiteral("Port"));
    m_portSpin->setRange(1, 65535);
    m_portSpin->setValue(kDefaultPort);
    portLabel->setBuddy(m_portSpin);

    m_lanCheck = new QCheckBox(
        QStringLiteral("Kiszolgálás a helyi hálózatnak is (más gépek is elérik!)"), this);
    name(m_lanCheck, QStringLiteral("lanCheck"), m_lanCheck->text());

    m_startButton = new QPushButton(QStringLiteral("Indítás"), this);
    name(m_startButton, QStringLiteral("startButton"), QStringLiteral("Indítás"));
    m_startButton->setDefault(true);
    connect(m_startButton, &QPushButton::clicked, this, &ServerWindow::startServing);
    m_stopButton = new QPushButton(QStringLiteral("Leállítás"), this);
    name(m_stopButton, QStringLiteral("stopButton"), QStringLiteral("Leállítás"));
    connect(m_stopButton, &QPushButton::clicked, this, &ServerWindow::stopServing);

    auto* addressCaption = new QLabel(QStringLiteral("Cím:"), this);
    m_addressLabel = new QLabel(this);
    name(m_addressLabel, QStringLiteral("addressLabel"), QStringLiteral("Cím"));
    m_addressLabel->setTextFormat(Qt::RichText);
    m_addressLabel->setOpenExternalLinks(true); // the desktop's browser
    m_addressLabel->setTextInteractionFlags(Qt::TextBrowserInteraction);

    m_logView = new QPlainTextEdit(this);
    name(m_logView, QStringLiteral("logView"), QStringLiteral("Napló"));
    m_logView->setReadOnly(true);
    m_logView->setMaximumBlockCount(kMaxLogLines);
    m_logView->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* logBox = new QGroupBox(QStringLiteral("Napló"), this);
    logBox->setObjectName(QStringLiteral("logBox"));
    logBox->setAccessibleName(QStringLiteral("Napló"));
    auto* logLayout = new QVBoxLayout(logBox);
    logLayout->addWidget(m_logView);

    auto* grid = new QGridLayout;
    grid->addWidget(folderLabel, 0, 0);
    grid->addWidget(m_folderEdit, 0, 1);
    grid->addWidget(m_browseButton, 0, 2);
    grid->addWidget(portLabel, 1, 0);
    grid->addWidget(m_portSpin, 1, 1, Qt::AlignLeft);
    grid->addWidget(m_lanCheck, 2, 1, 1, 2);
    grid->addWidget(addressCaption, 3, 0);
    grid->addWidget(m_addressLabel, 3, 1, 1, 2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_startButton);
    buttons->addWidget(m_stopButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->addWidget(logBox, 1);
    resize(640, 420);
}

void ServerWindow::loadSettings() {
    const ServerSettings settings = ServerSettings::load();
    m_folderEdit->setText(QDir::toNativeSeparators(settings.folder));
    m_portSpin->setValue(settings.port);
}

void ServerWindow::saveSettings() const {
    ServerSettings settings;
    settings.folder = QDir::fromNativeSeparators(m_folderEdit->text().trimmed());
    settings.port = static_cast<quint16>(m_portSpin->value());
    settings.save();
}

void ServerWindow::setFolder(const QString& folder) {
    m_folderEdit->setText(QDir::toNativeSeparators(folder));
}

void ServerWindow::setPort(quint16 port) {
    m_portSpin->setValue(port);
}

void ServerWindow::chooseFolder() {
    const QString current = QDir::fromNativeSeparators(m_folderEdit->text().trimmed());
    const QString chosen =
        QFileDialog::getExistingDirectory(this, QStringLiteral("A kiszolgálandó mappa"),
                                          QFileInfo(current).isDir() ? current : QDir::homePath());
    if (!chosen.isEmpty())
        setFolder(chosen);
}

bool ServerWindow::startServing() {
    const QString folder = QDir::fromNativeSeparators(m_folderEdit->text().trimmed());
    StartResult result =
        m_server->start(folder, static_cast<quint16>(m_portSpin->value()), m_lanCheck->isChecked());
    if (!result.ok && result.suggestedPort != 0) {
        // A busy port: offer the free one instead of only refusing.
        const QString question =
            result.message +
            QStringLiteral("\n\nIndítja a szervert a(z) %1 porton?").arg(result.suggestedPort);
        if (askYesNo(question)) {
            m_portSpin->setValue(result.suggestedPort);
            result = m_server->start(folder, result.suggestedPort, m_lanCheck->isChecked());
            if (!result.ok)
                showWarning(result.message);
        }
    } else if (!result.ok) {
        showWarning(result.message);
    }
    if (!result.ok) {
        appendLog(QStringLiteral("Nem indult el: ") +
                  result.message.section(QLatin1Char('\n'), 0, 0));
        updateState();
        return false;
    }
    m_folderMissingReported = false;
    saveSettings();
    appendLog(QStringLiteral("Elindult: %1 → %2")
                  .arg(QDir::toNativeSeparators(m_server->folder()), m_server->localUrl()));
    for (const QString& url : m_server->networkUrls())
        appendLog(QStringLiteral("A helyi hálózaton: %1").arg(url));
    updateState();
    return true;
}

void ServerWindow::stopServing() {
    if (!m_server->isRunning())
        return;
    m_server->stop();
    appendLog(QStringLiteral("Leállítva."));
    updateState();
}

void ServerWindow::updateState() {
    const bool running = m_server->isRunning();
    m_startButton->setEnabled(!running);
    m_stopButton->setEnabled(running);
    m_folderEdit->setEnabled(!running);
    m_browseButton->setEnabled(!running);
    m_portSpin->setEnabled(!running);
    m_lanCheck->setEnabled(!running);
    if (running) {
        QString links;
        const QStringList urls = QStringList{m_server->localUrl()} + m_server->networkUrls();
        for (const QString& url : urls) {
            if (!links.isEmpty())
                links += QStringLiteral("&nbsp;&nbsp;");
            links += QStringLiteral("<a href=\"%1\">%1</a>").arg(url.toHtmlEscaped());
        }
        m_addressLabel->setText(links);
    } else {
        m_addressLabel->setText(QStringLiteral("(nem fut)"));
    }
}

void ServerWindow::appendLog(const QString& line) {
    m_logView->appendPlainText(line);
}

void ServerWindow::logRequest(const RequestLogEntry& entry) {
    appendLog(entry.toLogLine());
}

void ServerWindow::closeEvent(QCloseEvent* event) {
    if (m_server->isRunning())
        saveSettings();
    m_server->stop();
    event->accept();
}

void ServerWindow::showWarning(const QString& text) {
    QMessageBox::warning(this, kMessageTitle, text);
}

bool ServerWindow::askYesNo(const QString& text) {
    return QMessageBox::question(this, kMessageTitle, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

} // namespace webserver
