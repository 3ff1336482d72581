#pragma once
// The splash window shown while the main window loads.

#include <QPointer>
#include <QWidget>

class QLabel;
class frmMain;
class QTimer;

class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);
    ~frmSplash() override;

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
    void buildMainWindow();
    frmMain* takeMainWindow();

    bool m_fired = false;
    bool m_painted = false;
    // The main window, made out of sight while the splash shows, so that the timer only has to
    // load and show it.
    QPointer<frmMain> m_main;
};
