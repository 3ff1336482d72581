#pragma once
// The file named on the command line is read, decoded, scanned for tags and put into an editor
// document in a worker thread while the splash shows, so that the main window's load only hands
// that document to its first document window. What the user sees (order, texts, messages) stays
// that of an ordinary open.

#include <QString>
#include <optional>

#include "controls/RichTextBox.h"
#include "controls/TextFileCodec.h"
#include "documents/HighlightTags.h"

class frmDocument;

namespace StartupFile {

// Starts the work for `path`; a path that names no ordinary file is left to the load.
void prepare(const QString& path);

struct Prepared {
    bool read = false;
    QString errorMessage; // when not read: what the open would say
    DecodedText decoded;  // its text is left out once it is in `document`
    TagScan scan;
    // The editor's document, already filled with the text; none for a page that opens on a long
    // line (its text stays in `decoded`).
    RichTextBox::PreparedDocument document;
};

// Waits for the work on `path` and hands it over, unless the file changed since it was read (or
// nothing was prepared for that path): then nullopt, and the caller reads the file itself.
std::optional<Prepared> take(const QString& path);

// Loads the file into the document like readDocumentFile, from the prepared work when there is
// some. `scan` receives the prepared tag scan of the text, if there was one.
bool readDocumentFile(frmDocument* document, const QString& path, std::optional<TagScan>* scan);

} // namespace StartupFile
