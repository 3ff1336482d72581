// The keys that a very long line takes without waiting for its layout, and what the editor shows
// of such a line while it waits (see LongLineLayout.h).

#include "controls/RichTextBox.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include "controls/LinePieces.h"
#include "controls/LongLineLayout.h"

bool RichTextBox::typeIntoLongLine(QKeyEvent* event) {
    // Qt lays a line out again, whole, after every key, which on a line of a million characters
    // takes longer than a key may. A character typed into such a line, or taken out of it with
    // Backspace or Delete, goes through the editor's own key handling with the line left waiting
    // for its layout, and what the key changes on the screen is placed from the line's pieces
    // (see LongLineLayout.h). So do Home and End, which on a line that waits go to its ends. The
    // layout follows when anything else needs the line.
    if (isReadOnly() || overwriteMode() || lineWrapMode() != NoWrap)
        return false;
    QTextDocument* doc = document();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool backspace = event->key() == Qt::Key_Backspace && modifiers == Qt::NoModifier;
    const bool forwardDelete = event->key() == Qt::Key_Delete && modifiers == Qt::NoModifier;
    const bool home = event->matches(QKeySequence::MoveToStartOfLine);
    const bool end = event->matches(QKeySequence::MoveToEndOfLine);
    const bool edits = !home && !end;
    const QString typed = backspace || forwardDelete || !edits ? QString() : event->text();
    if (edits && !backspace && !forwardDelete) {
        // The editor types what the key gives with any modifiers but Ctrl and Ctrl+Shift (AltGr
        // is Ctrl+Alt on some systems).
        if (modifiers == Qt::ControlModifier ||
            modifiers == (Qt::ControlModifier | Qt::ShiftModifier) || typed.isEmpty() ||
            !LinePieces::suits(typed))
            return false;
        // Characters of the editor's own font only: the line keeps its height.
        const QFontMetricsF metrics(doc->defaultFont());
        for (const QChar c : typed) {
            if (c.unicode() < 0x20 || c.unicode() == 0x7F || !metrics.inFont(c))
                return false;
        }
    }
    const QTextCursor cursor = textCursor();
    // What the key should do: the text's length changes by this, and the caret goes there.
    const int lengthChange = !edits ? 0 : backspace || forwardDelete ? -1 : int(typed.size());
    const int caretTo = home            ? cursor.block().position()
                        : end           ? cursor.block().position() + cursor.block().length() - 1
                        : backspace     ? cursor.position() - 1
                        : forwardDelete ? cursor.position()
                                        : cursor.position() + int(typed.size());
    const QTextBlock block = cursor.block();
    if (cursor.hasSelection() || block.length() <= RichTextBox::LongLine ||
        !block.layout()->preeditAreaText().isEmpty() || (backspace && cursor.atBlockStart()) ||
        (forwardDelete && cursor.atBlockEnd()))
        return false; // (taking out a line break joins lines)
    LinePieces* measured = longLinePieces(block);
    if (!measured)
        return false;
    measured->takeLineFrom(block); // if it is laid out

    const int characters = doc->characterCount();
    const int blocks = doc->blockCount();
    std::optional<LongLineLayout::Deferral> deferral;
    deferral.emplace(doc);
    const QRectF shown = blockBoundingGeometry(block).translated(contentOffset());
    if (shown.top() < 0 || shown.bottom() > viewport()->height())
        return false; // the view would scroll up or down to the caret
    QScrollBar* across = horizontalScrollBar();
    QScrollBar* down = verticalScrollBar();
    {
        // The editor places its view by a caret rectangle it cannot know for a waiting line;
        // the view stays, and is placed from the pieces below.
        const int acrossBefore = across->value();
        const int downBefore = down->value();
        const QSignalBlocker quietAcross(across);
        const QSignalBlocker quietDown(down);
        QPlainTextEdit::keyPressEvent(event);
        across->setValue(acrossBefore);
        down->setValue(downBefore);
    }
    const QTextCursor after = textCursor();
    const LinePieces* pieces = LongLineLayout::fittingPieces(block);
    if (!event->isAccepted() || doc->blockCount() != blocks ||
        doc->characterCount() != characters + lengthChange || after.position() != caretTo ||
        after.hasSelection() || !pieces ||
        (lengthChange < 0 &&
         across->value() > int(pieces->blockRect().width()) - viewport()->width())) {
        // Not the edit expected, or a line shortened where the view shows its end (the view
        // then moves back with the end): the editor lays the line out and sees to its view as
        // always.
        deferral.reset();
        ensureCursorVisible();
        return true;
    }
    // The scroll bar reaches the line's new end, and the caret stays in view, as the editor's own
    // scroll bar and caret handling would have it.
    const int widest = int(doc->documentLayout()->documentSize().width()) - viewport()->width();
    if (widest > across->maximum())
        across->setRange(0, widest);
    const qreal x = pieces->cursorToX(block, after.position() - block.position());
    const QRect caret = QRectF(contentOffset().x() + x, shown.top() + pieces->lineY(),
                               cursorWidth(), pieces->lineHeight())
                            .toRect();
    if (caret.left() < 0 || caret.right() > viewport()->width())
        across->setValue(caret.center().x() + across->value() - viewport()->width() / 2);
    return true;
}

