#pragma once
// The main window's status bar: copyright, date, and the NUM, CAPS and INS indicators, which it
// keeps current by itself.

#include <QStatusBar>

class QLabel;
class QTimer;

class StatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit StatusBar(QWidget* parent = nullptr);

    QLabel* Panel(int index) const; // 1 to 5
    void setInsertMode(bool on);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refresh();
    // A panel that keeps its text gives way only down to the text's width.
    QLabel* addPanel(const QString& name, double widthTwips, bool keepsText = true);

    QList<QLabel*> m_panels;
    QTimer* m_timer;
    bool m_numLock = false;
    bool m_capsLock = false;
};
