#include "controls/TextChunks.h"

#include <QTextCursor>
#include <QTextDocument>

QString TextSnapshot::joined() const {
    if (m_unchanged)
        return m_whole;
    // A lone piece is returned as it is only when it owns its characters.
    if (m_chunks.size() == 1 && m_whole.isNull())
        return m_chunks.first();
    QString text;
    text.reserve(m_size);
    for (const QString& chunk : m_chunks)
        text.append(chunk);
    return text;
}

namespace {
// Pieces of ChunkSize up to twice that; a short text stays one piece.
QList<QString> split(const QString& text) {
    QList<QString> pieces;
    const qsizetype size = text.size();
    if (size <= 2 * TextChunks::ChunkSize) {
        if (size > 0)
            pieces.append(text);
        return pieces;
    }
    const qsizetype count = size / TextChunks::ChunkSize;
    pieces.reserve(count);
    qsizetype from = 0;
    for (qsizetype i = 1; i <= count; ++i) {
        const qsizetype to = size * i / count;
        pieces.append(text.mid(from, to - from));
        from = to;
    }
    return pieces;
}
} // namespace

void TextChunks::reset(QString text) {
    m_chunks.clear();
    m_size = text.size();
    m_unchanged = true;
    if (m_size <= 2 * ChunkSize) {
        // One piece, sharing the text the ordinary way.
        m_whole = QString();
        if (m_size > 0)
            m_chunks.append(text);
        m_unchanged = false; // joined() returns that piece anyway
        return;
    }
    m_whole = std::move(text);
    const qsizetype count = m_size / ChunkSize;
    m_chunks.reserve(count);
    qsizetype from = 0;
    for (qsizetype i = 1; i <= count; ++i) {
        const qsizetype to = m_size * i / count;
        m_chunks.append(QString::fromRawData(m_whole.constData() + from, to - from));
        from = to;
    }
}

void TextChunks::resetFromPlainText(QStringView text, QString storage) {
    // A CR LF pair is one line break; any other breaking character becomes U+2029 by itself.
    QString converted = std::move(storage);
    if (converted.size() < text.size() || !converted.isDetached())
        converted = QString(text.size(), Qt::Uninitialized);
    const auto* in = reinterpret_cast<const char16_t*>(text.data());
    auto* out = reinterpret_cast<char16_t*>(converted.data());
    qsizetype o = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = in[i];
        if (c == u'\r' && i + 1 < text.size() && in[i + 1] == u'\n')
            continue; // the LF that follows makes the line break
        const bool breaks = c == u'\n' || c == u'\r' || c == 0xFDD0 || c == 0xFDD1;
        out[o++] = breaks ? char16_t(0x2029) : c;
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
    while (first + 1 < m_chunks.size() && firstStart + m_chunks[first].size() <= position)
        firstStart += m_chunks[first++].size();
    const qsizetype end = position + removed;
    qsizetype last = first;
    qsizetype lastStart = firstStart;
    while (last + 1 < m_chunks.size() && lastStart + m_chunks[last].size() < end)
        lastStart += m_chunks[last++].size();

    QString merged;
    if (m_chunks.isEmpty()) {
        merged = added;
    } else {
        const QString& head = m_chunks[first];
        const QString& rest = m_chunks[last];
        const qsizetype restFrom = end - lastStart;
        merged.reserve(position - firstStart + added.size() + rest.size() - restFrom);
        merged.append(QStringView(head).first(position - firstStart));
        merged.append(added);
        merged.append(QStringView(rest).sliced(restFrom));
        // A piece that became small joins its neighbour, so typing and deleting never leave
        // the text in thousands of slivers.
        if (merged.size() < ChunkSize / 4) {
            if (last + 1 < m_chunks.size())
                merged.append(m_chunks[++last]);
            else if (first > 0)
                merged.prepend(m_chunks[--first]);
        }
        m_chunks.remove(first, last - first + 1);
    }
    const QList<QString> pieces = split(merged);
    m_chunks.insert(first, pieces.size(), QString());
    for (qsizetype i = 0; i < pieces.size(); ++i)
        m_chunks[first + i] = pieces[i];
    m_size += added.size() - removed;
}
