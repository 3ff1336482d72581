#pragma once
// The program options dialog: the workspace colour, the toolbars' tool tips and the built-in
// browser's start page. It reads the settings when it opens and stores them only on OK; nothing
// on screen changes until the windows read them again.

#include <QDialog>

class CommonDialog;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmProgramOptions : public QDialog {
    Q_OBJECT
public:
    explicit frmProgramOptions(QWidget* owner = nullptr);

    QGroupBox* frameDesign;
    QLabel* lblBackgroundColor;
    QPushButton* cmdChooseColor;
    QLineEdit* txtColorCode;
    QCheckBox* chkShowToolTips;
    QGroupBox* frameBrowser;
    QLabel* lblStartingAddress;
    QLineEdit* txtStartingAddress;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    CommonDialog* dlgCommonDialog;

public slots:
    void Form_Load();
    void cmdChooseColor_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    void showEvent(QShowEvent* event) override;
};
