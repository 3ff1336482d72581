#pragma once
// The editor's document layout, which can leave a very long line waiting for its layout.
//
// Qt lays a block out again, whole, after every change of its text. While a Deferral lives, a
// long line with pieces (see LinePieces.h) that changes is not laid out: its layout is cleared,
// and the rectangle the editor asks for comes from the pieces. Outside a Deferral, anything that
// asks for the line's geometry lays it out first, as Qt always does: Qt's own cursor movement,
// mouse, Find and accessibility code meet a waiting line only where RichTextBox opens a Deferral
// around it (the keys that a waiting line can take, its painting, the caret's blink).

#include <QPlainTextDocumentLayout>
#include <QTextCursor>

class LinePieces;

class LongLineLayout : public QPlainTextDocumentLayout {
    Q_OBJECT
public:
    explicit LongLineLayout(QTextDocument* document);

    class Deferral {
    public:
        explicit Deferral(QTextDocument* document);
        ~Deferral();
        Deferral(const Deferral&) = delete;
        Deferral& operator=(const Deferral&) = delete;

    private:
        LongLineLayout* m_layout;
    };

    // The pieces of a block that waits for its layout, or null when the block is laid out (or
    // has no pieces that fit it).
    static const LinePieces* waitingPieces(const QTextBlock& block);
    static LinePieces* fittingPieces(const QTextBlock& block);

    QRectF blockBoundingRect(const QTextBlock& block) const override;
    QSizeF documentSize() const override;

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;

private:
    int m_deferrals = 0;
    int m_blockCount = 1;
    // The line waiting for its layout, if any (a cursor at its start follows it through edits),
    // and its width, which the document's width must cover meanwhile.
    QTextCursor m_waitingLine;
    qreal m_waitingWidth = 0;
    mutable int m_rectBeforeEdit = -1; // a waiting block whose rectangle Qt takes before an edit
};
