#include "controls/TextChunks.h"

#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <vector>

using TextPieces::NarrowText;
using TextPieces::Piece;

namespace {
// Writes characters [from, to) of `piece` at `out`; returns where they end.
char16_t* writePart(char16_t* out, const Piece& piece, const NarrowText* narrow, qsizetype from,
                    qsizetype to) {
    if (!piece.isNarrow()) {
        std::copy_n(reinterpret_cast<const char16_t*>(piece.text.constData()) + from, to - from,
                    out);
        return out + (to - from);
    }
    const auto* bytes = reinterpret_cast<const uchar*>(narrow->bytes.constData()) + piece.from;
    for (qsizetype i = from; i < to; ++i)
        *out++ = narrow->characters[bytes[i]];
    return out;
}

void appendPart(QString& text, const Piece& piece, const NarrowText* narrow, qsizetype from,
                qsizetype to) {
    if (to <= from)
        return;
    const qsizetype at = text.size();
    text.resize(at + (to - from));
    writePart(reinterpret_cast<char16_t*>(text.data()) + at, piece, narrow, from, to);
}
} // namespace

QString TextSnapshot::joined() const {
    if (m_unchanged && !m_whole.isNull())
        return m_whole;
    // A lone piece is returned as it is only when it owns its characters.
    if (m_pieces.size() == 1 && m_whole.isNull() && !m_pieces.first().isNarrow())
        return m_pieces.first().text;
    QString text(m_size, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    char16_t* const end = out + m_size;
    for (const Piece& piece : m_pieces) {
        if (piece.size() > end - out)
            break; // cannot happen: the pieces add up to the size
        out = writePart(out, piece, m_narrow.get(), 0, piece.size());
    }
    text.truncate(out - reinterpret_cast<char16_t*>(text.data()));
    return text;
}

qsizetype TextSnapshot::storedBytes() const {
    qsizetype bytes = m_whole.size() * qsizetype(sizeof(QChar));
    if (m_narrow)
        bytes += m_narrow->bytes.size();
    const QChar* wholeStart = m_whole.constData();
    const QChar* wholeEnd = wholeStart + m_whole.size();
    for (const Piece& piece : m_pieces) {
        const QChar* at = piece.text.constData();
        const bool inWhole = !m_whole.isNull() && at >= wholeStart && at < wholeEnd;
        if (!piece.isNarrow() && !inWhole)
            bytes += piece.text.size() * qsizetype(sizeof(QChar));
    }
    return bytes;
}

namespace {
// Pieces of ChunkSize up to twice that; a short text stays one piece.
QList<Piece> split(const QString& text) {
    QList<Piece> pieces;
    const qsizetype size = text.size();
    if (size <= 2 * TextChunks::ChunkSize) {
        if (size > 0)
            pieces.append(Piece{text});
        return pieces;
    }
    const qsizetype count = size / TextChunks::ChunkSize;
    pieces.reserve(count);
    qsizetype from = 0;
    for (qsizetype i = 1; i <= count; ++i) {
        const qsizetype to = size * i / count;
        pieces.append(Piece{text.mid(from, to - from)});
        from = to;
    }
    return pieces;
}

bool breaksLine(char16_t c) {
    return c == u'\n' || c == u'\r' || c == 0xFDD0 || c == 0xFDD1;
}

// The text with its line breaks as U+2029, one byte a character, into `out`; the characters
// the bytes stand for into `characters`. Returns the number of bytes, or -1 where the text has
// more than 256 different characters.
qsizetype narrowFromPlainText(QStringView text, char* out, std::array<char16_t, 256>& characters) {
    std::vector<quint16> codes(0x10000, 0); // a character's byte + 1, or 0 before its first use
    int used = 0;
    const auto* in = reinterpret_cast<const char16_t*>(text.data());
    const qsizetype size = text.size();
    qsizetype o = 0;
    for (qsizetype i = 0; i < size; ++i) {
        char16_t c = in[i];
        if (c == u'\r' && i + 1 < size && in[i + 1] == u'\n')
            continue; // the LF that follows makes the line break
        if (breaksLine(c))
            c = char16_t(0x2029);
        quint16 code = codes[c];
        if (code == 0) {
            if (used == int(characters.size()))
                return -1;
            characters[std::size_t(used)] = c;
            code = codes[c] = quint16(++used);
        }
        out[o++] = char(code - 1);
    }
    return o;
}
} // namespace

void TextChunks::cutIntoPieces(qsizetype size, bool narrow) {
    m_pieces.clear();
    const qsizetype count = size / ChunkSize;
    m_pieces.reserve(count);
    qsizetype from = 0;
    for (qsizetype i = 1; i <= count; ++i) {
        const qsizetype to = size * i / count;
        if (narrow)
            m_pieces.append(Piece{QString(), from, to - from});
        else
            m_pieces.append(Piece{QString::fromRawData(m_whole.constData() + from, to - from)});
        from = to;
    }
}

void TextChunks::reset(QString text) {
    m_pieces.clear();
    m_narrow.reset();
    m_size = text.size();
    m_unchanged = true;
    if (m_size <= 2 * ChunkSize) {
        // One piece, sharing the text the ordinary way.
        m_whole = QString();
        if (m_size > 0)
            m_pieces.append(Piece{text});
        m_unchanged = false; // joined() returns that piece anyway
        return;
    }
    m_whole = std::move(text);
    cutIntoPieces(m_size, false);
}

void TextChunks::resetFromPlainText(QStringView text, QByteArray narrowStorage) {
    if (text.size() > 2 * ChunkSize) {
        QByteArray bytes = std::move(narrowStorage);
        if (bytes.size() < text.size() || !bytes.isDetached())
            bytes = QByteArray(text.size(), Qt::Uninitialized);
        auto narrow = std::make_shared<NarrowText>();
        const qsizetype size = narrowFromPlainText(text, bytes.data(), narrow->characters);
        if (size >= 0) {
            bytes.truncate(size);
            narrow->bytes = std::move(bytes);
            m_narrow = std::move(narrow);
            m_whole = QString();
            m_size = size;
            m_unchanged = true;
            cutIntoPieces(size, true);
            return;
        }
    }
    // A CR LF pair is one line break; any other breaking character becomes U+2029 by itself.
    QString converted(text.size(), Qt::Uninitialized);
    const auto* in = reinterpret_cast<const char16_t*>(text.data());
    auto* out = reinterpret_cast<char16_t*>(converted.data());
    qsizetype o = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = in[i];
        if (c == u'\r' && i + 1 < text.size() && in[i + 1] == u'\n')
            continue; // the LF that follows makes the line break
        out[o++] = breaksLine(c) ? char16_t(0x2029) : c;
    }
    converted.truncate(o);
    reset(std::move(converted));
}

