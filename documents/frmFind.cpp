#include "documents/frmFind.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
template <typename Widget>
Widget* named(Widget* widget, const char* name, const QString& accessibleName,
              const QString& toolTip) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setAccessibleName(accessibleName);
    widget->setToolTip(toolTip);
    return widget;
}
} // namespace

frmFind::frmFind(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmFind"));
    setModal(false);
    setSizeGripEnabled(false);

    txtFind = named(new QLineEdit, "txtFind", QStringLiteral("Keresett szöveg"),
                    QStringLiteral("A keresett szöveg vagy reguláris kifejezés"));
    lblFind = named(new QLabel(QStringLiteral("Keresett &szöveg:")), "lblFind",
                    QStringLiteral("Keresett szöveg:"), QString());
    lblFind->setBuddy(txtFind);
    txtReplace = named(new QLineEdit, "txtReplace", QStringLiteral("Csere erre"),
                       QStringLiteral("Erre cserél; reguláris kifejezésnél \\1 a megtalált "
                                      "első csoport, \\n új sor"));
    lblReplace = named(new QLabel(QStringLiteral("Csere &erre:")), "lblReplace",
                       QStringLiteral("Csere erre:"), QString());
    lblReplace->setBuddy(txtReplace);

    chkMatchCase = named(new QCheckBox(QStringLiteral("Kis- és &nagybetű")), "chkMatchCase",
                         QStringLiteral("Kis- és nagybetű"),
                         QStringLiteral("Csak a kis- és nagybetűkben is egyező szöveget találja"));
    chkWholeWord =
        named(new QCheckBox(QStringLiteral("Csak e&gész szó")), "chkWholeWord",
              QStringLiteral("Csak egész szó"), QStringLiteral("Szavak részeit nem találja"));
    chkRegularExpression = named(new QCheckBox(QStringLiteral("&Reguláris kifejezés")),
                                 "chkRegularExpression", QStringLiteral("Reguláris kifejezés"),
                                 QStringLiteral("A keresett szöveg reguláris kifejezés"));
    chkBackwards = named(new QCheckBox(QStringLiteral("&Visszafelé")), "chkBackwards",
                         QStringLiteral("Visszafelé"),
                         QStringLiteral("A kijelöléstől a dokumentum eleje felé keres"));
    chkSelectionOnly = named(new QCheckBox(QStringLiteral("Csak a ki&jelölésben")),
                             "chkSelectionOnly", QStringLiteral("Csak a kijelölésben"),
                             QStringLiteral("Az összes cseréje csak a kijelölt szövegben cserél"));

    cmdFindNext =
        named(new QPushButton(QStringLiteral("&Következő")), "cmdFindNext",
              QStringLiteral("Következő"), QStringLiteral("A következő találat kijelölése (F3)"));
    cmdReplace =
        named(new QPushButton(QStringLiteral("&Csere")), "cmdReplace", QStringLiteral("Csere"),
              QStringLiteral("A kijelölt találat cseréje, majd a következő keresése"));
    cmdReplaceAll = named(new QPushButton(QStringLiteral("&Összes cseréje")), "cmdReplaceAll",
                          QStringLiteral("Összes cseréje"),
                          QStringLiteral("Minden találat cseréje egy visszavonható lépésben"));
    cmdClose = named(new QPushButton(QStringLiteral("&Bezárás")), "cmdClose",
                     QStringLiteral("Bezárás"), QStringLiteral("A keresőablak bezárása (Esc)"));
    cmdFindNext->setDefault(true);

    auto* fields = new QGridLayout;
    fields->addWidget(lblFind, 0, 0);
    fields->addWidget(txtFind, 0, 1);
    fields->addWidget(lblReplace, 1, 0);
    fields->addWidget(txtReplace, 1, 1);
    auto* options = new QGridLayout;
    options->addWidget(chkMatchCase, 0, 0);
    options->addWidget(chkWholeWord, 0, 1);
    options->addWidget(chkRegularExpression, 1, 0);
    options->addWidget(chkBackwards, 1, 1);
    options->addWidget(chkSelectionOnly, 2, 0);
    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addLayout(options);
    left->addStretch();
    auto* buttons = new QVBoxLayout;
    for (QPushButton* button : {cmdFindNext, cmdReplace, cmdReplaceAll, cmdClose}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(buttons);

    connect(cmdFindNext, &QPushButton::clicked, this, &frmFind::findNextClicked);
    connect(cmdReplace, &QPushButton::clicked, this, &frmFind::replaceClicked);
    connect(cmdReplaceAll, &QPushButton::clicked, this, &frmFind::replaceAllClicked);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::hide);
    showAs(false);
}

void frmFind::showFind() {
    showAs(false);
    present();
}

void frmFind::showReplace() {
    showAs(true);
    present();
}

void frmFind::present() {
    show();
    raise();
    activateWindow();
    txtFind->setFocus();
    txtFind->selectAll();
}

void frmFind::showAs(bool replacing) {
    m_replacing = replacing;
    const QString title = replacing ? QStringLiteral("Csere") : QStringLiteral("Keresés");
    setWindowTitle(title);
    setAccessibleName(title);
    for (QWidget* widget : std::initializer_list<QWidget*>{lblReplace, txtReplace, chkSelectionOnly,
                                                           cmdReplace, cmdReplaceAll})
        widget->setVisible(replacing);
    adjustSize();
}

FindOptions frmFind::options() const {
    FindOptions options;
    options.text = txtFind->text();
    options.matchCase = chkMatchCase->isChecked();
    options.wholeWord = chkWholeWord->isChecked();
    options.regularExpression = chkRegularExpression->isChecked();
    options.backwards = chkBackwards->isChecked();
    return options;
}

QString frmFind::replaceWith() const {
    return txtReplace->text();
}

bool frmFind::selectionOnly() const {
    return m_replacing && chkSelectionOnly->isChecked();
}
