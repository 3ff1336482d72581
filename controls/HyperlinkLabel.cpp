#include "controls/HyperlinkLabel.h"

#include <QFontMetrics>
#include <QMouseEvent>

#include "controls/Twips.h"

HyperlinkLabel::HyperlinkLabel(QWidget* parent) : QLabel(parent) {
    QFont face(QStringLiteral("Tahoma"));
    face.setPointSizeF(9.75);
    face.setWeight(QFont::Bold); // 700
    face.setUnderline(true);
    setFont(face);
    setForegroundRole(QPalette::Highlight);
    setCursor(Qt::PointingHandCursor);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
}

void HyperlinkLabel::setCaption(const QString& caption) {
    setText(caption);
    setAccessibleName(caption);
}

void HyperlinkLabel::placeAt(const QRect& box, int maxRight) {
    QRect placed = box;
    const int needed = QFontMetrics(font()).horizontalAdvance(text()) + 2 * margin() + 2;
    if (needed > placed.width())
        placed.setWidth(qMin(needed, maxRight - placed.left()));
    setGeometry(placed);
    shrinkFontToFit(this);
}

void HyperlinkLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    QLabel::mousePressEvent(event);
}

void HyperlinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool clicked = m_pressed && event->button() == Qt::LeftButton &&
                         rect().contains(event->position().toPoint());
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (clicked)
        emit Click();
}