LinePieces* RichTextBox::longLinePieces(const QTextBlock& block) {
    auto* data = static_cast<LongLineData*>(block.userData());
    if (!data || block.length() <= RichTextBox::LongLine)
        return nullptr;
    if (LinePieces* pieces = LongLineLayout::fittingPieces(block))
        return pieces;
    // Measured from the line laid out; a line that does not suit is not looked at again until
    // the text changes.
    const int revision = document()->revision();
    if (block.layout()->lineCount() != 1 || data->unsuitableAt == revision)
        return nullptr;
    data->pieces = LinePieces::measure(block);
    if (!data->pieces)
        data->unsuitableAt = revision;
    return data->pieces ? &*data->pieces : nullptr;
}

std::optional<QRectF> RichTextBox::waitingCaretRect() const {
    // A line waiting for its layout has no caret rectangle of its own; asking the editor for one
    // would lay it out.
    const QTextCursor cursor = textCursor();
    const QTextBlock block = cursor.block();
    const LinePieces* pieces = LongLineLayout::waitingPieces(block);
    if (!pieces || cursor.hasSelection())
        return std::nullopt;
    const LongLineLayout::Deferral deferral(document());
    const QRectF shown = blockBoundingGeometry(block).translated(contentOffset());
    const qreal x = pieces->cursorToX(block, cursor.position() - block.position());
    return QRectF(contentOffset().x() + x, shown.top() + pieces->lineY(), cursorWidth(),
                  pieces->lineHeight());
}

QVariant RichTextBox::inputMethodQuery(Qt::InputMethodQuery query) const {
    if (query == Qt::ImCursorRectangle || query == Qt::ImAnchorRectangle) {
        if (const std::optional<QRectF> caret = waitingCaretRect())
            return *caret;
    }
    return QPlainTextEdit::inputMethodQuery(query);
}

bool RichTextBox::eventFilter(QObject* watched, QEvent* event) {
    // The caret's blink repaints the caret where the editor finds it, which for a line waiting
    // for its layout means laying the line out, every half second while the user types. The
    // blink is let through with the line still waiting, and the caret repainted where the pieces
    // put it.
    if (watched == m_textControl && event->type() == QEvent::Timer) {
        if (const std::optional<QRectF> caret = waitingCaretRect()) {
            {
                const LongLineLayout::Deferral deferral(document());
                watched->event(event);
            }
            viewport()->update(caret->toAlignedRect());
            return true;
        }
    }
    return QPlainTextEdit::eventFilter(watched, event);
}
