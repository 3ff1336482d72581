#pragma once
// The document editor: a plain-text editor with per-character colours and the members the
// document commands use (Text, SelStart, SelLength, SelText, SelColor, LoadFile, SaveFile, Change).
//
// Positions count a line break as two characters (CR LF), as Text returns it.

#include "controls/ColourRuns.h"
#include "controls/TextChunks.h"
#include "controls/TextFileCodec.h"

#include <QKeySequence>
#include <QList>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextDocument>
#include <QTextLayout>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class LinePieces;
class QThread;

class RichTextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit RichTextBox(QWidget* parent = nullptr);
    ~RichTextBox() override;

    QString Text() const;
    void setText(const QString& text);
    int textLength() const; // length of Text(), without building it

    int SelStart() const;
    void setSelStart(int start);
    int SelLength() const;
    void setSelLength(int length);
    QString SelText() const;
    void setSelText(const QString& text);
    std::optional<quint32> SelColor() const;
    void setSelColor(quint32 colour);

    // Places the box in twips; a negative width or height is refused (returns false).
    bool Move(double left, double top, double width, double height);

    // Plain-text file load and save in the remembered encoding. On failure the box is left as it
    // was, errorMessage receives a Hungarian reason, and the file is as that reason says. A text
    // the encoding cannot write is not saved (the document commands ask about UTF-8 first).
    bool LoadFile(const QString& path, QString* errorMessage = nullptr);
    // The reading and decoding of LoadFile, which touch no editor (any thread may do them).
    static bool readFile(const QString& path, DecodedText* decoded,
                         QString* errorMessage = nullptr);
    bool SaveFile(const QString& path, QString* errorMessage = nullptr);
    // The last step of LoadFile, for text decoded elsewhere (for instance on another thread).
    void loadDecoded(DecodedText decoded);
    // loadDecoded with colours: `colouring` gets the text in document positions before the
    // editor lays any of it out and returns its colours and the range to leave selected, so that
    // a long line is laid out once, already coloured where it will be shown; colouring it
    // afterwards lays it out again.
    struct LoadColours {
        std::vector<ColourRuns::Run> runs; // in document positions
        int selectFrom = -1;               // the range selected once the text is in, if any
        int selectTo = -1;
    };
    using Colouring = std::function<LoadColours(const QString& documentText)>;
    void loadDecoded(DecodedText decoded, const Colouring& colouring);
    // loadDecoded that also does `besideFilling` while the editor takes in a large text, on the
    // thread that already works beside it (the copy of the text for other threads), so that one
    // thread, not two, shares the processors with the filling. It is done when this returns; for
    // a small text it is done here before the text goes in.
    void loadDecodedAlongside(DecodedText decoded, const std::function<void()>& besideFilling);

    // A document filled with a text away from any editor, so that a large text can be put in
    // while nothing waits for it; an editor then takes it over with loadPrepared.
    struct PreparedDocument {
        std::unique_ptr<QTextDocument> document;
        QString documentText; // the text as put in, every line break one '\n'
        TextChunks text;      // the document's own text, read back, in pieces
    };
    // Any thread may call this; the document ends up belonging to `owner`, the thread of the
    // editor that will take it.
    static PreparedDocument prepareDocument(const QString& text, QThread* owner);
    // loadDecoded with the text already in a prepared document; `decoded` gives the encoding.
    void loadPrepared(DecodedText decoded, PreparedDocument prepared);
    // The editor's font, also for documents prepared on other threads.
    static QFont editorFont();

    // The encoding the text was read in and is written in, with or without a byte-order mark.
    TextEncoding encoding() const { return m_encoding; }
    void setEncoding(const TextEncoding& encoding) { m_encoding = encoding; }
    // The encoding the file's own charset declaration named when it was read or last written.
    std::optional<TextEncoding::Codec> fileDeclaration() const { return m_fileDeclaration; }
    void setFileDeclaration(std::optional<TextEncoding::Codec> codec) { m_fileDeclaration = codec; }

    const ColourRuns& colourRuns() const { return m_colours; }
    // Colours a range given in Text() positions without touching the selection.
    void setColour(int start, int length, std::optional<quint32> colour);
    // Replaces every colour at once; runs are in document positions (a line break counts one).
    void replaceColourRuns(std::vector<ColourRuns::Run> runs);
    // Inside an edit block of the document: the colours become `after` when the block ends, and
    // the undo history keeps them with the block's text (undoing it gives `before` back, redoing
    // it `after`). Runs are in document positions.
    void setColourRunsInEditBlock(std::vector<ColourRuns::Run> before,
                                  std::vector<ColourRuns::Run> after);
    // Lays sorted, non-overlapping runs (document positions) over the present colours; the
    // characters outside them keep theirs.
    void overlayColourRuns(const std::vector<ColourRuns::Run>& runs);

    // The text in document positions: one character ('\n' or U+2029) per line break. Cheaper
    // than Text().
    QString documentText() const;
    // The same text as documentText(), taken in constant time: pieces shared with the editor,
    // which any thread may join. For work off the user-interface thread on large pages.
    TextSnapshot textSnapshot() const { return m_text.snapshot(); }
    // Lets go of the text kept from the last load for the colouring that follows it;
    // documentText() then joins the editor's pieces of the text.
    void forgetLoadedText();
    // Selects [start, end) given in document positions; the caret ends at `end`.
    void selectDocumentRange(int start, int end);

    // Stops the box from painting while it lives, without hiding it or moving the focus; painting
    // resumes (and the box is redrawn) when it goes, also when the work in between failed.
    class PaintSuspension {
    public:
        explicit PaintSuspension(RichTextBox* box);
        ~PaintSuspension();
        PaintSuspension(const PaintSuspension&) = delete;
        PaintSuspension& operator=(const PaintSuspension&) = delete;

    private:
        QPointer<RichTextBox> m_box;
        bool m_wasEnabled;
    };

    // Position conversions between Text() positions and the editor's own (one per line break).
    int toDocumentPosition(int textPosition) const;
    int toTextPosition(int documentPosition) const;

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

    // Keys the main window's menu owns even while this editor has the focus.
    static void setReservedShortcuts(const QList<QKeySequence>& keys);

    static constexpr qint64 MaximumFileSize = 512ll * 1024 * 1024;
    // From this length on, a line is laid out whole on every edit and drawn only where shown.
    static constexpr int LongLine = 10000;

