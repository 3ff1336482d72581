#include "controls/LongLinePainting.h"

#include "controls/LinePieces.h"

#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>

namespace {
// Characters laid out on either side of the ones the clip shows, so that no glyph at its edges
// is cut from what shapes it.
constexpr int kShownMargin = 32;

// The block layout's text from `from` to `to`: the block's own text, with the input method's
// preedit string where the layout shows it.
QString layoutText(const QTextBlock& block, int from, int to) {
    const QTextLayout* layout = block.layout();
    const QString preedit = layout->preeditAreaText();
    if (preedit.isEmpty())
        return blockRange(block, from, to);
    const int at = layout->preeditAreaPosition();
    const int length = int(preedit.size());
    const int inFrom = qBound(0, from - at, length);
    const int inTo = qBound(0, to - at, length);
    return blockRange(block, qMin(from, at), qMin(to, at)) + preedit.mid(inFrom, inTo - inFrom) +
           blockRange(block, qMax(from, at + length) - length, qMax(to, at + length) - length);
}

// Format ranges of the line cut to the part [from, to) and placed in it. A range that runs on
// past the line's end keeps its last character (the line break) where `throughEnd`.
QList<QTextLayout::FormatRange> cutToPart(const QList<QTextLayout::FormatRange>& ranges, int from,
                                          int to, bool throughEnd) {
    QList<QTextLayout::FormatRange> cut;
    for (const QTextLayout::FormatRange& range : ranges) {
        const int start = qMax(range.start, from);
        const int end =
            throughEnd ? range.start + range.length : qMin(range.start + range.length, to);
        if (end > start)
            cut.append({start - from, end - start, range.format});
    }
    return cut;
}

// Lays `part`, which holds [from, to) of the block's line, out as one line of its own at
// `topLeft` (the line's layout positions), with the line's options and formats.
QTextLine layOutPart(QTextLayout& part, const QTextBlock& block, int from, int to,
                     const QPointF& topLeft, qreal width) {
    const QTextLayout* layout = block.layout();
    QTextOption option = layout->textOption();
    option.setTextDirection(Qt::LeftToRight);
    part.setTextOption(option);
    part.setFormats(cutToPart(layout->formats(), from, to, false));
    part.beginLayout();
    QTextLine partLine = part.createLine();
    partLine.setLeadingIncluded(true);
    partLine.setLineWidth(width);
    partLine.setPosition(topLeft);
    part.endLayout();
    return partLine;
}

// Whether the characters would be placed or ordered by what comes before them in ways a part of
// the line on its own cannot repeat: tabs (their stops count from the line's start),
// right-to-left text and explicit direction marks.
bool needsWholeLine(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (c == u'\t')
            return true;
        if (c < 0x0590)
            continue; // no right-to-left script or direction mark below the Hebrew block
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
        switch (QChar::direction(c)) {
        case QChar::DirR:
        case QChar::DirAL:
        case QChar::DirAN:
        case QChar::DirRLE:
        case QChar::DirRLO:
        case QChar::DirLRE:
        case QChar::DirLRO:
        case QChar::DirPDF:
        case QChar::DirRLI:
        case QChar::DirLRI:
        case QChar::DirFSI:
        case QChar::DirPDI:
            return true;
        default:
            break;
        }
    }
    return false;
}

// A position where a part may start or end: not inside a surrogate pair or before a mark that
// belongs to the character in front of it.
bool startsCluster(QStringView text, qsizetype at) {
    if (at <= 0 || at >= text.size())
        return true;
    const QChar c = text[at];
    return !c.isLowSurrogate() && !c.isMark() && c != QChar(0x200D) &&
           !text[at - 1].isHighSurrogate() && text[at - 1] != QChar(0x200D);
}
} // namespace

bool drawShownPart(QPainter* painter, const QTextBlock& block, const QPointF& position,
                   const QRectF& clip, const ShownPartSelection& selection) {
    QTextLayout* layout = block.layout();
    if (layout->lineCount() != 1 || block.textDirection() != Qt::LeftToRight)
        return false;
    const QTextLine line = layout->lineAt(0);
    const int length = block.length() - 1 + int(layout->preeditAreaText().size());

    // The characters the clip shows, with a margin, taken from the line's own glyph positions.
    const qreal left = clip.left() - position.x();
    const qreal right = clip.right() + 1 - position.x();
    int from = qMax(0, line.xToCursor(left, QTextLine::CursorOnCharacter) - kShownMargin);
    int to = qMin(length, line.xToCursor(right, QTextLine::CursorOnCharacter) + kShownMargin);
    if (to <= from)
        return false;
    // A few characters more on each side decide where a character cluster starts.
    const int fetchFrom = qMax(0, from - 8);
    const int fetchTo = qMin(length, to + 8);
    const QString around = layoutText(block, fetchFrom, fetchTo);
    if (around.size() != fetchTo - fetchFrom || needsWholeLine(around))
        return false;
    while (from > fetchFrom && !startsCluster(around, from - fetchFrom))
        --from;
    while (to < fetchTo && !startsCluster(around, to - fetchFrom))
        ++to;
    if (!startsCluster(around, from - fetchFrom) || !startsCluster(around, to - fetchFrom))
        return false;
    const QString text = around.mid(from - fetchFrom, to - from);

    QTextLayout part(text, block.document()->defaultFont());
    const QTextLine partLine =
        layOutPart(part, block, from, to, QPointF(line.cursorToX(from), line.y()), line.width());
    if (part.lineCount() != 1 || partLine.textLength() != text.size() ||
        partLine.ascent() != line.ascent() || partLine.descent() != line.descent() ||
        partLine.leading() != line.leading() || partLine.height() != line.height())
        return false;

    // A selection that runs on past the line's end keeps its last character (the line break)
    // only where the part ends with the line.
    part.draw(painter, position, cutToPart(selection.selections, from, to, to == length), clip);
    // The caret takes its height from the run of text it is in, which the part may cut
    // differently: the whole line's layout draws it, which costs one walk to it, not a drawing.
    if (selection.cursorPosition >= from && selection.cursorPosition <= to)
        layout->drawCursor(painter, position, selection.cursorPosition, selection.cursorWidth);
    return true;
}

void drawWaitingLine(QPainter* painter, const QTextBlock& block, const QPointF& position,
                     const QRectF& clip, const ShownPartSelection& selection,
                     const LinePieces& pieces) {
    const LinePieces::Span span =
        pieces.span(clip.left() - position.x(), clip.right() + 1 - position.x());
    const int from = span.from;
    const int to = span.to;
    const int length = pieces.length();

    QTextLayout part(blockRange(block, from, to), block.document()->defaultFont());
    layOutPart(part, block, from, to, QPointF(span.x, pieces.lineY()), qreal(INT_MAX) / 4);
    part.draw(painter, position, cutToPart(selection.selections, from, to, to == length), clip);
    if (selection.cursorPosition >= from && selection.cursorPosition <= to)
        part.drawCursor(painter, position, selection.cursorPosition - from, selection.cursorWidth);
}
