#pragma once
// The widths of a very long line, kept in pieces of a few thousand characters. Qt lays a whole
// paragraph out again after every edit, which on a line of a million characters takes longer than
// a key may. With these widths a typed character needs only its own piece measured again to know
// where everything after it lands, and the part of the line that is shown can be drawn on its own
// until the line is laid out again.
//
// Only lines whose characters are placed one after the other by their own advances can be kept
// this way: no tab (its stops count from the line's start), nothing that shaping or the direction
// of the text would place by its neighbours.

#include <QFont>
#include <QHash>
#include <QRectF>
#include <QString>
#include <QTextBlock>
#include <QTextOption>
#include <array>
#include <optional>
#include <vector>

// Whether a line needs the shaping step to look right in the editor's fixed-pitch font: it does
// unless every character is one that shaping leaves as it is (Latin, Greek, Cyrillic, symbols,
// CJK), with no combining mark, joiner, invisible format character or emoji sequence.
bool needsShaping(QStringView text);

class LinePieces {
public:
    static constexpr int kPieceLength = 2048;

    // Whether a line of this text can be kept in pieces.
    static bool suits(QStringView text);

    // From a block laid out as one line (its QTextLayout has exactly one line); nothing when the
    // block's text does not suit.
    static std::optional<LinePieces> measure(const QTextBlock& block);

    // Takes the block's rectangle and line again from its layout, which must be laid out.
    void takeLineFrom(const QTextBlock& block);

    // Whether these pieces still stand for the block: the same length and the same font.
    bool fits(const QTextBlock& block) const;

    // Follows an edit inside the block, which already holds the new text: `at`, `removed` and
    // `added` in the block's own positions. False when the pieces no longer fit the block (the
    // edit brought a character that does not suit, or the lengths do not add up).
    bool follow(const QTextBlock& block, int at, int removed, int added);

    int length() const { return m_length; }
    // Layout x of the caret in front of `position` (block positions).
    qreal cursorToX(const QTextBlock& block, int position) const;

    // The caret position nearest to layout x.
    int xToCursor(const QTextBlock& block, qreal x) const;

    // The whole pieces that cover layout x from `left` to `right`, with the x of their start.
    struct Span {
        int from = 0;
        int to = 0;
        qreal x = 0;
    };
    Span span(qreal left, qreal right) const;

    // The block's bounding rectangle as the editor's layout would give it for the present text,
    // and the line's place in it.
    QRectF blockRect() const;
    qreal lineY() const { return m_lineY; }
    qreal lineHeight() const { return m_lineHeight; }

private:
    // The advance of `text` on a line of the editor: font, options and the formats that change
    // advances, as the line's own layout has them.
    static qreal advance(const QString& text, const QFont& font, const QTextOption& option);

    struct Piece {
        int length = 0;
        qreal width = 0;
    };
    qreal width() const;
    qreal characterAdvance(QChar c) const;
    qreal widthOf(QStringView text) const;
    // Measures a stretch of the line in pieces of about kPieceLength.
    std::vector<Piece> measurePieces(const QString& text) const;

    std::vector<Piece> m_pieces;
    int m_length = 0;
    qreal m_left = 0; // layout x of the line's first character
    QFont m_font;
    QTextOption m_option;
    QRectF m_rectWhenLaidOut;
    qreal m_widthWhenLaidOut = 0;
    qreal m_lineY = 0;
    qreal m_lineHeight = 0;
    // Advances of the characters met so far (negative: not measured yet).
    mutable std::array<qreal, 256> m_latin = makeUnmeasured();
    mutable QHash<char16_t, qreal> m_advances;
    static std::array<qreal, 256> makeUnmeasured() {
        std::array<qreal, 256> table;
        table.fill(-1);
        return table;
    }
};

// What the editor keeps with a very long line: the part that carries its colour formats, and its
// pieces once a typed key has needed them.
struct LongLineData : QTextBlockUserData {
    int from = 0; // the formatted part, relative to the block
    int to = 0;
    std::optional<LinePieces> pieces;
    int unsuitableAt = -1; // the document's revision when the line was found not to suit
};

// The block's text from `from` to `to` (block positions), without copying the rest of the line.
QString blockRange(const QTextBlock& block, int from, int to);
