#include "dialogs/frmAbout.h"

#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "controls/HyperlinkLabel.h"
#include "controls/MsgBox.h"
#include "controls/Twips.h"
#include "dialogs/ModuleLauncher.h"
#include "dialogs/Registry.h"
#include "resources/Texts.h"

namespace {
constexpr double kClientWidth = 5730;
constexpr double kClientHeight = 4800;
constexpr quint32 kEtchShadow = 0x808080;
constexpr quint32 kDisclaimerRed = 0x0000C0;
constexpr quint32 kSystemWindowColour = 0x80000005;

#ifdef Q_OS_WIN
const QString kSysInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kSysInfoValue = QStringLiteral("PATH");
const QString kSysInfoLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString kSysInfoLocationValue = QStringLiteral("MSINFO");
#endif

QFont makeFont(const QString& family, double points, bool bold = false) {
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// The home page is shown without its scheme and closing slash.
QString shownAddress(QString address) {
    const qsizetype scheme = address.indexOf(QStringLiteral("://"));
    if (scheme >= 0)
        address.remove(0, scheme + 3);
    while (address.endsWith(QLatin1Char('/')))
        address.chop(1);
    return address;
}

// An etched line: a lighter line below the grey one, in twips.
void drawEtchedLine(QPainter& painter, double top, double greyLeft, double greyRight,
                    double lightLeft, double lightRight, const QColor& light) {
    const int y = twipsToPixelsY(top);
    const int lightX = twipsToPixelsX(lightLeft);
    painter.fillRect(QRect(lightX, y, twipsToPixelsX(lightRight) - lightX + 1, 2), light);
    const int greyX = twipsToPixelsX(greyLeft);
    painter.fillRect(QRect(greyX, y, twipsToPixelsX(greyRight) - greyX + 1, 1),
                     colorFromVB(kEtchShadow, QPalette()).value_or(Qt::gray));
}
} // namespace

frmAbout::frmAbout(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                         Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("Névjegy..."));
    setAccessibleName(windowTitle());
    setWindowIcon(QIcon(QStringLiteral(":/icons/webrix-32.png")));
    setModal(true);
    setFixedSize(twipsToPixelsX(kClientWidth), twipsToPixelsY(kClientHeight));
    setFont(makeFont(QStringLiteral("Tahoma"), 8.25));

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setAccessibleName(QStringLiteral("A program ikonja"));
    picIcon->setGeometry(twipsRect(240, 240, 540, 540));
    picIcon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picIcon->setPixmap(QPixmap(QStringLiteral(":/icons/webrix-32.png")));

    lblTitle = addLabel(QStringLiteral("lblTitle"), Texts::AppTitle, QRect(1050, 240, 4245, 480),
                        makeFont(QStringLiteral("Ashbury"), 24));
    shrinkFontToFit(lblTitle); // a substitute face may be wider than the original
    lblVersion =
        addLabel(QStringLiteral("lblVersion"), QStringLiteral("Verziószám: ") + Texts::Version,
                 QRect(1050, 780, 4245, 225), makeFont(QStringLiteral("Tahoma"), 9.75));
    lblDescription = addLabel(
        QStringLiteral("lblDescription"),
        QStringLiteral("Egy viszonylag jó HTML szerkesztő kezdőknek és profiknak egyaránt. A "
                       "program még nem készült el teljesen! A következő verziókban sok hasznos "
                       "dolog lesz várható. Pl.: űrlap varázsló, keret varázsló, több szkript és "
                       "még sok más..."),
        QRect(1050, 1125, 4245, 1050), makeFont(QStringLiteral("Tahoma"), 8.25));
    lblDescription->setWordWrap(true);

    lblDisclaimer =
        addLabel(QStringLiteral("lblDisclaimer"),
                 QStringLiteral(
                     "Figyelem: a program nem megfelelő használatáért felelősséget nem vállalok!"),
                 QRect(120, 2400, 5535, 465), makeFont(QStringLiteral("Tahoma"), 8.25, true));
    lblDisclaimer->setWordWrap(true);
    QPalette warning = lblDisclaimer->palette();
    warning.setColor(QPalette::WindowText, *colorFromVB(kDisclaimerRed, warning));
    lblDisclaimer->setPalette(warning);

