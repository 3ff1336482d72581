#pragma once

#include "core/connection.h"
#include "core/site.h"
#include "core/transferrate.h"

#include <QElapsedTimer>
#include <QMainWindow>

#include <functional>
#include <memory>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;

namespace ftp {

// "Webrix FTP kliens": a site list, the local and remote folders side by side, transfers with
// progress, and a log of what was said to the server.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    bool isConnected() const { return m_connection != nullptr; }
    bool isBusy() const { return m_busy; }
    QString remoteFolder() const { return m_remoteFolder; }
    QString localFolder() const;
    void setLocalFolder(const QString& folder);
    void selectSite(const QString& siteId);

public slots:
    void connectToSite();
    void disconnectFromSite();
    void uploadSelected();
    void downloadSelected();
    void newRemoteFolder();
    void renameRemote();
    void deleteRemote();
    void refreshRemote();
    void resumeTransfer();
    void cancelTransfer();

signals:
    // Each finished remote operation, for tests and the status line alike.
    void operationDone(const QString& operation, bool ok);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildUi();
    QPushButton* addButton(const QString& objectName, const QString& caption);
    void reloadSites();
    void siteChanged();
    void newSite();
    void editSite();
    void deleteSite();
    Site* currentSite();
    void openConnection(const Site& site, const QString& password, bool passwordFromKeyring);
    void onOpened(const QString& entryPath);
    void onListed(const QString& folder, const RemoteEntries& entries);
    void onProgress(qint64 done, qint64 total, const QString& name);
    void onFinished(const QString& operation, const OpResult& result);
    bool askToTrust(const OpResult& result);
    void startTransfer(std::function<void(bool resume)> transfer);
    void setBusy(bool busy);
    void updateActions();
    void appendLog(const QString& line);
    void listRemote(const QString& folder);
    RemoteEntries selectedRemoteEntries() const;
    QStringList selectedLocalPaths() const;
    void remoteItemActivated(QTreeWidgetItem* item);
    void localItemActivated(const QModelIndex& index);

    QList<Site> m_sites;
    std::unique_ptr<Connection> m_connection;
    Site m_connectedSite;
    QString m_password;
    bool m_passwordFromKeyring = false;
    QString m_remoteFolder;
    RemoteEntries m_remoteEntries;
    bool m_busy = false;
    std::function<void(bool resume)> m_lastTransfer;
    bool m_canResume = false;
    TransferRate m_rate;
    QElapsedTimer m_transferClock;

    QComboBox* m_siteList = nullptr;
    QLineEdit* m_localPath = nullptr;
    QLineEdit* m_remotePath = nullptr;
    QTreeView* m_localView = nullptr;
    QFileSystemModel* m_localModel = nullptr;
    QTreeWidget* m_remoteView = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_transferLabel = nullptr;
    QPlainTextEdit* m_log = nullptr;
    QPushButton* m_newSite = nullptr;
    QPushButton* m_editSite = nullptr;
    QPushButton* m_deleteSite = nullptr;
    QPushButton* m_connect = nullptr;
    QPushButton* m_disconnect = nullptr;
    QPushButton* m_upload = nullptr;
    QPushButton* m_download = nullptr;
    QPushButton* m_newFolder = nullptr;
    QPushButton* m_rename = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_refresh = nullptr;
    QPushButton* m_resume = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace ftp
