#include "mainwindow.h"

#include "core/passwordstore.h"
#include "core/safename.h"
#include "core/sitestore.h"
#include "core/transferplan.h"
#include "messages.h"
#include "sitedialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace ftp {

namespace {

constexpr int kEntryRole = Qt::UserRole + 1;
constexpr int kProgressSteps = 1000;

QString parentFolder(const QString& folder) {
    const int slash = folder.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : folder.left(slash);
}

} // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmFTPClient"));
    setWindowTitle(QStringLiteral("Webrix FTP kliens"));
    buildUi();
    reloadSites();
    const Site* site = currentSite();
    const bool siteFolder =
        site && !site->localFolder.isEmpty() && QDir(site->localFolder).exists();
    setLocalFolder(siteFolder ? site->localFolder : QDir::homePath());
    updateActions();
}

MainWindow::~MainWindow() = default;

void MainWindow::closeEvent(QCloseEvent* event) {
    // Stopping is safe (the server keeps only a hidden partial file), but may not be meant.
    if (m_busy && isConnected() &&
        !Messages::question(this, QStringLiteral("Egy művelet még folyamatban van. Megszakítja és "
                                                 "kilép?"))) {
        event->ignore();
        return;
    }
    m_connection.reset();
    event->accept();
}

QPushButton* MainWindow::addButton(const QString& objectName, const QString& caption) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(objectName);
    button->setAccessibleName(QString(caption).remove(QLatin1Char('&')));
    return button;
}

