#include "controls/StatusBar.h"

#include <QApplication>
#include <QDate>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QTimer>

#include "controls/KeyboardState.h"
#include "controls/Twips.h"
#include "resources/Texts.h"

StatusBar::StatusBar(QWidget* parent) : QStatusBar(parent), m_timer(new QTimer(this)) {
    setObjectName(QStringLiteral("StatusBar"));
    setAccessibleName(QStringLiteral("Állapotsor"));
    QFont tahoma(QStringLiteral("Tahoma"));
    tahoma.setPointSizeF(8.25);
    setFont(tahoma);
    setSizeGripEnabled(true);

    // The copyright notice gives way first; the date and the indicators keep their whole text.
    QLabel* copyright = addPanel(QStringLiteral("Panel1"), 4000, false);
    copyright->setText(Texts::Copyright);
    copyright->setToolTip(Texts::Copyright);
    addPanel(QStringLiteral("Panel2"), 1351);
    addPanel(QStringLiteral("Panel3"), 1351)->setText(QStringLiteral("NUM"));
    addPanel(QStringLiteral("Panel4"), 1351)->setText(QStringLiteral("CAPS"));
    addPanel(QStringLiteral("Panel5"), 1350)->setText(QStringLiteral("INS"));
    setInsertMode(true);

    // The lock keys are read from the window system; where it cannot tell, key presses are
    // followed instead.
    qApp->installEventFilter(this);
    connect(m_timer, &QTimer::timeout, this, &StatusBar::refresh);
    m_timer->start(300);
    refresh();
}

namespace {
// A panel keeps its laid-out width but gives way when the window is made narrower.
class PanelLabel : public QLabel {
public:
    PanelLabel(int width, bool keepsText, QWidget* parent)
        : QLabel(parent), m_width(width), m_keepsText(keepsText) {}
    QSize sizeHint() const override {
        return {qMax(m_width, minimumSizeHint().width()), QLabel::sizeHint().height()};
    }
    QSize minimumSizeHint() const override {
        return {m_keepsText ? QLabel::sizeHint().width() : 0, QLabel::minimumSizeHint().height()};
    }

private:
    int m_width;
    bool m_keepsText;
};
} // namespace

QLabel* StatusBar::addPanel(const QString& name, double widthTwips, bool keepsText) {
    auto* label = new PanelLabel(twipsToPixelsX(widthTwips), keepsText, this);
    label->setObjectName(name);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    addWidget(label);
    m_panels << label;
    return label;
}

QLabel* StatusBar::Panel(int index) const {
    return index >= 1 && index <= m_panels.size() ? m_panels[index - 1] : nullptr;
}

void StatusBar::setInsertMode(bool on) {
    Panel(5)->setEnabled(on);
    Panel(5)->setAccessibleName(on ? QStringLiteral("INS") : QStringLiteral("OVR"));
}

void StatusBar::refresh() {
    const QString date = QLocale().toString(QDate::currentDate(), QLocale::ShortFormat);
    if (Panel(2)->text() != date)
        Panel(2)->setText(date);
    if (const auto keys = readLockKeys()) {
        m_numLock = keys->numLock;
        m_capsLock = keys->capsLock;
    }
    Panel(3)->setEnabled(m_numLock);
    Panel(4)->setEnabled(m_capsLock);
}

// As an application-wide filter this also sees the web engine's own windows, whose classes are
// built without run-time type information; the sanitizer's type check cannot judge those.
#if defined(__GNUC__) || defined(__clang__)
__attribute__((no_sanitize("vptr")))
#endif
bool StatusBar::eventFilter(QObject* watched, QEvent* event) {
    // Counted once, at the window that receives the key first.
    if (event->type() == QEvent::KeyPress && watched->isWindowType() && !readLockKeys()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_NumLock)
            m_numLock = !m_numLock;
        else if (key == Qt::Key_CapsLock)
            m_capsLock = !m_capsLock;
    }
    return QStatusBar::eventFilter(watched, event);
}
