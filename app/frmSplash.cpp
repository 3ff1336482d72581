#include "app/frmSplash.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include "app/frmMain.h"
#include "app/modGeneral.h"
#include "browser/WebEngineWarmUp.h"
#include "controls/Twips.h"
#include "resources/Texts.h"

namespace {
QFont makeFont(const QString& family, double points, bool bold = false) {
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}
} // namespace

frmSplash::frmSplash(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      Timer(new QTimer(this)) {
    setObjectName(QStringLiteral("frmSplash"));
    setAccessibleName(Texts::AppTitle);
    setAttribute(Qt::WA_DeleteOnClose);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setFixedSize(twipsToPixelsX(6015), twipsToPixelsY(2895));

    Timer->setObjectName(QStringLiteral("Timer"));
    // The splash shows its full time, neither cut short nor drawn out by timer coalescing.
    Timer->setTimerType(Qt::PreciseTimer);
    connect(Timer, &QTimer::timeout, this, &frmSplash::Timer_Timer);

    lblTitle = addLabel(QStringLiteral("lblTitle"), Texts::AppTitle, QRect(120, 840, 5775, 735),
                        makeFont(QStringLiteral("Ashbury"), 36));
    lblVersion = addLabel(QStringLiteral("lblVersion"), Texts::Version, QRect(120, 1680, 3135, 375),
                          makeFont(QStringLiteral("OCR A Extended"), 14.25, true));
    lblDesignedFor =
        addLabel(QStringLiteral("lblDesignedFor"), QStringLiteral("Designed for:"),
                 QRect(4800, 1680, 975, 255), makeFont(QStringLiteral("Tahoma"), 8.25));
    lblCopyright = addLabel(QStringLiteral("lblCopyright"), Texts::Copyright,
                            QRect(120, 2640, 4575, 255), makeFont(QStringLiteral("Tahoma"), 8.25));
    lblCopyright->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    imgWinLogo = new QLabel(this);
    imgWinLogo->setObjectName(QStringLiteral("imgWinLogo"));
    imgWinLogo->setAccessibleName(QStringLiteral("Logó"));
    imgWinLogo->setGeometry(twipsRect(4560, 1920, 1530, 930));
    imgWinLogo->setPixmap(QPixmap(QStringLiteral(":/icons/splash-logo.png")));
    imgWinLogo->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // Centred on the screen.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.center() - rect().center());
    }
}

QLabel* frmSplash::addLabel(const QString& name, const QString& text, const QRect& twips,
                            const QFont& font) {
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    label->setAccessibleName(text);
    label->setFont(font);
    label->setGeometry(twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    shrinkFontToFit(label);
    return label;
}

frmSplash::~frmSplash() {
    delete m_main; // made but never handed over (the program ended during the splash)
}

void frmSplash::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (!m_painted) {
        m_painted = true;
        // Once the splash is on the screen, the idle time it shows is used to make the main
        // window, hidden; the timer then loads and shows it as before.
        QTimer::singleShot(0, this, &frmSplash::buildMainWindow);
    }
    // shpBorder: the outline that draws the window's border.
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void frmSplash::buildMainWindow() {
    if (m_fired || m_main)
        return; // already handed over, or made
    m_main = new frmMain;
    m_main->winId(); // its native window too, not yet shown
}

frmMain* frmSplash::takeMainWindow() {
    frmMain* main = m_main ? m_main.data() : new frmMain;
    m_main = nullptr;
    return main;
}

void frmSplash::Timer_Timer() {
    if (m_fired)
        return; // the main window is made exactly once
    m_fired = true;
    Timer->stop();

    repaint(); // fully drawn while the main window loads
    frmMain* main = takeMainWindow();
    modGeneral::setMainWindow(main);
    main->setQuitOnUnload(true);
    main->Load();
    close();
    main->show();
    main->raise();
    main->activateWindow();
    WebEngineWarmUp::schedule(main);
}
