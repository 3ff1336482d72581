#pragma once
// A copy of an editor's text kept in pieces of about ChunkSize characters, brought up to date
// from each change the editor reports. A snapshot of it costs the caller a list of shared
// pieces, not a copy of the text: a large page can be handed to another thread while the user
// types on, and the next edit copies only the one piece it touches.
//
// The text is in document positions, as QTextDocument::toRawText() gives it (one U+2029 per
// line break).

#include <QList>
#include <QString>

class QTextDocument;

// The text at one moment. Any thread may read it; joining it copies the text once.
class TextSnapshot {
public:
    TextSnapshot() = default;
    explicit TextSnapshot(QList<QString> chunks, qsizetype size)
        : m_chunks(std::move(chunks)), m_size(size) {}

    qsizetype size() const { return m_size; }
    QString joined() const;

private:
    QList<QString> m_chunks;
    qsizetype m_size = 0;
};

class TextChunks {
public:
    static constexpr qsizetype ChunkSize = 4 * 1024;

    // Starts again from the whole text.
    void reset(const QString& text);
    // The document's text changed as QTextDocument::contentsChange reports it: the characters
    // from `position` on, `removed` of them before and `added` now. The new ones are read from
    // the document. A report that reaches past the end (the document's last, hidden line break)
    // is held to the text's length.
    void apply(const QTextDocument* document, int position, int removed, int added);

    qsizetype size() const { return m_size; }
    TextSnapshot snapshot() const { return TextSnapshot(m_chunks, m_size); }
    QString joined() const { return snapshot().joined(); }

private:
    void replace(qsizetype position, qsizetype removed, const QString& added);

    QList<QString> m_chunks;
    qsizetype m_size = 0;
};
