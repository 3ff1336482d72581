#pragma once
// Layout units and colour numbers of the window definitions.

#include <QColor>
#include <QPalette>
#include <QRect>
#include <optional>

class QWidget;

// 1440 twips make an inch; pixels follow the screen's logical DPI.
int twipsToPixelsX(double twips);
int twipsToPixelsY(double twips);
double pixelsToTwipsX(int pixels);
double pixelsToTwipsY(int pixels);
QRect twipsRect(double left, double top, double width, double height);

// Colour numbers are 0x00BBGGRR; a number with the top bit set names a system colour by the
// index in its low byte. Returns nothing for a system colour index that does not exist.
std::optional<QColor> colorFromVB(quint32 value, const QPalette& palette);
quint32 vbFromColor(const QColor& colour);

// Font sizes are given in points; missing faces get a close substitute.
void installFontSubstitutes();

class QLabel;
// A substitute face is often wider than the one a layout was drawn for: shrinks the label's font
// until its text fits the label's box again.
void shrinkFontToFit(QLabel* label);
