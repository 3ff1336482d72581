#pragma once
// The insertion step of the tag, scripting and logo commands: the whole text of a snippet file
// replaces the selection of the active document.

#include <QString>

class frmDocument;

// Reads the file at every use (an edited file counts at its next use) and decodes it as a page
// is decoded. Without a document window nothing happens; a file that cannot be read is
// reported by a message naming it, and the document stays as it was.
void InsertSnippetFile(frmDocument* document, const QString& path);

// The decoded text of a snippet file, or nothing with a Hungarian reason in errorMessage. The
// file is closed again before this returns.
bool readSnippetFile(const QString& path, QString* text, QString* errorMessage);
