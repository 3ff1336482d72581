#include "controls/MsgBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {
MsgBoxHook& hookSlot() {
    static MsgBoxHook hook;
    return hook;
}

QMessageBox::Icon iconFor(int style) {
    switch (style & 0xF0) {
    case vbCritical:
        return QMessageBox::Critical;
    case vbQuestion:
        return QMessageBox::Question;
    case vbExclamation:
        return QMessageBox::Warning;
    case vbInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}
} // namespace

void setMsgBoxHook(MsgBoxHook hook) {
    hookSlot() = std::move(hook);
}

int MsgBox(const QString& prompt, int style, const QString& title) {
    if (hookSlot())
        return hookSlot()(MsgBoxCall{prompt, style, title});

    QMessageBox box(iconFor(style), title, prompt, QMessageBox::NoButton,
                    QApplication::activeWindow());
    box.setObjectName(QStringLiteral("MsgBox"));
    box.setAccessibleName(title);
    box.setTextFormat(Qt::PlainText);
    if ((style & 0x0F) == vbYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? vbYes : vbNo;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return vbOK;
}
