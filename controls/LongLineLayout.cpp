#include "controls/LongLineLayout.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include "controls/LinePieces.h"

LongLineLayout::LongLineLayout(QTextDocument* document)
    : QPlainTextDocumentLayout(document), m_blockCount(document->blockCount()) {}

LongLineLayout::Deferral::Deferral(QTextDocument* document)
    : m_layout(qobject_cast<LongLineLayout*>(document->documentLayout())) {
    if (m_layout)
        ++m_layout->m_deferrals;
}

LongLineLayout::Deferral::~Deferral() {
    if (m_layout)
        --m_layout->m_deferrals;
}

LinePieces* LongLineLayout::fittingPieces(const QTextBlock& block) {
    auto* data = dynamic_cast<LongLineData*>(block.userData());
    if (!data || !data->pieces)
        return nullptr;
    if (!data->pieces->fits(block)) {
        data->pieces.reset();
        return nullptr;
    }
    return &*data->pieces;
}

const LinePieces* LongLineLayout::waitingPieces(const QTextBlock& block) {
    if (!block.isValid() || block.layout()->lineCount() != 0)
        return nullptr;
    return fittingPieces(block);
}

QRectF LongLineLayout::blockBoundingRect(const QTextBlock& block) const {
    if (const LinePieces* pieces = waitingPieces(block); pieces && block.isVisible()) {
        if (m_deferrals > 0 || block.blockNumber() == m_rectBeforeEdit) {
            m_rectBeforeEdit = -1;
            return pieces->blockRect();
        }
    }
    return QPlainTextDocumentLayout::blockBoundingRect(block);
}

QSizeF LongLineLayout::documentSize() const {
    QSizeF size = QPlainTextDocumentLayout::documentSize();
    // Qt's width does not know the waiting line's new length; once the line is laid out (or
    // gone) Qt's width is right again.
    if (!m_waitingLine.isNull() && waitingPieces(m_waitingLine.block()))
        size.setWidth(qMax(size.width(), m_waitingWidth));
    return size;
}

void LongLineLayout::documentChanged(int from, int charsRemoved, int charsAdded) {
    QTextDocument* doc = document();
    if (m_deferrals > 0 && doc->blockCount() == m_blockCount) {
        const QTextBlock block = doc->findBlock(from);
        // The change ends at from + charsAdded in the new text (charsRemoved is the old length).
        const QTextBlock end = doc->findBlock(qMax(from, from + charsAdded - 1));
        if (block == end && block.isVisible() && fittingPieces(block)) {
            // One line waits at a time: another that waits is laid out now.
            const QTextBlock other = m_waitingLine.block();
            if (!m_waitingLine.isNull() && other != block && waitingPieces(other))
                QPlainTextDocumentLayout::blockBoundingRect(other);
            // The line waits: its old layout no longer matches its text.
            block.layout()->clearLayout();
            m_waitingLine = QTextCursor(block);
            m_waitingWidth = fittingPieces(block)->blockRect().width();
            emit updateBlock(block);
            return;
        }
    }
    // A waiting line that changes now is laid out once, not twice: the rectangle Qt takes first,
    // to compare with the new one, comes from the pieces. Only where Qt's layout takes that path:
    // one block changed, as it reckons the change's end.
    const QTextBlock block = doc->findBlock(from);
    const bool waiting = waitingPieces(block) != nullptr;
    const bool oneBlock = doc->blockCount() == m_blockCount &&
                          doc->findBlock(qMax(0, from + charsRemoved + charsAdded - 1)) == block;
    m_rectBeforeEdit = waiting && oneBlock ? block.blockNumber() : -1;
    QPlainTextDocumentLayout::documentChanged(from, charsRemoved, charsAdded);
    m_rectBeforeEdit = -1;
    if (!m_waitingLine.isNull() && !waitingPieces(m_waitingLine.block()))
        m_waitingLine = QTextCursor(); // laid out, or gone
    m_blockCount = doc->blockCount();
}