void MainWindow::buildUi() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    auto* siteRow = new QHBoxLayout;
    auto* siteLabel = new QLabel(QStringLiteral("&Hely:"), central);
    siteLabel->setObjectName(QStringLiteral("lblSite"));
    m_siteList = new QComboBox(central);
    m_siteList->setObjectName(QStringLiteral("cboSites"));
    m_siteList->setAccessibleName(QStringLiteral("Hely"));
    m_siteList->setMinimumContentsLength(24);
    siteLabel->setBuddy(m_siteList);
    m_newSite = addButton(QStringLiteral("cmdNewSite"), QStringLiteral("Ú&j hely..."));
    m_editSite = addButton(QStringLiteral("cmdEditSite"), QStringLiteral("&Szerkesztés..."));
    m_deleteSite = addButton(QStringLiteral("cmdDeleteSite"), QStringLiteral("Hely tö&rlése"));
    m_connect = addButton(QStringLiteral("cmdConnect"), QStringLiteral("&Kapcsolódás"));
    m_disconnect = addButton(QStringLiteral("cmdDisconnect"), QStringLiteral("&Bontás"));
    siteRow->addWidget(siteLabel);
    siteRow->addWidget(m_siteList, 1);
    for (QPushButton* button : {m_newSite, m_editSite, m_deleteSite, m_connect, m_disconnect})
        siteRow->addWidget(button);
    layout->addLayout(siteRow);

    auto* local = new QWidget(central);
    auto* localLayout = new QVBoxLayout(local);
    localLayout->setContentsMargins(0, 0, 0, 0);
    m_localPath = new QLineEdit(local);
    m_localPath->setObjectName(QStringLiteral("txtLocalPath"));
    m_localPath->setAccessibleName(QStringLiteral("Helyi mappa"));
    m_localModel = new QFileSystemModel(this);
    m_localModel->setFilter(QDir::AllEntries | QDir::NoDot | QDir::Hidden);
    m_localModel->setRootPath(QString());
    m_localView = new QTreeView(local);
    m_localView->setObjectName(QStringLiteral("lstLocal"));
    m_localView->setAccessibleName(QStringLiteral("Helyi fájlok"));
    m_localView->setModel(m_localModel);
    m_localView->hideColumn(2); // the file type column only repeats the extension
    m_localView->setRootIsDecorated(false);
    m_localView->setItemsExpandable(false);
    m_localView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_localView->setSortingEnabled(true);
    m_localView->sortByColumn(0, Qt::AscendingOrder);
    localLayout->addWidget(m_localPath);
    localLayout->addWidget(m_localView);

    auto* remote = new QWidget(central);
    auto* remoteLayout = new QVBoxLayout(remote);
    remoteLayout->setContentsMargins(0, 0, 0, 0);
    m_remotePath = new QLineEdit(remote);
    m_remotePath->setObjectName(QStringLiteral("txtRemotePath"));
    m_remotePath->setAccessibleName(QStringLiteral("Távoli mappa"));
    m_remoteView = new QTreeWidget(remote);
    m_remoteView->setObjectName(QStringLiteral("lstRemote"));
    m_remoteView->setAccessibleName(QStringLiteral("Távoli fájlok"));
    m_remoteView->setHeaderLabels(
        {QStringLiteral("Név"), QStringLiteral("Méret"), QStringLiteral("Módosítva")});
    m_remoteView->setRootIsDecorated(false);
    m_remoteView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    remoteLayout->addWidget(m_remotePath);
    remoteLayout->addWidget(m_remoteView);

    auto* sides = new QSplitter(Qt::Horizontal, central);
    sides->setObjectName(QStringLiteral("splFiles"));
    sides->addWidget(local);
    sides->addWidget(remote);

    auto* actionRow = new QHBoxLayout;
    m_upload = addButton(QStringLiteral("cmdUpload"), QStringLiteral("&Feltöltés >>"));
    m_download = addButton(QStringLiteral("cmdDownload"), QStringLiteral("<< &Letöltés"));
    m_newFolder = addButton(QStringLiteral("cmdNewFolder"), QStringLiteral("Új &mappa..."));
    m_rename = addButton(QStringLiteral("cmdRename"), QStringLiteral("Át&nevezés..."));
    m_delete = addButton(QStringLiteral("cmdDelete"), QStringLiteral("&Törlés..."));
    m_refresh = addButton(QStringLiteral("cmdRefresh"), QStringLiteral("Fr&issítés"));
    m_resume = addButton(QStringLiteral("cmdResume"), QStringLiteral("F&olytatás"));
    m_cancel = addButton(QStringLiteral("cmdCancelTransfer"), QStringLiteral("Még&se"));
    for (QPushButton* button :
         {m_upload, m_download, m_newFolder, m_rename, m_delete, m_refresh, m_resume, m_cancel})
        actionRow->addWidget(button);
    actionRow->addStretch();

    auto* progressRow = new QHBoxLayout;
    m_progress = new QProgressBar(central);
    m_progress->setObjectName(QStringLiteral("prgTransfer"));
    m_progress->setAccessibleName(QStringLiteral("Átvitel állapota"));
    m_progress->setRange(0, kProgressSteps);
    m_progress->setValue(0);
    m_transferLabel = new QLabel(central);
    m_transferLabel->setObjectName(QStringLiteral("lblTransfer"));
    m_transferLabel->setAccessibleName(QStringLiteral("Átvitel sebessége és hátralévő ideje"));
    progressRow->addWidget(m_progress, 1);
    progressRow->addWidget(m_transferLabel, 2);

    m_log = new QPlainTextEdit(central);
    m_log->setObjectName(QStringLiteral("txtLog"));
    m_log->setAccessibleName(QStringLiteral("Napló"));
    m_log->setReadOnly(true);
    m_log->setMaximumBlockCount(5000);

    auto* filesAndLog = new QSplitter(Qt::Vertical, central);
    filesAndLog->setObjectName(QStringLiteral("splLog"));
    auto* filesPane = new QWidget(filesAndLog);
    auto* filesLayout = new QVBoxLayout(filesPane);
    filesLayout->setContentsMargins(0, 0, 0, 0);
    filesLayout->addWidget(sides, 1);
    filesLayout->addLayout(actionRow);
    filesLayout->addLayout(progressRow);
    filesAndLog->addWidget(filesPane);
    filesAndLog->addWidget(m_log);
    filesAndLog->setStretchFactor(0, 3);
    filesAndLog->setStretchFactor(1, 1);
    layout->addWidget(filesAndLog, 1);
    setCentralWidget(central);
    resize(960, 640);

    connect(m_newSite, &QPushButton::clicked, this, &MainWindow::newSite);
    connect(m_editSite, &QPushButton::clicked, this, &MainWindow::editSite);
    connect(m_deleteSite, &QPushButton::clicked, this, &MainWindow::deleteSite);
    connect(m_connect, &QPushButton::clicked, this, &MainWindow::connectToSite);
    connect(m_disconnect, &QPushButton::clicked, this, &MainWindow::disconnectFromSite);
    connect(m_upload, &QPushButton::clicked, this, &MainWindow::uploadSelected);
    connect(m_download, &QPushButton::clicked, this, &MainWindow::downloadSelected);
    connect(m_newFolder, &QPushButton::clicked, this, &MainWindow::newRemoteFolder);
    connect(m_rename, &QPushButton::clicked, this, &MainWindow::renameRemote);
    connect(m_delete, &QPushButton::clicked, this, &MainWindow::deleteRemote);
    connect(m_refresh, &QPushButton::clicked, this, &MainWindow::refreshRemote);
    connect(m_resume, &QPushButton::clicked, this, &MainWindow::resumeTransfer);
    connect(m_cancel, &QPushButton::clicked, this, &MainWindow::cancelTransfer);
    connect(m_siteList, &QComboBox::currentIndexChanged, this, &MainWindow::siteChanged);
    connect(m_localPath, &QLineEdit::returnPressed, this,
            [this] { setLocalFolder(QDir::fromNativeSeparators(m_localPath->text())); });
    connect(m_remotePath, &QLineEdit::returnPressed, this, [this] {
        if (isConnected() && !m_busy)
            listRemote(m_remotePath->text().trimmed());
    });
    connect(m_localView, &QTreeView::doubleClicked, this, &MainWindow::localItemActivated);
    connect(m_remoteView, &QTreeWidget::itemDoubleClicked, this, &MainWindow::remoteItemActivated);
    connect(m_remoteView, &QTreeWidget::itemSelectionChanged, this, &MainWindow::updateActions);
    connect(m_localView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::updateActions);
}

