#pragma once
// A toolbar whose buttons and drop-down entries are identified by key: a press reports
// ButtonClick with the button's key, a drop-down entry ButtonMenuClick with the entry's key.

#include <QString>
#include <QToolBar>

class QMenu;
class QToolButton;

class ToolBar : public QToolBar {
    Q_OBJECT
public:
    ToolBar(const QString& name, const QString& title, QWidget* parent = nullptr);

    // A picture button; meaning is its accessible name.
    QAction* addPictureButton(const QString& key, const QIcon& icon, const QString& meaning);
    // A drop-down button with a text caption: the face does nothing, the arrow opens its menu.
    QAction* addDropDownButton(const QString& caption, const QString& name);
    QAction* addButtonMenu(QAction* button, const QString& text, const QString& key);

    // Buttons in order, separators left out (index 1 is the first button).
    QList<QAction*> Buttons() const;
    QAction* Button(int index) const;

    // An empty text shows no tool tip at all (Qt would fall back to the caption).
    static void setToolTipText(QAction* button, const QString& text);
    static QString ToolTipText(const QAction* button);

signals:
    void ButtonClick(const QString& key);
    void ButtonMenuClick(const QString& key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void actionEvent(QActionEvent* event) override;
};
