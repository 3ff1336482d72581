#pragma once
// Every message box of the program goes through MsgBox, so tests can answer them.

#include "resources/Texts.h"

#include <QList>
#include <QString>
#include <functional>

class QWidget;

// Styles and answers, combined and compared like the classic message-box constants.
enum MsgBoxStyle : int {
    vbOKOnly = 0,
    vbYesNo = 4,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton2 = 256, // the second button (No) answers Enter
};

enum MsgBoxResult : int {
    vbOK = 1,
    vbYes = 6,
    vbNo = 7,
};

struct MsgBoxCall {
    QString prompt;
    int style = vbOKOnly;
    QString title;
    QWidget* owner = nullptr; // the window the box belongs to; nothing means the active one

    int buttons() const { return style & 0x0F; }
    int icon() const { return style & 0xF0; }
    int defaultButton() const { return style & 0xF00; }
};

// Shows a modal message box and returns the button pressed.
int MsgBox(const QString& prompt, int style = vbOKOnly, const QString& title = Texts::AppTitle,
           QWidget* owner = nullptr);

// While one lives, messages that only inform (OK boxes) wait instead of showing: once the owner
// is on screen they are shown one by one, owned by it. For work done before a window is shown
// (its load), when a box could otherwise end up behind a window that stays on top.
class MsgBoxDeferral {
public:
    explicit MsgBoxDeferral(QWidget* owner);
    ~MsgBoxDeferral();
    MsgBoxDeferral(const MsgBoxDeferral&) = delete;
    MsgBoxDeferral& operator=(const MsgBoxDeferral&) = delete;

private:
    friend int MsgBox(const QString&, int, const QString&, QWidget*);
    // True when the box was kept for later.
    static bool defer(const MsgBoxCall& call);

    QWidget* m_owner;
    QList<MsgBoxCall> m_calls;
    MsgBoxDeferral* m_outer;
};

// Test hook: when set, it answers instead of a real box.
using MsgBoxHook = std::function<int(const MsgBoxCall&)>;
void setMsgBoxHook(MsgBoxHook hook);
