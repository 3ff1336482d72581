#pragma once
// The splash window shown while the main window loads.

#include <QWidget>

class QLabel;
class QTimer;

class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);

    QTimer* Timer;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* lblDesignedFor;
    QLabel* imgWinLogo;
    QLabel* lblCopyright;

public slots:
    void Timer_Timer();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* addLabel(const QString& name, const QString& text, const QRect& twipsRect,
                     const QFont& font);
    bool m_fired = false;
};
