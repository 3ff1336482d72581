#include "controls/ToolBar.h"

#include <QActionEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QToolButton>
#include <QToolTip>

namespace {
const char* const kKey = "Key";
const char* const kToolTip = "ToolTipText";
} // namespace

ToolBar::ToolBar(const QString& name, const QString& title, QWidget* parent)
    : QToolBar(title, parent) {
    setObjectName(name);
    setAccessibleName(title);
    setMovable(false);
    setFloatable(false);
}

QAction* ToolBar::addPictureButton(const QString& key, const QIcon& icon, const QString& meaning) {
    auto* action = new QAction(icon, meaning, this);
    action->setObjectName(key);
    action->setProperty(kKey, key);
    action->setProperty(kToolTip, QString());
    connect(action, &QAction::triggered, this, [this, key] { emit ButtonClick(key); });
    addAction(action);
    if (QWidget* w = widgetForAction(action))
        w->setAccessibleName(meaning);
    return action;
}

QAction* ToolBar::addDropDownButton(const QString& caption, const QString& name) {
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    action->setProperty(kKey, QString());
    action->setProperty(kToolTip, QString());
    auto* menu = new QMenu(this);
    menu->setObjectName(name + QStringLiteral("Menu"));
    menu->setAccessibleName(caption);
    action->setMenu(menu);
    connect(action, &QAction::triggered, this, [this] { emit ButtonClick(QString()); });
    addAction(action);
    if (auto* button = qobject_cast<QToolButton*>(widgetForAction(action))) {
        button->setPopupMode(QToolButton::MenuButtonPopup);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setAccessibleName(caption);
        button->setObjectName(name + QStringLiteral("Button"));
    }
    return action;
}

QAction* ToolBar::addButtonMenu(QAction* button, const QString& text, const QString& key) {
    QAction* entry = button->menu()->addAction(text);
    entry->setObjectName(key);
    entry->setProperty(kKey, key);
    entry->setProperty("accessibleName", text);
    connect(entry, &QAction::triggered, this, [this, key] { emit ButtonMenuClick(key); });
    return entry;
}

QList<QAction*> ToolBar::Buttons() const {
    QList<QAction*> buttons;
    for (QAction* action : actions())
        if (!action->isSeparator())
            buttons << action;
    return buttons;
}

QAction* ToolBar::Button(int index) const {
    const QList<QAction*> buttons = Buttons();
    return index >= 1 && index <= buttons.size() ? buttons[index - 1] : nullptr;
}

void ToolBar::setToolTipText(QAction* button, const QString& text) {
    button->setProperty(kToolTip, text);
    button->setToolTip(text);
}

QString ToolBar::ToolTipText(const QAction* button) {
    return button->property(kToolTip).toString();
}

void ToolBar::actionEvent(QActionEvent* event) {
    QToolBar::actionEvent(event);
    if (event->type() == QEvent::ActionAdded)
        if (QWidget* w = widgetForAction(event->action()))
            w->installEventFilter(this);
}

bool ToolBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        if (auto* button = qobject_cast<QToolButton*>(watched)) {
            const QAction* action = button->defaultAction();
            const QString text = action ? ToolTipText(action) : QString();
            auto* help = static_cast<QHelpEvent*>(event);
            if (text.isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(help->globalPos(), text, button);
            return true;
        }
    }
    return QToolBar::eventFilter(watched, event);
}