    const QFont labelFont = makeFont(QStringLiteral("Tahoma"), 9.75);
    lblHomepage = addLabel(QStringLiteral("lblHomepage"), QStringLiteral("Honlap:"),
                           QRect(120, 3000, 1455, 255), labelFont);
    hypHomepage =
        addHyperlink(QStringLiteral("hypHomepage"), shownAddress(Texts::MakerHomePageAddress),
                     Texts::MakerHomePageAddress, QRect(1680, 3000, 3000, 240));
    lblEmail = addLabel(QStringLiteral("lblEmail"), QStringLiteral("E-m@il:"),
                        QRect(120, 3360, 1455, 255), labelFont);
    hypEmail = addHyperlink(QStringLiteral("hypEmail"), Texts::MakerEmailAddress,
                            QStringLiteral("mailto:") + Texts::MakerEmailAddress,
                            QRect(1680, 3360, 2070, 240));
    lblBugReporting = addLabel(QStringLiteral("lblBugReporting"), QStringLiteral("Hibabejelentő:"),
                               QRect(120, 3720, 1455, 255), labelFont);
    vbwHyperlink1 = addHyperlink(QStringLiteral("vbwHyperlink1"), Texts::BugReportAddress,
                                 QStringLiteral("mailto:") + Texts::BugReportAddress,
                                 QRect(1680, 3720, 2175, 240));

    cmdOK = addButton(QStringLiteral("cmdOK"), QStringLiteral("OK"), QRect(120, 4080, 2655, 375));
    cmdOK->setDefault(true);
    cmdSysInfo = addButton(QStringLiteral("cmdSysInfo"), QStringLiteral("Rendszerinformáció..."),
                           QRect(3000, 4080, 2655, 375));
    cmdOK->setFocus();

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    connect(hypHomepage, &HyperlinkLabel::Click, this, &frmAbout::hypHomepage_Click);
    connect(hypEmail, &HyperlinkLabel::Click, this, &frmAbout::hypEmail_Click);
}

QLabel* frmAbout::addLabel(const QString& name, const QString& text, const QRect& twips,
                           const QFont& font) {
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    label->setAccessibleName(text);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    return label;
}

HyperlinkLabel* frmAbout::addHyperlink(const QString& name, const QString& caption,
                                       const QString& address, const QRect& twips) {
    auto* link = new HyperlinkLabel(this);
    link->setObjectName(name);
    link->setCaption(caption);
    link->setAddress(address);
    link->placeAt(twipsRect(twips.x(), twips.y(), twips.width(), twips.height()),
                  twipsToPixelsX(kClientWidth - 120));
    return link;
}

QPushButton* frmAbout::addButton(const QString& name, const QString& caption, const QRect& twips) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(name);
    button->setAccessibleName(caption);
    button->setGeometry(twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    return button;
}

void frmAbout::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    // Line1 and Line2: etched separators above and below the warning.
    drawEtchedLine(painter, 2280, 120, 5684, 105, 5654, Qt::white);
    drawEtchedLine(painter, 2880, 120, 5640, 120, 5640,
                   colorFromVB(kSystemWindowColour, palette()).value_or(Qt::white));
}

void frmAbout::cmdOK_Click() {
    accept();
}

void frmAbout::reject() {
    cmdOK_Click();
}

void frmAbout::cmdSysInfo_Click() {
    StartSysInfo();
}

void frmAbout::hypHomepage_Click() {
    emit linkRequested(Texts::MakerHomePageAddress);
}

void frmAbout::hypEmail_Click() {
    emit linkRequested(QStringLiteral("mailto:") + Texts::MakerEmailAddress);
}

#ifdef Q_OS_WIN
bool frmAbout::GetKeyValue(quint32 root, const QString& keyPath, const QString& valueName,
                           QString& result) {
    return Registry::GetKeyValue(root, keyPath, valueName, result);
}
#endif

void frmAbout::StartSysInfo() {
#ifdef Q_OS_WIN
    QString path;
    bool found = GetKeyValue(Registry::HKeyLocalMachine, kSysInfoKey, kSysInfoValue, path);
    // The first location is trusted as it stands; the second must name an existing program.
    if (!found &&
        GetKeyValue(Registry::HKeyLocalMachine, kSysInfoLocationKey, kSysInfoLocationValue, path)) {
        QString program = path + QStringLiteral("\\MSINFO32.EXE");
        program.replace(QLatin1Char('\\'), QLatin1Char('/'));
        path = QDir::toNativeSeparators(program);
        found = isOrdinaryFile(path);
    }
#else
    // No registry here: the desktop's own system-information tool takes the place of MSINFO32.
    const QString path = desktopSystemInformationProgram();
    const bool found = !path.isEmpty();
#endif
    if (found && startProgram(path))
        return;
    MsgBox(QStringLiteral("System Information Is Unavailable At This Time"), vbOKOnly,
           Texts::AppTitle);
}