void MainWindow::reloadSites() {
    const QString current = m_siteList->currentData().toString();
    m_sites = SiteStore::load();
    const QSignalBlocker blocker(m_siteList);
    m_siteList->clear();
    for (const Site& site : m_sites)
        m_siteList->addItem(
            QStringLiteral("%1 (%2://%3)").arg(site.name, protocolName(site.protocol), site.host),
            site.id);
    const int index = m_siteList->findData(current);
    m_siteList->setCurrentIndex(index >= 0 ? index : 0);
    // The signals were blocked while filling, so the buttons learn of the new list here.
    updateActions();
}

void MainWindow::siteChanged() {
    if (const Site* site = currentSite();
        site && !site->localFolder.isEmpty() && !m_busy && QDir(site->localFolder).exists())
        setLocalFolder(site->localFolder);
    updateActions();
}

void MainWindow::selectSite(const QString& siteId) {
    const QString before = m_siteList->currentData().toString();
    reloadSites();
    const int index = m_siteList->findData(siteId);
    if (index >= 0)
        m_siteList->setCurrentIndex(index);
    // The index may not have moved although the site did, as for the first site added.
    if (m_siteList->currentData().toString() != before)
        siteChanged();
}

Site* MainWindow::currentSite() {
    const QString id = m_siteList->currentData().toString();
    for (Site& site : m_sites) {
        if (site.id == id)
            return &site;
    }
    return nullptr;
}

