#pragma once
// Drawing a very long line without walking all of it. QTextLayout::draw goes through every glyph
// of a line, also the ones far outside the clip; for a line of a million characters that is most
// of a repaint. The part that can be seen is drawn instead from a small layout of its own, placed
// where the line's own layout has its first character, with the same formats, selections and
// caret.

#include <QList>
#include <QRectF>
#include <QTextLayout>

class LinePieces;
class QPainter;
class QTextBlock;

struct ShownPartSelection {
    QList<QTextLayout::FormatRange> selections; // in the block layout's positions
    int cursorPosition = -1;                    // a caret to draw there, or -1
    int cursorWidth = 1;
};

// Draws what `clip` shows of the block's one laid-out line at `position`, as
// QTextLayout::draw and drawCursor would. Returns false without drawing anything where the small
// layout could not look the same (text in both directions, glyphs of other heights outside it,
// a line not laid out as one line); the caller then draws the whole line.
bool drawShownPart(QPainter* painter, const QTextBlock& block, const QPointF& position,
                   const QRectF& clip, const ShownPartSelection& selection);

// Draws what `clip` shows of a block whose line waits for its layout, from its pieces: the same
// text, formats, selections and caret, placed where the layout will place them.
void drawWaitingLine(QPainter* painter, const QTextBlock& block, const QPointF& position,
                     const QRectF& clip, const ShownPartSelection& selection,
                     const LinePieces& pieces);
