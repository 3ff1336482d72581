#include "controls/Twips.h"

#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace {
double logicalDpiX() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchX() : 96.0;
}
double logicalDpiY() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInchY() : 96.0;
}

// The classic system colour indexes, by the palette role that paints the same thing today.
std::optional<QColor> systemColour(int index, const QPalette& p) {
    switch (index) {
    case 0: // scroll bar
        return p.color(QPalette::Button);
    case 1: // desktop
        return p.color(QPalette::Dark);
    case 2: // active caption
        return p.color(QPalette::Highlight);
    case 3: // inactive caption
        return p.color(QPalette::Inactive, QPalette::Highlight);
    case 4: // menu
        return p.color(QPalette::Window);
    case 5: // window background
        return p.color(QPalette::Base);
    case 6: // window frame
        return p.color(QPalette::Shadow);
    case 7: // menu text
        return p.color(QPalette::WindowText);
    case 8: // window text
        return p.color(QPalette::Text);
    case 9: // caption text
        return p.color(QPalette::HighlightedText);
    case 10: // active border
    case 11: // inactive border
        return p.color(QPalette::Window);
    case 12: // application workspace
        return p.color(QPalette::Dark);
    case 13: // highlight
        return p.color(QPalette::Highlight);
    case 14: // highlighted text
        return p.color(QPalette::HighlightedText);
    case 15: // button face
        return p.color(QPalette::Button);
    case 16: // button shadow
        return p.color(QPalette::Mid);
    case 17: // grey text
        return p.color(QPalette::Disabled, QPalette::Text);
    case 18: // button text
        return p.color(QPalette::ButtonText);
    case 19: // inactive caption text
        return p.color(QPalette::Inactive, QPalette::HighlightedText);
    case 20: // button highlight
        return p.color(QPalette::Light);
    case 21: // 3-D dark shadow
        return p.color(QPalette::Shadow);
    case 22: // 3-D light
        return p.color(QPalette::Midlight);
    case 23: // tool-tip text
        return p.color(QPalette::ToolTipText);
    case 24: // tool-tip background
        return p.color(QPalette::ToolTipBase);
    default:
        return std::nullopt;
    }
}
} // namespace

int twipsToPixelsX(double twips) {
    return int(std::lround(twips * logicalDpiX() / 1440.0));
}
int twipsToPixelsY(double twips) {
    return int(std::lround(twips * logicalDpiY() / 1440.0));
}
double pixelsToTwipsX(int pixels) {
    return pixels * 1440.0 / logicalDpiX();
}
double pixelsToTwipsY(int pixels) {
    return pixels * 1440.0 / logicalDpiY();
}

QRect twipsRect(double left, double top, double width, double height) {
    return QRect(twipsToPixelsX(left), twipsToPixelsY(top), twipsToPixelsX(width),
                 twipsToPixelsY(height));
}

std::optional<QColor> colorFromVB(quint32 value, const QPalette& palette) {
    if (value & 0x80000000u) {
        if (value & 0x7FFFFF00u)
            return std::nullopt;
        return systemColour(int(value & 0xFFu), palette);
    }
    if (value & 0xFF000000u)
        return std::nullopt;
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

quint32 vbFromColor(const QColor& colour) {
    return quint32(colour.red()) | (quint32(colour.green()) << 8) | (quint32(colour.blue()) << 16);
}

void installFontSubstitutes() {
    // Faces the window definitions name, with free faces Debian ships in their place.
    QFont::insertSubstitutions(QStringLiteral("Ashbury"),
                               {QStringLiteral("URW Bookman"), QStringLiteral("DejaVu Serif"),
                                QStringLiteral("Liberation Serif"), QStringLiteral("serif")});
    QFont::insertSubstitutions(QStringLiteral("OCR A Extended"),
                               {QStringLiteral("OCR A"), QStringLiteral("DejaVu Sans Mono"),
                                QStringLiteral("Liberation Mono"), QStringLiteral("monospace")});
    QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                                QStringLiteral("sans-serif")});
    QFont::insertSubstitutions(QStringLiteral("Courier New"),
                               {QStringLiteral("Liberation Mono"),
                                QStringLiteral("DejaVu Sans Mono"), QStringLiteral("monospace")});
}

#include <QFontMetricsF>
#include <QLabel>

void shrinkFontToFit(QLabel* label) {
    QFont font = label->font();
    const QSizeF room = label->contentsRect().size();
    while (font.pointSizeF() > 6.0) {
        const QFontMetricsF metrics(font);
        if (metrics.horizontalAdvance(label->text()) <= room.width() &&
            metrics.height() <= room.height() + 1)
            break;
        font.setPointSizeF(font.pointSizeF() - 0.25);
    }
    label->setFont(font);
}
