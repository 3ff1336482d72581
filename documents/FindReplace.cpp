#include "documents/FindReplace.h"

#include <QTextCursor>
#include <QTextDocument>

#include "controls/RichTextBox.h"
#include "documents/TextSearch.h"

namespace FindReplace {

namespace {
QString searchable(const RichTextBox* box, const TextSearch& search) {
    QString text = box->documentText();
    // Only a regular expression tells the editor's line breaks from '\n' (^, $, \s); plain text
    // is found the same either way, without copying a large page once more.
    if (search.isRegularExpression())
        text.replace(QChar(QChar::ParagraphSeparator), QLatin1Char('\n'));
    return text;
}
} // namespace

Found findNext(RichTextBox* box, const TextSearch& search, bool backwards) {
    if (!box || !search.isValid())
        return {};
    const QString text = searchable(box, search);
    const int length = int(text.size());
    const QTextCursor cursor = box->textCursor();
    std::optional<TextSearch::Match> match;
    bool wrapped = false;
    if (backwards) {
        match = search.previous(text, 0, cursor.selectionStart());
        if (!match) {
            match = search.previous(text, 0, length);
            wrapped = match.has_value();
        }
    } else {
        match = search.next(text, cursor.selectionEnd(), length);
        if (!match) {
            match = search.next(text, 0, length);
            wrapped = match.has_value();
        }
    }
    if (!match)
        return {};
    box->selectDocumentRange(match->start, match->end);
    return {true, wrapped};
}

bool replaceSelection(RichTextBox* box, const TextSearch& search, const QString& with) {
    if (!box || !search.isValid())
        return false;
    QTextCursor cursor = box->textCursor();
    if (!cursor.hasSelection())
        return false;
    const QString text = searchable(box, search);
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    const auto match = search.next(text, start, end);
    if (!match || match->start != start || match->end != end)
        return false;
    cursor.insertText(search.replacement(text, *match, with));
    box->setTextCursor(cursor);
    return true;
}

int replaceAll(RichTextBox* box, const TextSearch& search, const QString& with,
               bool selectionOnly) {
    if (!box || !search.isValid())
        return 0;
    const QString text = searchable(box, search);
    int from = 0;
    int to = int(text.size());
    QTextCursor selection = box->textCursor();
    if (selectionOnly) {
        from = selection.selectionStart();
        to = selection.selectionEnd();
    }
    const std::vector<TextSearch::Match> matches = search.all(text, from, to);
    if (matches.empty())
        return 0;

    std::vector<QString> replacements;
    std::vector<ColourRuns::Edit> edits;
    replacements.reserve(matches.size());
    edits.reserve(matches.size());
    int delta = 0;
    for (const TextSearch::Match& match : matches) {
        replacements.push_back(search.replacement(text, match, with));
        const int added = int(replacements.back().size());
        edits.push_back({match.start, match.end - match.start, added});
        delta += added - (match.end - match.start);
    }
    // Where the colours go: worked out before the edit, laid on after it (the editor's own
    // following sees the whole edit as one change and would recolour everything in between).
    std::vector<ColourRuns::Run> before = box->colourRuns().runs();
    ColourRuns colours = box->colourRuns();
    colours.editAll(edits);

    {
        const RichTextBox::PaintSuspension quiet(box);
        QTextCursor cursor(box->document());
        cursor.beginEditBlock();
        // From the last match back, so the positions of those before stay as found.
        for (std::size_t i = matches.size(); i-- > 0;) {
            cursor.setPosition(matches[i].start);
            cursor.setPosition(matches[i].end, QTextCursor::KeepAnchor);
            cursor.insertText(replacements[i]);
        }
        // Undoing the step gives the colours back with the text.
        box->setColourRunsInEditBlock(std::move(before), colours.runs());
        cursor.endEditBlock();
    }
    if (selectionOnly)
        box->selectDocumentRange(from, to + delta);
    return int(matches.size());
}

} // namespace FindReplace
