#pragma once

#include "requestlogentry.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;

namespace webserver {

class FolderServer;

// The module's window: folder, port, start/stop, the address to open and the request log.
class ServerWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr quint16 kDefaultPort = 8080;
    static constexpr int kMaxLogLines = 5000;

    explicit ServerWindow(QWidget* parent = nullptr);
    ~ServerWindow() override;

    FolderServer* server() const { return m_server; }
    void setFolder(const QString& folder);
    void setPort(quint16 port);

public slots:
    bool startServing();
    void stopServing();

protected:
    void closeEvent(QCloseEvent* event) override;
    // Message boxes go through these so tests can answer them.
    virtual void showWarning(const QString& text);
    virtual bool askYesNo(const QString& text);

private:
    void buildUi();
    void loadSettings();
    void saveSettings() const;
    void chooseFolder();
    void updateState();
    void appendLog(const QString& line);
    void logRequest(const webserver::RequestLogEntry& entry);

    FolderServer* m_server;
    QLineEdit* m_folderEdit = nullptr;
    QPushButton* m_browseButton = nullptr;
    QSpinBox* m_portSpin = nullptr;
    QCheckBox* m_lanCheck = nullptr;
    QPushButton* m_startButton = nullptr;
    QPushButton* m_stopButton = nullptr;
    QLabel* m_addressLabel = nullptr;
    QPlainTextEdit* m_logView = nullptr;
    bool m_folderMissingReported = false;
};

} // namespace webserver
