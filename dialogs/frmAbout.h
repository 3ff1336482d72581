#pragma once
// The About box: product name and version, a short description, the author's warning, the
// maker's addresses as links and a button that starts the system-information tool.

#include <QDialog>

class HyperlinkLabel;
class QLabel;
class QPushButton;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* owner = nullptr);

    // Starts the system-information tool (found through the registry on Windows, in PATH
    // elsewhere), or says it is unavailable.
    void StartSysInfo();
#ifdef Q_OS_WIN
    // Reads a registry value; see Registry::GetKeyValue.
    bool GetKeyValue(quint32 root, const QString& keyPath, const QString& valueName,
                     QString& result);
#endif

    QLabel* picIcon;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblDescription;
    QLabel* lblDisclaimer;
    QLabel* lblHomepage;
    HyperlinkLabel* hypHomepage;
    QLabel* lblEmail;
    HyperlinkLabel* hypEmail;
    QLabel* lblBugReporting;
    HyperlinkLabel* vbwHyperlink1;
    QPushButton* cmdOK;
    QPushButton* cmdSysInfo;

public slots:
    void cmdOK_Click();
    void cmdSysInfo_Click();
    void hypHomepage_Click();
    void hypEmail_Click();
    // Esc and the close box end the box the way OK does.
    void reject() override;

signals:
    // A link label was clicked; whoever shows the box opens the address.
    void linkRequested(const QString& address);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* addLabel(const QString& name, const QString& text, const QRect& twips,
                     const QFont& font);
    HyperlinkLabel* addHyperlink(const QString& name, const QString& caption,
                                 const QString& address, const QRect& twips);
    QPushButton* addButton(const QString& name, const QString& caption, const QRect& twips);
};
