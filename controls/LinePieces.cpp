#include "controls/LinePieces.h"

#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>

bool needsShaping(QStringView text) {
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x300) {
            if (u == 0xAD) // the soft hyphen is hidden by shaping
                return true;
            continue;
        }
        if (c.isMark())
            return true;
        const bool plain = (u >= 0x370 && u <= 0x52F) || (u >= 0x1E00 && u <= 0x1FFF) ||
                           (u >= 0x2010 && u <= 0x2027) || (u >= 0x2030 && u <= 0x205E) ||
                           (u >= 0x2070 && u <= 0x2BFF) ||
                           (u >= 0x3000 && u <= 0x9FFF && u != 0x3164) ||
                           (u >= 0xAC00 && u <= 0xD7A3) || (u >= 0xF900 && u <= 0xFAFF) ||
                           (u >= 0xFF01 && u <= 0xFFEF && u != 0xFFA0);
        if (!plain)
            return true;
    }
    return false;
}

bool LinePieces::suits(QStringView text) {
    return !text.contains(u'\t') && !needsShaping(text);
}

QString blockRange(const QTextBlock& block, int from, int to) {
    // Read from the block's fragments, not through a text cursor: placing a cursor asks the line's
    // layout where the cursor stands, which on a long line means a walk over all of it, or
    // laying it out.
    QString text;
    if (to <= from)
        return text;
    text.reserve(to - from);
    const QTextDocument* document = block.document();
    const int start = block.position() + from;
    const int end = block.position() + to;
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int fragmentEnd = fragment.position() + fragment.length();
        const int a = qMax(start, fragment.position());
        const int b = qMin(end, fragmentEnd);
        if (fragment.position() >= end)
            break;
        if (b <= a)
            continue;
        if (fragment.length() <= 2 * (b - a) + 64) {
            text += QStringView(fragment.text()).mid(a - fragment.position(), b - a);
        } else {
            // Only the part needed of a large fragment (a whole loaded line is one).
            for (int i = a; i < b; ++i)
                text += document->characterAt(i);
        }
    }
    return text;
}

qreal LinePieces::advance(const QString& text, const QFont& font, const QTextOption& option) {
    if (text.isEmpty())
        return 0;
    QTextLayout layout(text, font);
    layout.setTextOption(option);
    // The line's own layout goes without shaping (see needsShaping), which changes advances.
    QTextLayout::FormatRange plain;
    plain.start = 0;
    plain.length = int(text.size());
    plain.format.setFontStyleStrategy(QFont::PreferNoShaping);
    layout.setFormats({plain});
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(qreal(INT_MAX) / 4);
    layout.endLayout();
    return line.cursorToX(int(text.size())) - line.cursorToX(0);
}

std::optional<LinePieces> LinePieces::measure(const QTextBlock& block) {
    const QTextLayout* layout = block.layout();
    if (layout->lineCount() != 1 || !layout->preeditAreaText().isEmpty() ||
        block.textDirection() != Qt::LeftToRight)
        return std::nullopt;
    const QString text = block.text(); // taken once: a long line is megabytes
    if (!suits(text))
        return std::nullopt;
    const QTextLine line = layout->lineAt(0);
    LinePieces pieces;
    pieces.m_length = block.length() - 1;
    pieces.m_font = block.document()->defaultFont();
    pieces.m_option = layout->textOption();
    pieces.m_option.setTextDirection(Qt::LeftToRight);
    pieces.m_left = line.cursorToX(0);
    // Measured character by character: asking the line for the x of every piece's start would
    // walk the whole line each time.
    pieces.m_pieces = pieces.measurePieces(text);
    pieces.takeLineFrom(block);
    return pieces;
}

void LinePieces::takeLineFrom(const QTextBlock& block) {
    const QTextLayout* layout = block.layout();
    if (layout->lineCount() != 1)
        return;
    const QTextLine line = layout->lineAt(0);
    m_widthWhenLaidOut = width();
    // The editor's own layout gives the block this rectangle (see QPlainTextDocumentLayout).
    const qreal margin = block.document()->documentMargin();
    QRectF rect(QPointF(0, 0), layout->boundingRect().bottomRight());
    rect.setWidth(qMax(rect.width(), line.naturalTextWidth()));
    rect.adjust(0, 0, margin, block.next().isValid() ? 0 : margin);
    m_rectWhenLaidOut = rect;
    m_lineY = line.y();
    m_lineHeight = line.height();
}

bool LinePieces::fits(const QTextBlock& block) const {
    return m_length == block.length() - 1 && m_font == block.document()->defaultFont();
}

