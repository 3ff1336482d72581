#pragma once
// Find and replace on one editor: the next or previous match from the selection, going round the
// end of the text once; replacing the selected match; replacing every match in one undo step.

#include <QString>

class RichTextBox;
class TextSearch;

namespace FindReplace {

struct Found {
    bool found = false;
    bool wrapped = false; // the match lies on the other side of the caret, past the end
};

// Selects the next match after the selection (or the previous one before it).
Found findNext(RichTextBox* box, const TextSearch& search, bool backwards);

// Replaces the selection when it is exactly a match; returns whether it did.
bool replaceSelection(RichTextBox* box, const TextSearch& search, const QString& with);

// Replaces every match (only those inside the selection when selectionOnly) as one step of the
// undo history; text between the matches keeps its colours. Returns the number replaced.
int replaceAll(RichTextBox* box, const TextSearch& search, const QString& with, bool selectionOnly);

} // namespace FindReplace
