#pragma once
// Every message box of the program goes through MsgBox, so tests can answer them.

#include "resources/Texts.h"

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

    int buttons() const { return style & 0x0F; }
    int icon() const { return style & 0xF0; }
};

// Shows a modal message box and returns the button pressed.
int MsgBox(const QString& prompt, int style = vbOKOnly, const QString& title = Texts::AppTitle);

// Test hook: when set, it answers instead of a real box.
using MsgBoxHook = std::function<int(const MsgBoxCall&)>;
void setMsgBoxHook(MsgBoxHook hook);
