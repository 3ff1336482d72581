#pragma once
// Reading and writing a document window's file. Every failure is told to the user with the file
// and the reason; the document and the file on disk then stay as they were.

#include <QString>

class CommonDialog;
class frmDocument;
struct TagScan;

// Loads the file into the document's editor; false (after the message) when it cannot be read.
// With `scan`, the tags are coloured as the text goes in (see loadFileColoured) and `scan`
// receives the scan that bindToFile completes the pass with.
bool readDocumentFile(frmDocument* document, const QString& path, TagScan* scan = nullptr);

enum class SaveOutcome { Saved, Cancelled, Failed };

// Writes the document's text to the file in its encoding (see encodingForSaving). A character
// that encoding cannot write brings the question whether to write UTF-8 instead: No writes
// nothing (Cancelled); Yes writes UTF-8 and changes the page's charset declaration to "utf-8", in
// the file and in the editor. A failed write is told (Failed).
SaveOutcome writeDocumentFile(frmDocument* document, const QString& path);

// Shows the save dialog with the title and filter and returns the chosen path, or an empty text
// when the user cancelled. Choosing an existing file other than the document's own asks first;
// No brings the dialog back.
QString askSaveFileName(CommonDialog& dialog, const QString& title, const QString& filter,
                        const frmDocument* document);

// After a file was read into the window or written from it: the window stands for that file (its
// caption names it) and its tags are coloured, from `scan` when the text was scanned beforehand
// (the scan is used up).
void bindToFile(frmDocument* document, const QString& path, TagScan* scan = nullptr);

// After a successful write to `path`: bound to it and coloured as above, and no longer different
// from the disk, so the recovery journal drops its copy.
void markSavedAs(frmDocument* document, const QString& path);

// The file a document window is bound to, or an empty text for a "Dokumentum N" window.
QString boundFile(const frmDocument* document);
