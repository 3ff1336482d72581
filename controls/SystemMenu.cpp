#include "controls/SystemMenu.h"

#include "controls/WindowStyle.h"

#include <QAction>
#include <QMdiSubWindow>
#include <QMenu>

#include <algorithm>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {
void removeFromMdiMenu(QMdiSubWindow* child) {
    // The child's own menu: Restore, Move, Size, Minimize, Maximize, Stay on top, separator,
    // Close. Close goes, with the separator right above it.
    if (QMenu* menu = child->systemMenu()) {
        const QList<QAction*> actions = menu->actions();
        for (qsizetype i = actions.size() - 1; i >= 0; --i) {
            QAction* action = actions[i];
            if (!action->isSeparator() && action->shortcuts().contains(QKeySequence::Close)) {
                menu->removeAction(action);
                // The child also carries the menu's actions for their shortcuts (Ctrl+F4,
                // Ctrl+W), which would otherwise still close it and clash with the main menu.
                child->removeAction(action);
                action->setShortcuts({});
                action->setEnabled(false);
                if (i > 0 && actions[i - 1]->isSeparator())
                    menu->removeAction(actions[i - 1]);
                break;
            }
        }
    }
    // With its Close command gone the window shows no close box (the program's style reads this).
    child->setProperty(WindowStyle::NoCloseBoxProperty, true);
    child->update();
}
} // namespace

void limitCloseShortcut(QMdiSubWindow* child) {
    QMenu* menu = child->systemMenu();
    if (!menu)
        return;
    // The platform's Close keys differ: Ctrl+F4 and Ctrl+W on some desktops, only Ctrl+W on others.
    const QKeySequence ctrlF4(Qt::CTRL | Qt::Key_F4);
    QList<QKeySequence> closeKeys = QKeySequence::keyBindings(QKeySequence::Close);
    closeKeys << ctrlF4;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator())
            continue;
        const QList<QKeySequence> keys = action->shortcuts();
        if (std::any_of(keys.begin(), keys.end(),
                        [&](const QKeySequence& key) { return closeKeys.contains(key); })) {
            action->setShortcuts({ctrlF4});
            return;
        }
    }
}

void RemoveCloseCommand(QWidget* window) {
    if (auto* child = qobject_cast<QMdiSubWindow*>(window)) {
        removeFromMdiMenu(child);
        return;
    }
#ifdef Q_OS_WIN
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(window->winId()), FALSE);
    if (menu) {
        RemoveMenu(menu, 6, MF_BYPOSITION);
        RemoveMenu(menu, 5, MF_BYPOSITION);
    }
#else
    // Elsewhere the window manager is asked to draw no close box.
    const bool visible = window->isVisible();
    window->setWindowFlags((window->windowFlags() | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint) &
                           ~Qt::WindowCloseButtonHint);
    if (visible)
        window->show();
#endif
}