signals:
    // Raised after every change of the text (typed, pasted, loaded, undone), never by colouring.
    void Change();
    void insertModeChanged(bool insertMode);

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class ColourStep;
    // Colours an undo or redo brings back; they replace the following of its text change.
    void restoreColours(const std::vector<ColourRuns::Run>& runs);
    void replaceAllText(const QString& documentText, const Colouring& colouring = {},
                        const std::function<void()>& besideFilling = {});
    void fillDocument(const QString& documentText);
    void colourLongLinesBeforeLayout();
    void onContentsChange(int position, int removed, int added);
    void followEdit(int position, int removed, int added);
    void followLongLine(int position, int removed, int added);
    bool typeIntoLongLine(QKeyEvent* event);
    // The pieces of a long line (see LinePieces.h), measured if need be; null where it has none.
    LinePieces* longLinePieces(const QTextBlock& block);
    // The caret's rectangle in the viewport while its line waits for its layout.
    std::optional<QRectF> waitingCaretRect() const;
    void refreshEditedBlocks(int from, int to);
    bool formatBlock(QTextBlock& block, bool afterEdit = false);
    std::pair<int, int> shownCharacters(const QTextBlock& block, bool measure) const;
    int shownRows() const;        // blocks enough to cover the viewport
    qreal characterWidth() const; // of the fixed-pitch font
    void checkFormatWindows();
    void applyVisibleColours();
    bool showsLongLine() const;
    void paintWithLongLines(QPaintEvent* event);
    void invalidateColours() { ++m_colourRevision; }
    QString documentRange(int from, int to) const;

    ColourRuns m_colours;
    TextEncoding m_encoding;
    std::optional<TextEncoding::Codec> m_fileDeclaration;
    // A block whose userState equals this revision shows the current colours.
    int m_colourRevision = 1;
    bool m_replacingAllText = false;
    int m_loadCaret = -1;   // while a new text goes in: where the caret will be, if known
    QString m_textSnapshot; // a prepared document's text as put in, until the first edit
    TextChunks m_text;      // the document's text, kept current from every change
    bool m_onlyFormatsChange = false;
    std::optional<std::vector<ColourRuns::Run>> m_restoredColours; // set during an undo or redo
    bool m_inInputMethodEvent = false;
    bool m_inputMethodEdited = false;
    // The input method's own formats for its preedit text (in the caret block's layout).
    QList<QTextLayout::FormatRange> m_preeditFormats;
    QObject* m_textControl = nullptr;
};
