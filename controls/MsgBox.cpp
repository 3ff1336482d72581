#include "controls/MsgBox.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "controls/ModalDialog.h"

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

MsgBoxDeferral*& currentDeferral() {
    static MsgBoxDeferral* deferral = nullptr;
    return deferral;
}

// Messages kept for a window: shown, owned by it, once it is on screen and the event loop runs.
class PendingMessages : public QObject {
public:
    PendingMessages(QWidget* owner, QList<MsgBoxCall> calls)
        : QObject(owner), m_owner(owner), m_calls(std::move(calls)) {
        if (owner->isVisible())
            QTimer::singleShot(0, this, &PendingMessages::showAll);
        else
            owner->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, this, &PendingMessages::showAll);
        }
        return false;
    }

private:
    void showAll() {
        const QList<MsgBoxCall> calls = std::move(m_calls);
        deleteLater();
        for (const MsgBoxCall& call : calls) {
            if (!m_owner)
                break;
            MsgBox(call.prompt, call.style, call.title, m_owner);
        }
    }

    QPointer<QWidget> m_owner;
    QList<MsgBoxCall> m_calls;
};
} // namespace

MsgBoxDeferral::MsgBoxDeferral(QWidget* owner) : m_owner(owner), m_outer(currentDeferral()) {
    currentDeferral() = this;
}

MsgBoxDeferral::~MsgBoxDeferral() {
    currentDeferral() = m_outer;
    if (!m_calls.isEmpty())
        new PendingMessages(m_owner, std::move(m_calls));
}

bool MsgBoxDeferral::defer(const MsgBoxCall& call) {
    MsgBoxDeferral* deferral = currentDeferral();
    // A question needs its answer now; it cannot wait.
    if (!deferral || !deferral->m_owner || call.buttons() != vbOKOnly)
        return false;
    deferral->m_calls << call;
    return true;
}

void setMsgBoxHook(MsgBoxHook hook) {
    hookSlot() = std::move(hook);
}

int MsgBox(const QString& prompt, int style, const QString& title, QWidget* owner) {
    const MsgBoxCall call{prompt, style, title, owner};
    if (MsgBoxDeferral::defer(call))
        return vbOK;
    if (hookSlot())
        return hookSlot()(call);

    QMessageBox box(iconFor(style), title, prompt, QMessageBox::NoButton,
                    owner ? owner : QApplication::activeWindow());
    box.setObjectName(QStringLiteral("MsgBox"));
    box.setAccessibleName(title);
    box.setTextFormat(Qt::PlainText);
    if ((style & 0x0F) == vbYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton((style & vbDefaultButton2) ? QMessageBox::No : QMessageBox::Yes);
        return execModal(box) == QMessageBox::Yes ? vbYes : vbNo;
    }
    box.setStandardButtons(QMessageBox::Ok);
    execModal(box);
    return vbOK;
}
