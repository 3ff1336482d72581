#pragma once
// Gives the keyboard back to a module's window when one of its dialogs closes.
//
// Window managers do this themselves; a bare X server (and the test tools that drive a program on
// one) leaves the focus on the root window, where keys typed after the dialog reach no window of
// the program at all.

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QObject>
#include <QTimer>

namespace modules {

class DialogFocusReturn : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide) {
            const auto* dialog = qobject_cast<QDialog*>(watched);
            if (dialog && dialog->isWindow() && dialog->parentWidget()) {
                QWidget* owner = dialog->parentWidget()->window();
                // Once the window system has taken the activation away from the closed dialog.
                QTimer::singleShot(0, owner, [owner] {
                    const QWidget* active = QApplication::activeWindow();
                    if (owner->isVisible() && (!active || !active->isVisible()))
                        owner->activateWindow();
                });
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

// For every dialog of the running program, once, before its first window shows.
inline void returnFocusAfterDialogs(QApplication& app) {
    app.installEventFilter(new DialogFocusReturn(&app));
}

} // namespace modules
