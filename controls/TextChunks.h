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

// The text at one moment. Any thread may read it; joining it copies the text once, unless it
// is still the whole text as loaded.
class TextSnapshot {
public:
    TextSnapshot() = default;
    explicit TextSnapshot(QList<QString> chunks, qsizetype size, QString whole = {},
                          bool unchanged = false)
        : m_chunks(std::move(chunks)), m_size(size), m_whole(std::move(whole)),
          m_unchanged(unchanged) {}

    qsizetype size() const { return m_size; }
    QString joined() const;

private:
    QList<QString> m_chunks;
    qsizetype m_size = 0;
    QString m_whole; // the text the unedited pieces point into (they do not own their characters)
    bool m_unchanged = false;
};

class TextChunks {
public:
    static constexpr qsizetype ChunkSize = 4 * 1024;

    // Starts again from the whole text. Its pieces point into `text` rather than copy it.
    void reset(QString text);
    // Starts again from a text as an editor keeps it once given as plain text: '\n', '\r', CR LF,
    // U+2029 and the frame marks U+FDD0 and U+FDD1 each become one U+2029, as the editor breaks
    // lines there. The same as reset(document->toRawText()) without reading the document back,
    // so that it can run while the editor is still taking the text in. `storage`, when it is
    // an unshared string of at least the text's length, receives the converted text: a thread
    // may fill memory another one took (where that thread's heap keeps it).
    void resetFromPlainText(QStringView text, QString storage = {});
    // The whole text while no edit has come since the last reset (null after one), for example
    // to give an editor the very characters the pieces point into.
    QString unchangedText() const { return m_unchanged ? m_whole : QString(); }
    // The document's text changed as QTextDocument::contentsChange reports it: the characters
    // from `position` on, `removed` of them before and `added` now. The new ones are read from
    // the document. A report that reaches past the end (the document's last, hidden line break)
    // is held to the text's length.
    void apply(const QTextDocument* document, int position, int removed, int added);

    qsizetype size() const { return m_size; }
    TextSnapshot snapshot() const { return TextSnapshot(m_chunks, m_size, m_whole, m_unchanged); }
    QString joined() const { return snapshot().joined(); }

private:
    void replace(qsizetype position, qsizetype removed, const QString& added);

    QList<QString> m_chunks;
    qsizetype m_size = 0;
    // The text as last reset, which unedited pieces point into; every snapshot holding such
    // pieces holds it too, so that they stay valid on any thread.
    QString m_whole;
    bool m_unchanged = false;
};
