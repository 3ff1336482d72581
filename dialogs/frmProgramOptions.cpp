#include "dialogs/frmProgramOptions.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "controls/CommonDialog.h"
#include "controls/ProgramInfo.h"
#include "controls/Settings.h"
#include "controls/Twips.h"
#include "resources/SettingKeys.h"

namespace {
// A greyed box can be shown, but a click only ever switches between checked and unchecked.
class ToolTipCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {
        setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    }
};

Qt::CheckState checkStateFromSetting(const QString& text) {
    switch (parseInt16(text).value_or(1)) {
    case 0:
        return Qt::Unchecked;
    case 2:
        return Qt::PartiallyChecked;
    default: // 1, and anything the box cannot show
        return Qt::Checked;
    }
}

QString settingFromCheckState(Qt::CheckState state) {
    switch (state) {
    case Qt::Unchecked:
        return QStringLiteral("0");
    case Qt::PartiallyChecked:
        return QStringLiteral("2");
    default:
        return QStringLiteral("1");
    }
}

template <typename Widget>
Widget* place(Widget* widget, const QString& name, const QString& accessibleName,
              const QRect& twips) {
    widget->setObjectName(name);
    widget->setAccessibleName(accessibleName);
    widget->setGeometry(twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    return widget;
}

QString plainCaption(QString caption) {
    caption.remove(QLatin1Char('&'));
    return caption;
}
} // namespace

frmProgramOptions::frmProgramOptions(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmProgramOptions"));
    setWindowTitle(QStringLiteral("Opciók: program"));
    setAccessibleName(windowTitle());
    setModal(true);
    setFixedSize(twipsToPixelsX(3450), twipsToPixelsY(4695));
    QFont face(QStringLiteral("Tahoma"));
    face.setPointSizeF(8.25);
    setFont(face);

    frameDesign =
        place(new QGroupBox(QStringLiteral("Program design"), this), QStringLiteral("frameDesign"),
              QStringLiteral("Program design"), QRect(120, 120, 3255, 1575));
    lblBackgroundColor = place(new QLabel(QStringLiteral("Háttér szín:"), frameDesign),
                               QStringLiteral("lblBackgroundColor"), QStringLiteral("Háttér szín:"),
                               QRect(240, 360, 1335, 255));
    cmdChooseColor = place(new QPushButton(QStringLiteral("Válassz!"), frameDesign),
                           QStringLiteral("cmdChooseColor"), QStringLiteral("Válassz!"),
                           QRect(1800, 280, 1215, 375));
    txtColorCode = place(new QLineEdit(frameDesign), QStringLiteral("txtColorCode"),
                         QStringLiteral("Háttér szín"), QRect(240, 720, 2775, 285));
    chkShowToolTips =
        place(new ToolTipCheckBox(QStringLiteral("Eszköztippek mutatása"), frameDesign),
              QStringLiteral("chkShowToolTips"), QStringLiteral("Eszköztippek mutatása"),
              QRect(240, 1200, 2775, 255));
    chkShowToolTips->setChecked(true);

    frameBrowser = place(new QGroupBox(QStringLiteral("Böngésző beállítások"), this),
                         QStringLiteral("frameBrowser"), QStringLiteral("Böngésző beállítások"),
                         QRect(120, 1920, 3255, 1095));
    lblStartingAddress = place(new QLabel(QStringLiteral("Indulócím:"), frameBrowser),
                               QStringLiteral("lblStartingAddress"), QStringLiteral("Indulócím:"),
                               QRect(120, 360, 3015, 255));
    txtStartingAddress = place(new QLineEdit(frameBrowser), QStringLiteral("txtStartingAddress"),
                               QStringLiteral("Indulócím"), QRect(120, 600, 3015, 285));

    cmdOK = place(new QPushButton(QStringLiteral("OK"), this), QStringLiteral("cmdOK"),
                  QStringLiteral("OK"), QRect(120, 4200, 1575, 375));
    cmdCancel = place(new QPushButton(QStringLiteral("&Mégse"), this), QStringLiteral("cmdCancel"),
                      plainCaption(QStringLiteral("&Mégse")), QRect(1800, 4200, 1575, 375));

    // A fresh colour chooser with every opening: its colour starts at 0 (black).
    dlgCommonDialog = new CommonDialog(this, QStringLiteral("dlgCommonDialog"));

    // Focus starts on the check box; Tab then visits OK, Mégse, Válassz!, the colour code and
    // the start address.
    setTabOrder(chkShowToolTips, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    setTabOrder(cmdCancel, cmdChooseColor);
    setTabOrder(cmdChooseColor, txtColorCode);
    setTabOrder(txtColorCode, txtStartingAddress);
    chkShowToolTips->setFocus();

    connect(cmdChooseColor, &QPushButton::clicked, this, &frmProgramOptions::cmdChooseColor_Click);
    connect(cmdOK, &QPushButton::clicked, this, &frmProgramOptions::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmProgramOptions::cmdCancel_Click);

    Form_Load();
}

void frmProgramOptions::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    chkShowToolTips->setFocus();
}

void frmProgramOptions::Form_Load() {
    const QString app = modGeneral::appName();
    txtColorCode->setText(GetSetting(app, SettingKeys::BgColor));
    chkShowToolTips->setCheckState(checkStateFromSetting(GetSetting(app, SettingKeys::ToolTip)));
    txtStartingAddress->setText(GetSetting(app, SettingKeys::OptionsBrowserHome));
    // Long texts show their beginning, not their end.
    txtColorCode->setCursorPosition(0);
    txtStartingAddress->setCursorPosition(0);
}

void frmProgramOptions::cmdChooseColor_Click() {
    dlgCommonDialog->DialogTitle = QStringLiteral("Choose a color...");
    // A cancelled chooser leaves the code as it was rather than writing its last colour.
    if (dlgCommonDialog->ShowColor())
        txtColorCode->setText(QString::number(dlgCommonDialog->Color));
}

void frmProgramOptions::cmdOK_Click() {
    const QString app = modGeneral::appName();
    // Stored as typed, all three every time.
    SaveSetting(app, SettingKeys::BgColor, txtColorCode->text());
    SaveSetting(app, SettingKeys::ToolTip, settingFromCheckState(chkShowToolTips->checkState()));
    SaveSetting(app, SettingKeys::OptionsBrowserHome, txtStartingAddress->text());
    accept();
}

void frmProgramOptions::cmdCancel_Click() {
    reject();
}
