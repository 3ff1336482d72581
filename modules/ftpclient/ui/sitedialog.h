#pragma once

#include "core/site.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace ftp {

// Edits one site's connection data; the password is asked for when connecting.
class SiteDialog : public QDialog {
    Q_OBJECT
public:
    explicit SiteDialog(const Site& site, QWidget* parent = nullptr);
    Site site() const;

    void accept() override;

private:
    void protocolChanged();
    void showPlainWarning();
    QLineEdit* addLine(const QString& objectName, const QString& accessibleName,
                       const QString& text);

    Site m_site;
    QLineEdit* m_name;
    QLineEdit* m_host;
    QSpinBox* m_port;
    QComboBox* m_protocol;
    QLabel* m_plainWarning;
    QLineEdit* m_user;
    QLineEdit* m_remoteFolder;
    QLineEdit* m_localFolder;
    QComboBox* m_encoding;
    QLineEdit* m_keyFile;
};

} // namespace ftp