void TextChunks::apply(const QTextDocument* document, int position, int removed, int added) {
    // The reported range may be wider than the edit (several edits in one step, or the hidden
    // last line break); what lies after it is the same before and after, so the range is
    // measured from the end as well and the wider reading wins.
    const qsizetype newSize = qMax(0, document->characterCount() - 1);
    const qsizetype shorter = qMin(m_size, newSize);
    const qsizetype from = qBound(qsizetype(0), qsizetype(position), shorter);
    const qsizetype tailBefore = m_size - from - qMax(0, removed);
    const qsizetype tailAfter = newSize - from - qMax(0, added);
    const qsizetype tail = qBound(qsizetype(0), qMin(tailBefore, tailAfter), shorter - from);
    const qsizetype removedNow = m_size - from - tail;
    const qsizetype addedNow = newSize - from - tail;
    QString text;
    if (addedNow > 0) {
        QTextCursor cursor(const_cast<QTextDocument*>(document));
        cursor.setPosition(int(from));
        cursor.setPosition(int(from + addedNow), QTextCursor::KeepAnchor);
        text = cursor.selectedText();
    }
    replace(from, removedNow, text);
}

void TextChunks::replace(qsizetype position, qsizetype removed, const QString& added) {
    if (removed == 0 && added.isEmpty())
        return;
    m_unchanged = false;
    // The pieces [first, last] hold the changed range; they are rebuilt around the new text.
    qsizetype first = 0;
    qsizetype firstStart = 0;
    while (first + 1 < m_pieces.size() && firstStart + m_pieces[first].size() <= position)
        firstStart += m_pieces[first++].size();
    const qsizetype end = position + removed;
    qsizetype last = first;
    qsizetype lastStart = firstStart;
    while (last + 1 < m_pieces.size() && lastStart + m_pieces[last].size() < end)
        lastStart += m_pieces[last++].size();

    const NarrowText* narrow = m_narrow.get();
    QString merged;
    if (m_pieces.isEmpty()) {
        merged = added;
    } else {
        const Piece& head = m_pieces[first];
        const Piece& rest = m_pieces[last];
        const qsizetype restFrom = end - lastStart;
        merged.reserve(position - firstStart + added.size() + rest.size() - restFrom);
        appendPart(merged, head, narrow, 0, position - firstStart);
        merged.append(added);
        appendPart(merged, rest, narrow, restFrom, rest.size());
        // A piece that became small joins its neighbour, so typing and deleting never leave
        // the text in thousands of slivers.
        if (merged.size() < ChunkSize / 4) {
            if (last + 1 < m_pieces.size()) {
                const Piece& next = m_pieces[++last];
                appendPart(merged, next, narrow, 0, next.size());
            } else if (first > 0) {
                const Piece& previous = m_pieces[--first];
                QString before;
                appendPart(before, previous, narrow, 0, previous.size());
                merged.prepend(before);
            }
        }
        m_pieces.remove(first, last - first + 1);
    }
    const QList<Piece> pieces = split(merged);
    m_pieces.insert(first, pieces.size(), Piece());
    for (qsizetype i = 0; i < pieces.size(); ++i)
        m_pieces[first + i] = pieces[i];
    m_size += added.size() - removed;
}
