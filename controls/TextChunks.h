#pragma once
// A copy of an editor's text kept in pieces of about ChunkSize characters, brought up to date
// from each change the editor reports. A snapshot of it costs the caller a list of shared
// pieces, not a copy of the text: a large page can be handed to another thread while the user
// types on, and the next edit copies only the one piece it touches.
//
// A text as loaded is kept at one byte a character where it uses no more than 256 different
// characters (nearly every page: markup, one language or two), half of what the editor's own
// copy takes; the pieces an edit touches hold their characters as they are.
//
// The text is in document positions, as QTextDocument::toRawText() gives it (one U+2029 per
// line break).

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <memory>

class QTextDocument;

namespace TextPieces {
// A text of up to 256 different characters, one byte each: `bytes` index `characters`.
struct NarrowText {
    QByteArray bytes;
    std::array<char16_t, 256> characters{};
};

// Either characters of its own, or `size` bytes of the narrow text from `from` on.
struct Piece {
    QString text;
    qsizetype from = -1;
    qsizetype narrowSize = 0;

    bool isNarrow() const { return from >= 0; }
    qsizetype size() const { return isNarrow() ? narrowSize : text.size(); }
};
} // namespace TextPieces

// The text at one moment. Any thread may read it; joining it copies the text once, unless it
// is still the whole text as loaded and kept as it was given.
class TextSnapshot {
public:
    TextSnapshot() = default;
    TextSnapshot(QList<TextPieces::Piece> pieces, qsizetype size,
                 std::shared_ptr<const TextPieces::NarrowText> narrow, QString whole,
                 bool unchanged)
        : m_pieces(std::move(pieces)), m_size(size), m_narrow(std::move(narrow)),
          m_whole(std::move(whole)), m_unchanged(unchanged) {}

    qsizetype size() const { return m_size; }
    QString joined() const;
    // The memory the characters take, shared ones included.
    qsizetype storedBytes() const;

private:
    QList<TextPieces::Piece> m_pieces;
    qsizetype m_size = 0;
    std::shared_ptr<const TextPieces::NarrowText> m_narrow; // what narrow pieces point into
    QString m_whole; // the text the unedited wide pieces point into (they do not own it)
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
    // so that it can run while the editor is still taking the text in. A large text of up to 256
    // different characters is kept at one byte each, in `narrowStorage` where that is an
    // unshared array of at least the text's length: a thread may fill memory another one took
    // (where that thread's heap keeps it).
    void resetFromPlainText(QStringView text, QByteArray narrowStorage = {});
    // The document's text changed as QTextDocument::contentsChange reports it: the characters
    // from `position` on, `removed` of them before and `added` now. The new ones are read from
    // the document. A report that reaches past the end (the document's last, hidden line break)
    // is held to the text's length.
    void apply(const QTextDocument* document, int position, int removed, int added);

    qsizetype size() const { return m_size; }
    TextSnapshot snapshot() const {
        return TextSnapshot(m_pieces, m_size, m_narrow, m_whole, m_unchanged);
    }
    QString joined() const { return snapshot().joined(); }

private:
    void replace(qsizetype position, qsizetype removed, const QString& added);
    void cutIntoPieces(qsizetype size, bool narrow);

    QList<TextPieces::Piece> m_pieces;
    qsizetype m_size = 0;
    // The text as last reset, which unedited pieces point into; every snapshot holding such
    // pieces holds it too, so that they stay valid on any thread.
    std::shared_ptr<const TextPieces::NarrowText> m_narrow;
    QString m_whole;
    bool m_unchanged = false;
};
