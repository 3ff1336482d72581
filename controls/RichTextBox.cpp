#include "controls/RichTextBox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>
#include <thread>

#include "controls/FileErrors.h"
#include "controls/HeapMemory.h"
#include "controls/LinePieces.h"
#include "controls/LongLineLayout.h"
#include "controls/LongLinePainting.h"
#include "controls/RegularFile.h"
#include "controls/Twips.h"
#include "controls/WholeFileWrite.h"

namespace {
QList<QKeySequence>& reservedShortcuts() {
    static QList<QKeySequence> keys;
    return keys;
}

// From this many characters on, a load converts its text on a second thread.
constexpr qsizetype kParallelLoad = 256 * 1024;

QString toDocumentText(QString text) {
    // Any line break the caller uses becomes one editor line break.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}
} // namespace

QFont RichTextBox::editorFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setPointSizeF(9.75);
    font.setWeight(QFont::Normal);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

RichTextBox::RichTextBox(QWidget* parent) : QPlainTextEdit(parent) {
    auto* doc = new QTextDocument(this);
    doc->setDocumentLayout(new LongLineLayout(doc));
    setDocument(doc);
    setFont(editorFont());
    setBackgroundRole(QPalette::Base);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setTabChangesFocus(false);
    document()->setUndoRedoEnabled(true);
    connect(document(), &QTextDocument::contentsChange, this, &RichTextBox::onContentsChange);
    // The editor's text control, which blinks the caret (see eventFilter).
    for (QObject* child : children()) {
        if (child->inherits("QWidgetTextControl")) {
            m_textControl = child;
            child->installEventFilter(this);
        }
    }
}

RichTextBox::~RichTextBox() {
    // A very large page's text, layouts and colours are freed after this, with the editor's
    // members and children; the memory goes back to the system once that is done. Smaller pages
    // leave theirs in the heap for the next page (the next large colouring pass trims it).
    if (m_text.size() >= 8 * HeapMemory::kLargeText)
        QTimer::singleShot(0, [] { HeapMemory::returnFreedMemory(); });
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

int RichTextBox::textLength() const {
    return document()->characterCount() - 1 + document()->blockCount() - 1;
}

void RichTextBox::setText(const QString& text) {
    replaceAllText(toDocumentText(text));
}

void RichTextBox::replaceAllText(const QString& documentText, const Colouring& colouring,
                                 const std::function<void()>& besideFilling) {
    // A new text starts without colours, or with the ones given for it. The editor reports the
    // replacement in several steps (clearing, inserting, resetting formats); it is one change of
    // the text.
    m_colours.clear();
    m_textSnapshot = QString();
    std::pair<int, int> selection{-1, -1}; // left selected once the text is in
    // The editor's pieces of the text are converted from it (its line breaks as the document
    // stores them), not read back out of the document: on a large page on another thread, while
    // the text is coloured and the document filled.
    TextChunks pieces;
    // Taken here, the memory comes from this thread's heap, where a load's freed buffers wait.
    QByteArray storage(documentText.size(), Qt::Uninitialized);
    const auto convert = [&pieces, &documentText, &storage, &besideFilling] {
        HeapMemory::bringIn(storage.data(), storage.size());
        pieces.resetFromPlainText(documentText, std::move(storage));
        if (besideFilling)
            besideFilling();
    };
    {
        std::jthread converter;
        if (documentText.size() >= kParallelLoad)
            converter = std::jthread(convert);
        else
            convert();
        LoadColours given;
        if (colouring) {
            given = colouring(documentText);
            m_colours.replaceAll(std::move(given.runs));
        }
        invalidateColours();
        {
            const QScopedValueRollback<bool> replacing(m_replacingAllText, true);
            const QScopedValueRollback<int> caret(m_loadCaret, given.selectTo);
            fillDocument(documentText);
        }
        selection = {given.selectFrom, given.selectTo};
    } // the converter is joined here, also when something above failed
    m_text = std::move(pieces);
    emit Change();
    if (selection.first >= 0)
        selectDocumentRange(selection.first, selection.second);
}

void RichTextBox::fillDocument(const QString& documentText) {
    // What setPlainText does, less its second pass over the new text, which gives all of it the
    // caret's character format: the text here carries no character formats (colours are layout
    // formats), and on a page of tens of megabytes that pass is a sixth of the load.
    QTextDocument* doc = document();
    doc->setPlainText(documentText); // with an empty undo history
    setTextCursor(QTextCursor(doc)); // the caret at the start, and the view there
    doc->setModified(false);
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

// The colours of one edit block in the undo history.
class ColourStep : public QAbstractUndoItem {
public:
    ColourStep(RichTextBox* box, std::vector<ColourRuns::Run> before,
               std::vector<ColourRuns::Run> after)
        : m_box(box), m_before(std::move(before)), m_after(std::move(after)) {}
    void undo() override {
        if (m_box)
            m_box->restoreColours(m_before);
    }
    void redo() override {
        if (m_box)
            m_box->restoreColours(m_after);
    }

private:
    QPointer<RichTextBox> m_box;
    std::vector<ColourRuns::Run> m_before;
    std::vector<ColourRuns::Run> m_after;
};

void RichTextBox::setColourRunsInEditBlock(std::vector<ColourRuns::Run> before,
                                           std::vector<ColourRuns::Run> after) {
    document()->appendUndoItem(new ColourStep(this, std::move(before), after));
    restoreColours(after);
}

void RichTextBox::restoreColours(const std::vector<ColourRuns::Run>& runs) {
    // The document reports the undone text change once the whole step is undone, after this:
    // the colours are laid on then, instead of following that change.
    m_colours.replaceAll(runs);
    invalidateColours();
    viewport()->update();
    m_restoredColours = runs;
    QMetaObject::invokeMethod(
        this, [this] { m_restoredColours.reset(); }, Qt::QueuedConnection);
}

void RichTextBox::overlayColourRuns(const std::vector<ColourRuns::Run>& runs) {
    m_colours.overlay(runs);
    invalidateColours();
    viewport()->update();
}

QString RichTextBox::documentText() const {
    if (!m_textSnapshot.isNull())
        return m_textSnapshot;
    return m_text.joined();
}

void RichTextBox::forgetLoadedText() {
    m_textSnapshot = QString();
}

void RichTextBox::selectDocumentRange(int start, int end) {
    const int last = document()->characterCount() - 1;
    QTextCursor cursor = textCursor();
    cursor.setPosition(qBound(0, start, last));
    cursor.setPosition(qBound(0, end, last), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

RichTextBox::PaintSuspension::PaintSuspension(RichTextBox* box)
    : m_box(box), m_wasEnabled(box && box->updatesEnabled()) {
    if (box)
        box->setUpdatesEnabled(false);
}

RichTextBox::PaintSuspension::~PaintSuspension() {
    if (m_box)
        m_box->setUpdatesEnabled(m_wasEnabled);
}

bool RichTextBox::Move(double left, double top, double width, double height) {
    if (width < 0 || height < 0)
        return false;
    setGeometry(twipsRect(left, top, width, height));
    return true;
}

// --- Files -------------------------------------------------------------------------------------

bool RichTextBox::LoadFile(const QString& path, QString* errorMessage) {
    DecodedText decoded;
    if (!readFile(path, &decoded, errorMessage))
        return false;
    loadDecoded(std::move(decoded));
    return true;
}

bool RichTextBox::readFile(const QString& path, DecodedText* decoded, QString* errorMessage) {
    QByteArray bytes;
    QString error;
    if (!readRegularFile(path, MaximumFileSize, &bytes, &error)) {
        if (errorMessage)
            *errorMessage = error;
        return false;
    }
    *decoded = decodeTextFile(bytes);
    return true;
}

void RichTextBox::loadDecoded(DecodedText decoded) {
    loadDecoded(std::move(decoded), {});
}

void RichTextBox::loadDecoded(DecodedText decoded, const Colouring& colouring) {
    m_encoding = decoded.encoding;
    m_fileDeclaration = decoded.declared;
    replaceAllText(decoded.text, colouring); // a change even when the text stays the same
}

void RichTextBox::loadDecodedAlongside(DecodedText decoded,
                                       const std::function<void()>& besideFilling) {
    m_encoding = decoded.encoding;
    m_fileDeclaration = decoded.declared;
    replaceAllText(decoded.text, {}, besideFilling);
}

RichTextBox::PreparedDocument RichTextBox::prepareDocument(const QString& text, QThread* owner) {
    PreparedDocument prepared;
    prepared.documentText = toDocumentText(text);
    auto document = std::make_unique<QTextDocument>();
    // The layout an editor needs, set before anything asks for the document's default one.
    document->setDocumentLayout(new LongLineLayout(document.get()));
    document->setDefaultFont(editorFont());
    document->setPlainText(prepared.documentText);
    // Every line gets its layout object here rather than when the editor first sizes the text.
    for (QTextBlock block = document->firstBlock(); block.isValid(); block = block.next())
        block.layout();
    document->setUndoRedoEnabled(true); // with an empty history
    document->setModified(false);
    prepared.text.reset(document->toRawText());
    document->moveToThread(owner);
    prepared.document = std::move(document);
    return prepared;
}

void RichTextBox::loadPrepared(DecodedText decoded, PreparedDocument prepared) {
    m_encoding = decoded.encoding;
    m_fileDeclaration = decoded.declared;
    m_colours.clear();
    invalidateColours();
    QTextDocument* document = prepared.document.release();
    document->setParent(this);
    {
        const QScopedValueRollback<bool> replacing(m_replacingAllText, true);
        // The editor lets its own document go; everything else follows the editor's signals.
        disconnect(QPlainTextEdit::document(), nullptr, this, nullptr);
        setDocument(document);
        if (document->defaultFont() != font())
            document->setDefaultFont(font());
        connect(document, &QTextDocument::contentsChange, this, &RichTextBox::onContentsChange);
    }
    m_text = std::move(prepared.text);
    m_textSnapshot = std::move(prepared.documentText);
    emit Change();
}

bool RichTextBox::SaveFile(const QString& path, QString* errorMessage) {
    const std::optional<QByteArray> bytes = encodeTextFile(documentText(), m_encoding);
    QString error;
    if (!bytes) {
        error = QStringLiteral("A(z) \"%1\" fájl mentése nem sikerült: a szöveg nem írható le "
                               "%2 kódolással.")
                    .arg(QDir::toNativeSeparators(path), encodingName(m_encoding.codec));
    } else if (writeWholeFile(path, *bytes, &error)) {
        return true;
    }
    if (errorMessage)
        *errorMessage = error;
    return false;
}

// --- Change notification and colours -----------------------------------------------------------
//
// Colours live in m_colours, in document positions, and reach the screen as layout formats of the
// blocks that are shown (never as character formats, which would enter the undo history). A block
// whose userState equals m_colourRevision carries the current formats; an edit refreshes the
// blocks it touched at once, anything wider bumps the revision and the next paint catches up.

namespace {
// Edits touching more blocks than this are left to the next paint.
constexpr int kImmediateBlocks = 8;

// A line this long is laid out again whole on every edit (Qt shapes whole paragraphs), so it
// keeps its shaped glyphs between paints and carries formats only around what is shown.
constexpr int kLongBlock = RichTextBox::LongLine;
constexpr int kWindowMargin = 4096; // characters formatted on either side of the shown ones
} // namespace

void RichTextBox::onContentsChange(int position, int removed, int added) {
    if (m_replacingAllText && added > 0 && !m_colours.runs().empty())
        colourLongLinesBeforeLayout();
    if ((removed == 0 && added == 0) || m_replacingAllText || m_onlyFormatsChange)
        return;
    m_text.apply(document(), position, removed, added);
    followLongLine(position, removed, added);
    m_textSnapshot = QString();
    if (m_inInputMethodEvent) {
        m_inputMethodEdited = true; // measured once the event is done, see inputMethodEvent
        return;
    }
    followEdit(position, removed, added);
}

void RichTextBox::followLongLine(int position, int removed, int added) {
    // A long line's pieces follow every edit inside it; any other edit lets them go.
    const QTextBlock block = document()->findBlock(position);
    auto* data = static_cast<LongLineData*>(block.userData());
    if (data && data->pieces &&
        !data->pieces->follow(block, position - block.position(), removed, added))
        data->pieces.reset();
}

void RichTextBox::followEdit(int position, int removed, int added) {
    if (m_restoredColours) {
        m_colours.replaceAll(*std::exchange(m_restoredColours, std::nullopt));
        invalidateColours();
    } else {
        m_colours.edit(position, removed, added);
    }
    refreshEditedBlocks(position, position + added);
    emit Change();
}

void RichTextBox::colourLongLinesBeforeLayout() {
    // Inside the document's report of a new text, which it lays out right after: the long lines
    // around where the new text will be shown (at its start, or at the caret the load leaves)
    // take their colours first and are laid out once.
    const QTextDocument* doc = document();
    const int caret = qBound(0, m_loadCaret, doc->characterCount() - 1);
    const int rows = shownRows();
    const qreal advance = characterWidth();
    const int shownCharacters = int(viewport()->width() / advance) + 1;
    QTextBlock block = doc->findBlockByNumber(qMax(0, doc->findBlock(caret).blockNumber() - rows));
    for (int i = 0; i < 2 * rows && block.isValid(); ++i, block = block.next()) {
        if (block.length() <= kLongBlock)
            continue;
        // The view scrolls sideways until the caret is just in view at its right edge.
        const int caretInBlock = block.contains(caret) ? caret - block.position() : 0;
        const int shownTo = qMax(caretInBlock, shownCharacters);
        auto* window = static_cast<LongLineData*>(block.userData());
        if (!window) {
            window = new LongLineData;
            block.setUserData(window);
        }
        window->from = qMax(0, shownTo - shownCharacters - kWindowMargin);
        window->to = qMin(block.length() - 1, shownTo + kWindowMargin);
        formatBlock(block, true); // in that window
    }
}

void RichTextBox::refreshEditedBlocks(int from, int to) {
    const QTextDocument* doc = document();
    const int last = doc->characterCount() - 1;
    QTextBlock block = doc->findBlock(qBound(0, from, last));
    const QTextBlock end = doc->findBlock(qBound(0, to, last));
    if (!block.isValid() || !end.isValid())
        return;
    if (end.blockNumber() - block.blockNumber() >= kImmediateBlocks) {
        invalidateColours();
        return;
    }
    // Inside the document's change notification: the layout is redone right after this with the
    // new formats, and no change is left pending for the next edit to report.
    for (;;) {
        formatBlock(block, true);
        if (block == end)
            break;
        block = block.next();
    }
}

bool RichTextBox::formatBlock(QTextBlock& block, bool afterEdit) {
    QTextLayout* layout = block.layout();
    const int start = block.position();
    const int preeditAt = layout->preeditAreaText().isEmpty() ? -1 : layout->preeditAreaPosition();
    const int preeditLength = int(layout->preeditAreaText().size());
    const QPalette pal = palette();

    int windowFrom = 0;
    int windowTo = block.length() - 1;
    if (block.length() > kLongBlock) {
        layout->setCacheEnabled(true);
        auto* window = static_cast<LongLineData*>(block.userData());
        if (window && afterEdit) {
            // The edit dropped the block's glyphs: measuring the view would shape the whole line
            // once more, so the window stays where it was (its margin covers the caret's moves).
            windowFrom = qMin(window->from, block.length() - 1);
            windowTo = qMin(window->to, block.length() - 1);
        } else {
            const auto [shownFrom, shownTo] = shownCharacters(block, !afterEdit);
            if (window && shownFrom >= window->from && shownTo <= window->to &&
                window->to <= block.length() - 1) {
                // What is shown is still inside the window: the same formats need no new layout.
                windowFrom = window->from;
                windowTo = window->to;
            } else {
                windowFrom = qMax(0, shownFrom - kWindowMargin);
                windowTo = qMin(block.length() - 1, shownTo + kWindowMargin);
            }
        }
        if (!window) {
            window = new LongLineData;
            block.setUserData(window);
        }
        window->from = windowFrom;
        window->to = windowTo;
    }

    QList<QTextLayout::FormatRange> ranges;
    if (block.length() > kLongBlock &&
        (LongLineLayout::fittingPieces(block) || !needsShaping(block.text()))) {
        // The editor's font is fixed-pitch: text that needsShaping finds plain looks the same
        // without shaping, and a long line laid out without it takes half the time.
        QTextLayout::FormatRange whole;
        whole.start = 0;
        whole.length = block.length() - 1 + preeditLength;
        whole.format.setFontStyleStrategy(QFont::PreferNoShaping);
        ranges << whole;
    }
    m_colours.forEachIn(
        start + windowFrom, start + windowTo, [&](int from, int to, quint32 colour) {
            const auto qcolour = colorFromVB(colour, pal);
            if (!qcolour)
                return;
            QTextLayout::FormatRange range;
            range.start = from - start;
            range.length = to - from;
            if (preeditAt >= 0) {
                // The layout's text holds the preedit string at preeditAt.
                if (range.start >= preeditAt)
                    range.start += preeditLength;
                else if (range.start + range.length > preeditAt)
                    range.length += preeditLength;
            }
            range.format.setForeground(*qcolour);
            // Touching runs of one colour are one range, however the runs
            // were cut, so that the same colours give the same formats.
            if (!ranges.isEmpty() && ranges.last().start + ranges.last().length == range.start &&
                ranges.last().format == range.format)
                ranges.last().length += range.length;
            else
                ranges << range;
        });
    if (preeditAt >= 0)
        ranges << m_preeditFormats;
    block.setUserState(m_colourRevision);
    if (ranges == layout->formats())
        return false;
    layout->setFormats(ranges);
    return true;
}

std::pair<int, int> RichTextBox::shownCharacters(const QTextBlock& block, bool measure) const {
    const int length = block.length() - 1;
    if (lineWrapMode() != NoWrap)
        return {0, length};
    const qreal left = horizontalScrollBar()->value();
    const qreal right = left + viewport()->width();
    const QTextLayout* layout = block.layout();
    // Laid-out lines of a long block keep their glyphs (cache enabled), so measuring is cheap.
    if (measure && layout->lineCount() == 1 && layout->cacheEnabled()) {
        const QTextLine line = layout->lineAt(0);
        return {line.xToCursor(left), line.xToCursor(right)};
    }
    // A line waiting for its layout is measured by its pieces.
    if (const LinePieces* pieces = LongLineLayout::waitingPieces(block); measure && pieces)
        return {pieces->xToCursor(block, left), pieces->xToCursor(block, right)};
    // Not laid out yet: a fixed-pitch estimate, which the margin around it absorbs.
    const qreal advance = characterWidth();
    return {qMin(length, int(left / advance)), qMin(length, int(right / advance) + 1)};
}

int RichTextBox::shownRows() const {
    // Every shown block is at least one line high, so this many blocks cover the viewport.
    return viewport()->height() / qMax(1, fontMetrics().lineSpacing()) + 2;
}

qreal RichTextBox::characterWidth() const {
    // The editor's font is fixed-pitch; estimates of what a line shows go by its 'x'.
    return qMax<qreal>(1, QFontMetricsF(font()).horizontalAdvance(u'x'));
}

void RichTextBox::checkFormatWindows() {
    // Long lines scrolled sideways past their formatted part get their formats again.
    const int rows = shownRows();
    QTextBlock block = firstVisibleBlock();
    bool stale = false;
    for (int i = 0; i < rows && block.isValid(); ++i, block = block.next()) {
        const auto* window = static_cast<const LongLineData*>(block.userData());
        if (!window || block.length() <= kLongBlock || block.userState() != m_colourRevision)
            continue;
        const auto [shownFrom, shownTo] = shownCharacters(block, true);
        if (shownFrom < window->from || shownTo > window->to) {
            block.setUserState(-1);
            stale = true;
        }
    }
    if (stale)
        viewport()->update();
}

void RichTextBox::scrollContentsBy(int dx, int dy) {
    QPlainTextEdit::scrollContentsBy(dx, dy);
    if (dx != 0)
        checkFormatWindows();
}

void RichTextBox::resizeEvent(QResizeEvent* event) {
    if (lineWrapMode() == NoWrap && event->oldSize().width() != event->size().width()) {
        // Without wrapping the width changes no line, but the editor would lay out every block
        // again for it, giving each one a layout object for good (several hundred bytes a line,
        // and a pause on every resize of a large page). Its scroll bars still follow the size.
        QResizeEvent sameWidth(event->size(),
                               QSize(event->size().width(), event->oldSize().height()));
        QPlainTextEdit::resizeEvent(&sameWidth);
    } else {
        QPlainTextEdit::resizeEvent(event);
    }
    checkFormatWindows();
}

void RichTextBox::applyVisibleColours() {
    const int rows = shownRows();
    int from = -1;
    int to = -1;
    bool firstLayout = false;
    QTextBlock block = firstVisibleBlock();
    for (int i = 0; i < rows && block.isValid(); ++i, block = block.next()) {
        if (block.userState() == m_colourRevision)
            continue;
        const bool laidOut = block.layout()->lineCount() > 0;
        if (formatBlock(block)) {
            firstLayout = firstLayout || !laidOut;
            if (from < 0)
                from = block.position();
            to = block.position() + block.length();
        }
    }
    if (from < 0)
        return;
    // setFormats leaves a pending change in the document, which its next edit would report as
    // part of its own range (and so recolour text it never touched). Hand it to the layout now;
    // the paint under way draws the new formats, so the layout's repaint request is not needed.
    // A line laid out here for the first time still reports its width to the scroll bars.
    const QSignalBlocker quiet(firstLayout ? nullptr : document()->documentLayout());
    const QScopedValueRollback<bool> formats(m_onlyFormatsChange, true);
    document()->markContentsDirty(from, to - from);
}

void RichTextBox::paintEvent(QPaintEvent* event) {
    // A long line waiting for its layout is drawn from its pieces (see LongLineLayout.h).
    const LongLineLayout::Deferral deferral(document());
    applyVisibleColours();
    if (!showsLongLine())
        QPlainTextEdit::paintEvent(event);
    else
        paintWithLongLines(event);
}

bool RichTextBox::showsLongLine() const {
    if (lineWrapMode() != NoWrap)
        return false;
    const int rows = shownRows();
    QTextBlock block = firstVisibleBlock();
    for (int i = 0; i < rows && block.isValid(); ++i, block = block.next()) {
        if (block.length() > kLongBlock)
            return true;
    }
    return false;
}

void RichTextBox::paintWithLongLines(QPaintEvent* event) {
    // The editor's own painting, block by block, except that a long line draws only the part
    // that is shown (see LongLinePainting.h).
    QPainter painter(viewport());
    QPointF offset(contentOffset());
    QRect er = event->rect();
    const QRect viewportRect = viewport()->rect();
    const bool editable = !isReadOnly();
    const qreal maximumWidth = document()->documentLayout()->documentSize().width();
    painter.setBrushOrigin(offset);
    // The right margin stays clear of whole-width selections.
    const int maxX = int(offset.x() + qMax(qreal(viewportRect.width()), maximumWidth) -
                         document()->documentMargin()) +
                     cursorWidth();
    er.setRight(qMin(er.right(), maxX));
    painter.setClipRect(er);
    const QAbstractTextDocumentLayout::PaintContext context = getPaintContext();
    painter.setPen(context.palette.text().color());

    QTextBlock block = firstVisibleBlock();
    while (block.isValid()) {
        const QRectF r = blockBoundingRect(block).translated(offset);
        QTextLayout* layout = block.layout();
        if (!block.isVisible()) {
            offset.ry() += r.height();
            block = block.next();
            continue;
        }
        if (r.bottom() >= er.top() && r.top() <= er.bottom()) {
            const QBrush background = block.blockFormat().background();
            if (background != Qt::NoBrush) {
                QRectF contentsRect = r;
                contentsRect.setWidth(qMax(r.width(), maximumWidth));
                painter.fillRect(contentsRect, background);
            }
            const int blpos = block.position();
            const int bllen = block.length();
            ShownPartSelection shown;
            for (const QAbstractTextDocumentLayout::Selection& range : context.selections) {
                const int selStart = range.cursor.selectionStart() - blpos;
                const int selEnd = range.cursor.selectionEnd() - blpos;
                if (selStart < bllen && selEnd > 0 && selEnd > selStart) {
                    shown.selections.append({selStart, selEnd - selStart, range.format});
                } else if (!range.cursor.hasSelection() &&
                           range.format.hasProperty(QTextFormat::FullWidthSelection) &&
                           block.contains(range.cursor.position())) {
                    // A whole-width selection marks the caret's line without selecting.
                    QTextLayout::FormatRange o{0, bllen - 1, range.format};
                    if (layout->lineCount() > 0) {
                        const QTextLine line =
                            layout->lineForTextPosition(range.cursor.position() - blpos);
                        o = {line.textStart(), line.textLength(), range.format};
                    }
                    if (o.start + o.length == bllen - 1)
                        ++o.length; // the line break too
                    shown.selections.append(o);
                }
            }
            const bool drawCursor =
                (editable || (textInteractionFlags() & Qt::TextSelectableByKeyboard)) &&
                context.cursorPosition >= blpos && context.cursorPosition < blpos + bllen;
            bool drawCursorAsBlock = drawCursor && overwriteMode();
            if (drawCursorAsBlock) {
                if (context.cursorPosition == blpos + bllen - 1) {
                    drawCursorAsBlock = false;
                } else {
                    QTextLayout::FormatRange o;
                    o.start = context.cursorPosition - blpos;
                    o.length = 1;
                    o.format.setForeground(palette().base());
                    o.format.setBackground(palette().text());
                    shown.selections.append(o);
                }
            }
            if ((drawCursor && !drawCursorAsBlock) ||
                (editable && context.cursorPosition < -1 && !layout->preeditAreaText().isEmpty())) {
                const int cpos = context.cursorPosition;
                shown.cursorPosition =
                    cpos < -1 ? layout->preeditAreaPosition() - (cpos + 2) : cpos - blpos;
            }
            shown.cursorWidth = cursorWidth();
            if (const LinePieces* pieces = LongLineLayout::waitingPieces(block)) {
                drawWaitingLine(&painter, block, offset, er, shown, *pieces);
            } else if (bllen <= kLongBlock || !drawShownPart(&painter, block, offset, er, shown)) {
                layout->draw(&painter, offset, shown.selections, er);
                if (shown.cursorPosition >= 0)
                    layout->drawCursor(&painter, offset, shown.cursorPosition, cursorWidth());
            }
            // A long line shown laid out gets its pieces now, while its layout is at hand: the
            // first key typed into it, or a sideways move of its coloured part, then need no
            // new layout of the line.
            longLinePieces(block);
        }
        offset.ry() += r.height();
        if (offset.y() > viewportRect.height())
            break;
        block = block.next();
    }
    if (backgroundVisible() && !block.isValid() && offset.y() <= er.bottom() &&
        (centerOnScroll() || verticalScrollBar()->maximum() == verticalScrollBar()->minimum())) {
        painter.fillRect(QRect(QPoint(er.left(), int(offset.y())), er.bottomRight()),
                         palette().window());
    }
}

void RichTextBox::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange) {
        invalidateColours(); // system colours follow the palette
        viewport()->update();
    }
    QPlainTextEdit::changeEvent(event);
}

QString RichTextBox::documentRange(int from, int to) const {
    QTextCursor cursor(document());
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    return cursor.selectedText();
}

void RichTextBox::inputMethodEvent(QInputMethodEvent* event) {
    // The editor reports every input method event as a change of the whole caret block, whether
    // text changed or only the preedit string did. The real edit is found by comparing the text
    // around the caret before and after, so that colours and Change follow only real edits.
    QTextDocument* doc = document();
    const QTextCursor cursor = textCursor();
    const int last = doc->characterCount() - 1;
    const int replaceFrom = cursor.position() + event->replacementStart();
    const int replaceTo = replaceFrom + event->replacementLength();
    const QTextBlock firstBlock =
        doc->findBlock(qBound(0, qMin(cursor.selectionStart(), replaceFrom), last));
    const QTextBlock lastBlock =
        doc->findBlock(qBound(0, qMax(cursor.selectionEnd(), replaceTo), last));
    const int from = firstBlock.position();
    const int to = lastBlock.position() + lastBlock.length() - 1;
    const QString before = documentRange(from, to);
    const int countBefore = doc->characterCount();

    m_inputMethodEdited = false;
    {
        const QScopedValueRollback<bool> inEvent(m_inInputMethodEvent, true);
        QPlainTextEdit::inputMethodEvent(event);
    }

    // The input method replaced the caret block's formats with its own preedit formats.
    QTextBlock caretBlock = textCursor().block();
    m_preeditFormats = caretBlock.layout()->formats();

    if (m_inputMethodEdited) {
        const QString after = documentRange(from, to + doc->characterCount() - countBefore);
        qsizetype prefix = 0;
        const qsizetype common = qMin(before.size(), after.size());
        while (prefix < common && before[prefix] == after[prefix])
            ++prefix;
        qsizetype suffix = 0;
        while (suffix < common - prefix &&
               before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
            ++suffix;
        const int removed = int(before.size() - prefix - suffix);
        const int added = int(after.size() - prefix - suffix);
        if (removed > 0 || added > 0)
            followEdit(from + int(prefix), removed, added);
    }
    formatBlock(caretBlock, true);
    // Outside the document's own notification setFormats leaves its change pending: hand it to
    // the layout now rather than to the next edit's report.
    const int end = caretBlock.position() + caretBlock.length();
    const int start = qMin(from, caretBlock.position());
    {
        const QScopedValueRollback<bool> formats(m_onlyFormatsChange, true);
        doc->markContentsDirty(start, qMin(end, doc->characterCount()) - start);
    }
    viewport()->update();
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
    if (typeIntoLongLine(event))
        return;
    QPlainTextEdit::keyPressEvent(event);
}