qreal LinePieces::characterAdvance(QChar c) const {
    // Without shaping every character has its own advance wherever it stands, and the line's
    // layout adds them up, so a line's widths are sums of these.
    const char16_t u = c.unicode();
    if (u < m_latin.size() && m_latin[u] >= 0)
        return m_latin[u];
    if (const auto found = m_advances.constFind(u); found != m_advances.constEnd())
        return *found;
    const qreal measured = advance(QString(c), m_font, m_option);
    if (u < m_latin.size())
        m_latin[u] = measured;
    else
        m_advances.insert(u, measured);
    return measured;
}

qreal LinePieces::widthOf(QStringView text) const {
    qreal sum = 0;
    for (const QChar c : text)
        sum += characterAdvance(c);
    return sum;
}

qreal LinePieces::width() const {
    qreal sum = 0;
    for (const Piece& piece : m_pieces)
        sum += piece.width;
    return sum;
}

std::vector<LinePieces::Piece> LinePieces::measurePieces(const QString& text) const {
    std::vector<Piece> pieces;
    const int length = int(text.size());
    const int count = qMax(1, (length + kPieceLength / 2) / kPieceLength);
    for (int i = 0; i < count; ++i) {
        const int a = int(qint64(length) * i / count);
        const int b = int(qint64(length) * (i + 1) / count);
        if (b > a)
            pieces.push_back({b - a, widthOf(QStringView(text).mid(a, b - a))});
    }
    return pieces;
}

bool LinePieces::follow(const QTextBlock& block, int at, int removed, int added) {
    if (at < 0 || removed < 0 || added < 0 || at + removed > m_length ||
        m_length - removed + added != block.length() - 1)
        return false;
    if (added > 0 && !suits(blockRange(block, at, at + added)))
        return false;
    // The pieces the edit touches become one stretch, measured again.
    std::size_t first = 0;
    int start = 0;
    while (first + 1 < m_pieces.size() && start + m_pieces[first].length <= at) {
        start += m_pieces[first].length;
        ++first;
    }
    std::size_t last = first;
    int end = start + (m_pieces.empty() ? 0 : m_pieces[first].length);
    while (last + 1 < m_pieces.size() && end < at + removed) {
        ++last;
        end += m_pieces[last].length;
    }
    const int newEnd = end - removed + added;
    std::vector<Piece> measured = measurePieces(blockRange(block, start, newEnd));
    if (m_pieces.empty())
        m_pieces = std::move(measured);
    else
        m_pieces.erase(m_pieces.begin() + std::ptrdiff_t(first),
                       m_pieces.begin() + std::ptrdiff_t(last) + 1);
    m_pieces.insert(m_pieces.begin() + std::ptrdiff_t(first), measured.begin(), measured.end());
    m_length = block.length() - 1;
    return true;
}

qreal LinePieces::cursorToX(const QTextBlock& block, int position) const {
    position = qBound(0, position, m_length);
    qreal x = m_left;
    int start = 0;
    for (const Piece& piece : m_pieces) {
        if (position < start + piece.length)
            return x + widthOf(blockRange(block, start, position));
        start += piece.length;
        x += piece.width;
    }
    return x;
}

int LinePieces::xToCursor(const QTextBlock& block, qreal x) const {
    qreal left = m_left;
    int start = 0;
    for (const Piece& piece : m_pieces) {
        if (x < left + piece.width) {
            for (const QChar c : blockRange(block, start, start + piece.length)) {
                const qreal advance = characterAdvance(c);
                if (x < left + advance / 2)
                    return start;
                left += advance;
                ++start;
            }
            return start;
        }
        left += piece.width;
        start += piece.length;
    }
    return m_length;
}

LinePieces::Span LinePieces::span(qreal left, qreal right) const {
    Span found;
    found.x = m_left;
    qreal x = m_left;
    int start = 0;
    bool started = false;
    for (const Piece& piece : m_pieces) {
        const qreal next = x + piece.width;
        if (!started && next > left) {
            found.from = start;
            found.x = x;
            started = true;
        }
        if (started && x >= right)
            break;
        start += piece.length;
        x = next;
        found.to = start;
    }
    if (!started) {
        found.from = found.to = m_length;
        found.x = x;
    }
    return found;
}

QRectF LinePieces::blockRect() const {
    QRectF rect = m_rectWhenLaidOut;
    rect.setWidth(qMax<qreal>(0, rect.width() + width() - m_widthWhenLaidOut));
    return rect;
}