void MainWindow::newSite() {
    SiteDialog dialog(Site{}, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    selectSite(SiteStore::store(dialog.site()).id);
}

void MainWindow::editSite() {
    const Site* site = currentSite();
    if (!site)
        return;
    SiteDialog dialog(*site, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    selectSite(SiteStore::store(dialog.site()).id);
}

void MainWindow::deleteSite() {
    const Site* site = currentSite();
    if (!site || !Messages::question(this, QStringLiteral("Biztosan törli a(z) „%1” helyet a "
                                                          "listából?")
                                               .arg(site->name)))
        return;
    const QString id = site->id;
    SiteStore::remove(id);
    PasswordStore::removeFromKeyring(id);
    reloadSites();
}

QString MainWindow::localFolder() const {
    return m_localModel->filePath(m_localView->rootIndex());
}

void MainWindow::setLocalFolder(const QString& folder) {
    const QDir dir(folder);
    if (!dir.exists()) {
        Messages::error(
            this,
            QStringLiteral("A helyi mappa nem létezik: %1").arg(QDir::toNativeSeparators(folder)));
        m_localPath->setText(QDir::toNativeSeparators(localFolder()));
        return;
    }
    const QString path = dir.canonicalPath();
    m_localView->setRootIndex(m_localModel->index(path));
    m_localPath->setText(QDir::toNativeSeparators(path));
}

void MainWindow::localItemActivated(const QModelIndex& index) {
    if (m_localModel->isDir(index))
        setLocalFolder(m_localModel->filePath(index));
}

void MainWindow::remoteItemActivated(QTreeWidgetItem* item) {
    if (!item || m_busy)
        return;
    const int row = item->data(0, kEntryRole).toInt();
    if (row < 0) {
        listRemote(parentFolder(m_remoteFolder));
        return;
    }
    const RemoteEntry& entry = m_remoteEntries.at(row);
    if (entry.isDirectory || entry.isLink)
        listRemote(joinRemote(m_remoteFolder, entry.name));
}

void MainWindow::appendLog(const QString& line) {
    m_log->appendPlainText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss ")) + line);
}

void MainWindow::connectToSite() {
    const Site* site = currentSite();
    if (!site) {
        Messages::error(this,
                        QStringLiteral("Előbb vegyen fel egy helyet az „Új hely...” gombbal."));
        return;
    }
    const std::optional<PasswordStore::Answer> answer = PasswordStore::passwordFor(*site, this);
    if (!answer)
        return;
    openConnection(*site, answer->password, answer->fromKeyring);
}

void MainWindow::openConnection(const Site& site, const QString& password,
                                bool passwordFromKeyring) {
    m_connection.reset();
    m_connectedSite = site;
    m_password = password;
    m_passwordFromKeyring = passwordFromKeyring;
    m_canResume = false;
    m_connection = std::make_unique<Connection>(site, password);
    TransferWorker* worker = m_connection->worker();
    connect(worker, &TransferWorker::opened, this, &MainWindow::onOpened);
    connect(worker, &TransferWorker::listed, this, &MainWindow::onListed);
    connect(worker, &TransferWorker::progress, this, &MainWindow::onProgress);
    connect(worker, &TransferWorker::finished, this, &MainWindow::onFinished);
    connect(worker, &TransferWorker::logLine, this, &MainWindow::appendLog);
    setBusy(true);
    m_connection->post([](TransferWorker* w) { w->open(); });
}

void MainWindow::disconnectFromSite() {
    if (!m_connection)
        return;
    m_connection.reset();
    m_password.clear();
    m_remoteEntries.clear();
    m_remoteView->clear();
    m_remoteFolder.clear();
    m_remotePath->clear();
    m_canResume = false;
    appendLog(QStringLiteral("Kapcsolat bontva."));
    setBusy(false);
}

void MainWindow::onOpened(const QString& entryPath) {
    const QString start =
        m_connectedSite.remoteFolder.isEmpty() ? entryPath : m_connectedSite.remoteFolder;
    m_remoteFolder = start.startsWith(QLatin1Char('/')) ? start : joinRemote(entryPath, start);
    // Only a password the server accepted is worth keeping.
    if (!m_passwordFromKeyring && !m_password.isEmpty()) {
        PasswordStore::writeToKeyring(m_connectedSite.id, m_password);
        m_passwordFromKeyring = true;
    }
}

void MainWindow::listRemote(const QString& folder) {
    if (!m_connection)
        return;
    setBusy(true);
    m_connection->post([folder](TransferWorker* w) { w->list(folder); });
}

void MainWindow::refreshRemote() {
    if (isConnected() && !m_busy)
        listRemote(m_remoteFolder);
}

void MainWindow::onListed(const QString& folder, const RemoteEntries& entries) {
    m_remoteFolder = folder;
    m_remotePath->setText(folder);
    m_remoteEntries = entries;
    std::sort(m_remoteEntries.begin(), m_remoteEntries.end(),
              [](const RemoteEntry& a, const RemoteEntry& b) {
                  if (a.isDirectory != b.isDirectory)
                      return a.isDirectory;
                  return a.name.localeAwareCompare(b.name) < 0;
              });
    m_remoteView->clear();
    if (folder != QLatin1String("/")) {
        auto* up = new QTreeWidgetItem(m_remoteView, {QStringLiteral("..")});
        up->setData(0, kEntryRole, -1);
    }
    for (int row = 0; row < m_remoteEntries.size(); ++row) {
        const RemoteEntry& entry = m_remoteEntries.at(row);
        auto* item = new QTreeWidgetItem(
            m_remoteView,
            {entry.isDirectory ? entry.name + QLatin1Char('/') : entry.name,
             entry.isDirectory ? QString() : formatBytes(double(entry.size)), entry.modified});
        item->setData(0, kEntryRole, row);
    }
    m_remoteView->resizeColumnToContents(0);
}

RemoteEntries MainWindow::selectedRemoteEntries() const {
    RemoteEntries entries;
    for (const QTreeWidgetItem* item : m_remoteView->selectedItems()) {
        const int row = item->data(0, kEntryRole).toInt();
        if (row >= 0 && row < m_remoteEntries.size())
            entries.append(m_remoteEntries.at(row));
    }
    return entries;
}

QStringList MainWindow::selectedLocalPaths() const {
    QStringList paths;
    for (const QModelIndex& index : m_localView->selectionModel()->selectedRows()) {
        const QString path = m_localModel->filePath(index);
        if (QFileInfo(path).fileName() != QLatin1String(".."))
            paths.append(path);
    }
    return paths;
}

void MainWindow::startTransfer(std::function<void(bool resume)> transfer) {
    m_lastTransfer = std::move(transfer);
    m_canResume = false;
    m_rate.restart();
    m_transferClock.start();
    m_progress->setValue(0);
    m_transferLabel->clear();
    setBusy(true);
    m_lastTransfer(false);
}

void MainWindow::uploadSelected() {
    const QStringList paths = selectedLocalPaths();
    if (!isConnected() || m_busy || paths.isEmpty())
        return;
    const QString folder = m_remoteFolder;
    startTransfer([this, paths, folder](bool resume) {
        m_connection->post(
            [paths, folder, resume](TransferWorker* w) { w->upload(paths, folder, resume); });
    });
}

void MainWindow::downloadSelected() {
    const RemoteEntries entries = selectedRemoteEntries();
    if (!isConnected() || m_busy || entries.isEmpty())
        return;
    const QString folder = m_remoteFolder;
    const QString target = localFolder();
    startTransfer([this, entries, folder, target](bool resume) {
        m_connection->post([entries, folder, target, resume](TransferWorker* w) {
            w->download(entries, folder, target, resume);
        });
    });
}

void MainWindow::resumeTransfer() {
    if (!isConnected() || m_busy || !m_canResume || !m_lastTransfer)
        return;
    m_canResume = false;
    m_rate.restart();
    m_transferClock.start();
    setBusy(true);
    m_lastTransfer(true);
}

void MainWindow::cancelTransfer() {
    if (m_connection && m_busy) {
        appendLog(QStringLiteral("Megszakítás..."));
        m_connection->cancel();
    }
}

void MainWindow::newRemoteFolder() {
    if (!isConnected() || m_busy)
        return;
    bool accepted = false;
    const QString name =
        QInputDialog::getText(this, QStringLiteral("Új mappa"), QStringLiteral("Az új mappa neve:"),
                              QLineEdit::Normal, QString(), &accepted)
            .trimmed();
    if (!accepted)
        return;
    if (!isSafeName(name)) {
        Messages::error(this,
                        QStringLiteral("Érvénytelen mappanév: „%1”").arg(printableName(name)));
        return;
    }
    const QString path = joinRemote(m_remoteFolder, name);
    setBusy(true);
    m_connection->post([path](TransferWorker* w) { w->makeDirectory(path); });
}

void MainWindow::renameRemote() {
    const RemoteEntries entries = selectedRemoteEntries();
    if (!isConnected() || m_busy || entries.size() != 1)
        return;
    bool accepted = false;
    const QString name =
        QInputDialog::getText(this, QStringLiteral("Átnevezés"), QStringLiteral("Az új név:"),
                              QLineEdit::Normal, entries.first().name, &accepted)
            .trimmed();
    if (!accepted || name == entries.first().name)
        return;
    if (!isSafeName(name)) {
        Messages::error(this, QStringLiteral("Érvénytelen név: „%1”").arg(printableName(name)));
        return;
    }
    const QString from = joinRemote(m_remoteFolder, entries.first().name);
    const QString to = joinRemote(m_remoteFolder, name);
    setBusy(true);
    m_connection->post([from, to](TransferWorker* w) { w->rename(from, to); });
}

void MainWindow::deleteRemote() {
    const RemoteEntries entries = selectedRemoteEntries();
    if (!isConnected() || m_busy || entries.isEmpty())
        return;
    const QString what = entries.size() == 1
                             ? QStringLiteral("a(z) „%1” %2")
                                   .arg(entries.first().name, entries.first().isDirectory
                                                                  ? QStringLiteral("mappát "
                                                                                   "a tartalmával")
                                                                  : QStringLiteral("fájlt"))
                             : QStringLiteral("a kijelölt %1 elemet").arg(entries.size());
    if (!Messages::question(this, QStringLiteral("Biztosan törli %1 a szerverről?").arg(what)))
        return;
    const QString folder = m_remoteFolder;
    setBusy(true);
    m_connection->post([entries, folder](TransferWorker* w) { w->remove(entries, folder); });
}

void MainWindow::onProgress(qint64 done, qint64 total, const QString& name) {
    m_rate.add(m_transferClock.elapsed(), done);
    if (total > 0)
        m_progress->setValue(int(double(done) * kProgressSteps / double(total)));
    m_transferLabel->setText(QStringLiteral("%1 – %2 / %3, %4/s, hátralévő idő: %5")
                                 .arg(name, formatBytes(double(done)), formatBytes(double(total)),
                                      formatBytes(m_rate.bytesPerSecond()),
                                      formatDuration(m_rate.secondsLeft(total))));
}

bool MainWindow::askToTrust(const OpResult& result) {
    const bool hostKey = result.kind == OpResult::Kind::UnknownHostKey;
    const QString text =
        QStringLiteral("%1\n\n%2\n%3: %4\n\n%5")
            .arg(result.message, result.peerDetails,
                 hostKey ? QStringLiteral("Gépkulcs ujjlenyomata")
                         : QStringLiteral("SHA-256 ujjlenyomat"),
                 result.fingerprint,
                 hostKey ? QStringLiteral("Megbízik ebben a gépkulcsban ennél a helynél?")
                         : QStringLiteral("Megbízik ebben a tanúsítványban ennél a helynél?"));
    return !result.fingerprint.isEmpty() && Messages::question(this, text);
}

void MainWindow::onFinished(const QString& operation, const OpResult& result) {
    setBusy(false);
    const bool changedRemote =
        operation == QLatin1String("upload") || operation == QLatin1String("mkdir") ||
        operation == QLatin1String("rename") || operation == QLatin1String("remove");
    if (result.ok()) {
        if (operation == QLatin1String("upload") || operation == QLatin1String("download")) {
            m_progress->setValue(kProgressSteps);
            m_transferLabel->setText(
                result.skipped.isEmpty()
                    ? QStringLiteral("Kész.")
                    : QStringLiteral("Kész, %1 elem kihagyva.").arg(result.skipped.size()));
        }
        if (!result.warning.isEmpty())
            Messages::error(this, result.warning);
        emit operationDone(operation, true);
        if (operation == QLatin1String("open") || changedRemote)
            listRemote(m_remoteFolder);
        return;
    }

    emit operationDone(operation, false);
    using Kind = OpResult::Kind;
    if (operation == QLatin1String("open")) {
        const Site site = m_connectedSite;
        const QString password = m_password;
        const bool fromKeyring = m_passwordFromKeyring;
        m_connection.reset();
        if (result.kind == Kind::UntrustedCertificate || result.kind == Kind::UnknownHostKey) {
            if (!askToTrust(result))
                return;
            Site trusted = site;
            (result.kind == Kind::UnknownHostKey ? trusted.trustedHostKey
                                                 : trusted.trustedCertificate) = result.fingerprint;
            SiteStore::store(trusted);
            selectSite(trusted.id);
            openConnection(trusted, password, fromKeyring);
            return;
        }
        if (result.kind == Kind::LoginFailed && fromKeyring)
            PasswordStore::removeFromKeyring(site.id);
        Messages::error(this, result.message);
        updateActions();
        return;
    }
    if (result.kind == Kind::Cancelled) {
        m_transferLabel->setText(QStringLiteral("Megszakítva."));
        m_canResume =
            operation == QLatin1String("upload") || operation == QLatin1String("download");
        updateActions();
        return;
    }
    const QString skipped =
        result.warning.isEmpty() ? QString() : QStringLiteral("\n\n") + result.warning;
    if (result.kind == Kind::ConnectionLost) {
        m_canResume = true;
        updateActions();
        Messages::error(this,
                        result.message +
                            QStringLiteral("\n\nAz átvitel a „Folytatás” gombbal folytatható.") +
                            skipped);
        return;
    }
    Messages::error(this, result.message + skipped);
    if (changedRemote)
        listRemote(m_remoteFolder);
}

void MainWindow::setBusy(bool busy) {
    m_busy = busy;
    updateActions();
}

void MainWindow::updateActions() {
    const bool connected = isConnected();
    const bool idle = connected && !m_busy;
    const bool haveSite = !m_sites.isEmpty() && m_siteList->currentIndex() >= 0;
    m_siteList->setEnabled(!m_busy);
    m_newSite->setEnabled(!m_busy);
    m_editSite->setEnabled(haveSite && !m_busy);
    m_deleteSite->setEnabled(haveSite && !m_busy);
    m_connect->setEnabled(haveSite && !m_busy);
    m_disconnect->setEnabled(connected);
    m_upload->setEnabled(idle && m_localView->selectionModel()->hasSelection());
    m_download->setEnabled(idle && !m_remoteView->selectedItems().isEmpty());
    m_newFolder->setEnabled(idle);
    m_rename->setEnabled(idle && m_remoteView->selectedItems().size() == 1);
    m_delete->setEnabled(idle && !m_remoteView->selectedItems().isEmpty());
    m_refresh->setEnabled(idle);
    m_resume->setEnabled(idle && m_canResume);
    m_cancel->setEnabled(connected && m_busy);
}

} // namespace ftp
