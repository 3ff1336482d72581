#include "documents/RichTextBox.h"

#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include "app/Twips.h"
#include "documents/FileErrors.h"

namespace {
QList<QKeySequence>& reservedShortcuts() {
    static QList<QKeySequence> keys;
    return keys;
}

QString toDocumentText(QString text) {
    // Any line break the caller uses becomes one editor line break.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}
} // namespace

RichTextBox::RichTextBox(QWidget* parent) : QPlainTextEdit(parent) {
    QFont font(QStringLiteral("Courier New"));
    font.setPointSizeF(9.75);
    font.setWeight(QFont::Normal);
    font.setStyleHint(QFont::TypeWriter);
    setFont(font);
    setBackgroundRole(QPalette::Base);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabChangesFocus(false);
    document()->setUndoRedoEnabled(true);
    connect(document(), &QTextDocument::contentsChange, this, &RichTextBox::onContentsChange);
}

void RichTextBox::setReservedShortcuts(const QList<QKeySequence>& keys) {
    reservedShortcuts() = keys;
}

// --- Text and positions ------------------------------------------------------------------------

QString RichTextBox::Text() const {
    QString raw = document()->toRawText();
    raw.replace(QChar(QChar::ParagraphSeparator), QStringLiteral("\r\n"));
    return raw;
}

int RichTextBox::TextLength() const {
    return document()->characterCount() - 1 + document()->blockCount() - 1;
}

void RichTextBox::setText(const QString& text) {
    setPlainText(toDocumentText(text));
}

int RichTextBox::toTextPosition(int documentPosition) const {
    const int last = document()->characterCount() - 1;
    const int pos = qBound(0, documentPosition, last);
    return pos + document()->findBlock(pos).blockNumber();
}

int RichTextBox::toDocumentPosition(int textPosition) const {
    if (textPosition <= 0)
        return 0;
    const QTextDocument* doc = document();
    // The last block whose start, counted in text positions, is at or before textPosition.
    int low = 0;
    int high = doc->blockCount() - 1;
    while (low < high) {
        const int mid = (low + high + 1) / 2;
        const QTextBlock block = doc->findBlockByNumber(mid);
        if (block.position() + mid <= textPosition)
            low = mid;
        else
            high = mid - 1;
    }
    const QTextBlock block = doc->findBlockByNumber(low);
    const int offset = textPosition - (block.position() + low);
    const int textLength = block.length() - 1;
    if (offset <= textLength)
        return block.position() + offset;
    // Inside or past the CR LF: the LF half maps to the start of the next line.
    return qMin(block.position() + textLength + 1, doc->characterCount() - 1);
}

// --- Selection ---------------------------------------------------------------------------------

int RichTextBox::SelStart() const {
    return toTextPosition(textCursor().selectionStart());
}

void RichTextBox::setSelStart(int start) {
    QTextCursor cursor = textCursor();
    cursor.setPosition(toDocumentPosition(start));
    setTextCursor(cursor);
}

int RichTextBox::SelLength() const {
    const QTextCursor cursor = textCursor();
    return toTextPosition(cursor.selectionEnd()) - toTextPosition(cursor.selectionStart());
}

void RichTextBox::setSelLength(int length) {
    QTextCursor cursor = textCursor();
    const int anchor = cursor.selectionStart();
    const int end = toDocumentPosition(toTextPosition(anchor) + qMax(0, length));
    cursor.setPosition(anchor);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

QString RichTextBox::SelText() const {
    QString text = textCursor().selectedText();
    text.replace(QChar(QChar::ParagraphSeparator), QStringLiteral("\r\n"));
    return text;
}

void RichTextBox::setSelText(const QString& text) {
    QTextCursor cursor = textCursor();
    cursor.insertText(toDocumentText(text));
    setTextCursor(cursor);
}

std::optional<quint32> RichTextBox::SelColor() const {
    return m_colours.colourAt(textCursor().selectionStart());
}

void RichTextBox::setSelColor(quint32 colour) {
    const QTextCursor cursor = textCursor();
    m_colours.assign(cursor.selectionStart(), cursor.selectionEnd(), colour);
    invalidateColours();
    viewport()->update();
}

void RichTextBox::setColour(int start, int length, std::optional<quint32> colour) {
    const int from = toDocumentPosition(start);
    const int to = toDocumentPosition(start + qMax(0, length));
    m_colours.assign(from, to, colour);
    invalidateColours();
    viewport()->update();
}

void RichTextBox::replaceColourRuns(std::vector<ColourRuns::Run> runs) {
    m_colours.replaceAll(std::move(runs));
    invalidateColours();
    viewport()->update();
}

bool RichTextBox::Move(double left, double top, double width, double height) {
    if (width < 0 || height < 0)
        return false;
    setGeometry(TwipsRect(left, top, width, height));
    return true;
}

// --- Files -------------------------------------------------------------------------------------

bool RichTextBox::LoadFile(const QString& path, QString* errorMessage) {
    QFile file(path);
    const QFileInfo info(path);
    if (info.isDir()) {
        if (errorMessage)
            *errorMessage = FileErrors::isFolder(path);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        if (errorMessage)
            *errorMessage = FileErrors::cannotOpen(file);
        return false;
    }
    if (file.size() > MaximumFileSize) {
        if (errorMessage)
            *errorMessage = FileErrors::tooLarge(path, MaximumFileSize);
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (errorMessage)
            *errorMessage = FileErrors::cannotRead(file);
        return false;
    }
    file.close();

    DecodedText decoded = DecodeTextFile(bytes);
    m_changedDuringLoad = false;
    m_colours.clear();
    invalidateColours();
    setPlainText(decoded.text);
    m_encoding = decoded.encoding;
    if (!m_changedDuringLoad)
        emit Change(); // loading counts as a change even when the text stays the same
    return true;
}

bool RichTextBox::SaveFile(const QString& path, QString* errorMessage) {
    TextEncoding used;
    const QString raw = document()->toRawText();
    const QByteArray bytes = EncodeTextFile(raw, m_encoding, &used);

    // Written beside the target and renamed over it, so a failed write leaves the old file.
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (QFileInfo(path).isDir()) {
        if (errorMessage)
            *errorMessage = FileErrors::isFolder(path);
        return false;
    }
    if (!file.open(QIODevice::WriteOnly)) {
        if (errorMessage)
            *errorMessage = FileErrors::cannotCreate(file, path);
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (errorMessage)
            *errorMessage = FileErrors::cannotWrite(file, path);
        file.cancelWriting();
        return false;
    }
    m_encoding = used;
    return true;
}

// --- Change notification and colours -----------------------------------------------------------

void RichTextBox::onContentsChange(int position, int removed, int added) {
    if (m_applyingColours)
        return; // only colours changed
    if (removed == 0 && added == 0)
        return;
    m_colours.edit(position, removed, added);
    invalidateColours();
    m_changedDuringLoad = true;
    emit Change();
}

void RichTextBox::applyVisibleColours() {
    const QPalette pal = palette();
    const int bottom = viewport()->height();
    QTextBlock block = firstVisibleBlock();
    const QPointF offset = contentOffset();
    m_applyingColours = true;
    while (block.isValid()) {
        const QRectF rect = blockBoundingGeometry(block).translated(offset);
        if (rect.top() > bottom)
            break;
        if (block.userState() != m_colourRevision) {
            QList<QTextLayout::FormatRange> ranges;
            const int start = block.position();
            m_colours.forEachIn(start, start + block.length() - 1,
                                [&](int from, int to, quint32 colour) {
                                    const auto qcolour = ColorFromVB(colour, pal);
                                    if (!qcolour)
                                        return;
                                    QTextLayout::FormatRange range;
                                    range.start = from - start;
                                    range.length = to - from;
                                    range.format.setForeground(*qcolour);
                                    ranges << range;
                                });
            if (!ranges.isEmpty() || !block.layout()->formats().isEmpty())
                block.layout()->setFormats(ranges);
            block.setUserState(m_colourRevision);
        }
        block = block.next();
    }
    m_applyingColours = false;
}

void RichTextBox::paintEvent(QPaintEvent* event) {
    applyVisibleColours();
    QPlainTextEdit::paintEvent(event);
}

void RichTextBox::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        invalidateColours(); // system colours follow the palette
    QPlainTextEdit::changeEvent(event);
}

// --- Keys --------------------------------------------------------------------------------------

bool RichTextBox::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // The menu's command wins over the editor's own key (Ctrl+A, Ctrl+X, Ctrl+C, Ctrl+V...).
        auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        for (const QKeySequence& reserved : reservedShortcuts()) {
            if (reserved.matches(pressed) == QKeySequence::ExactMatch) {
                event->ignore();
                return true;
            }
        }
    }
    return QPlainTextEdit::event(event);
}

void RichTextBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier) {
        setOverwriteMode(!overwriteMode());
        emit insertModeChanged(!overwriteMode());
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}
