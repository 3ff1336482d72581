#pragma once
// Reading and writing a document window's file. Every failure is told to the user with the file
// and the reason; the document and the file on disk then stay as they were.

#include <QString>

class CommonDialog;
class frmDocument;

// Loads the file into the document's editor; false (after the message) when it cannot be read.
bool ReadDocumentFile(frmDocument* document, const QString& path);

// Writes the document's text to the file; false (after the message) when it cannot be written.
bool WriteDocumentFile(frmDocument* document, const QString& path);

// Shows the save dialog with the title and filter and returns the chosen path, or an empty text
// when the user cancelled. Choosing an existing file other than the document's own asks first;
// No brings the dialog back.
QString AskSaveFileName(CommonDialog& dialog, const QString& title, const QString& filter,
                        const frmDocument* document);

// The file a document window is bound to, or an empty text for a "Dokumentum N" window.
QString BoundFile(const frmDocument* document);
