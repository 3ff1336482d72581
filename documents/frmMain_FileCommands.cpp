// File > Open, Save, Save As and Export, and the start-up open of the main window.

#include <QDir>

#include "app/frmMain.h"
#include "controls/CommonDialog.h"
#include "controls/FileErrors.h"
#include "controls/MsgBox.h"
#include "controls/RegularFile.h"
#include "controls/RichTextBox.h"
#include "documents/DocumentFiles.h"
#include "documents/DocumentSave.h"
#include "documents/FileFilters.h"
#include "documents/HighlightTags.h"
#include "documents/StartupFile.h"
#include "documents/frmDocument.h"

namespace {
// Asks for a file, then opens it in a new numbered window. Cancelling makes no window; a file
// that cannot be read leaves the new window empty and untitled.
void openDocumentCommand(frmMain* main, const QString& title, const QString& filter) {
    CommonDialog& dialog = *main->dlgCommonDialog;
    dialog.DialogTitle = title;
    dialog.CancelError = false;
    dialog.Filter = filter;
    dialog.OverwritePrompt = false;
    if (!dialog.ShowOpen() || dialog.FileName.isEmpty())
        return;
    const QString path = QDir::toNativeSeparators(dialog.FileName);
    // A folder, FIFO, socket or device is refused before anything is opened or made.
    if (const PathKind kind = kindOfPath(path);
        kind != PathKind::Regular && kind != PathKind::Missing) {
        MsgBox(kind == PathKind::Folder ? FileErrors::isFolder(path)
                                        : FileErrors::notOrdinaryFile(path, int(kind)),
               vbExclamation);
        return;
    }

    frmDocument* document = main->NewDocumentWindow();
    TagScan scan;
    if (readDocumentFile(document, path, &scan))
        bindToFile(document, path, &scan);
}

// Save, Save As and Export have nothing to write unless the active child is a document.
frmDocument* documentToSave(const frmMain* main, const QString& nothingMessage) {
    frmDocument* document = main->activeDocument();
    if (!document)
        MsgBox(nothingMessage);
    return document;
}
} // namespace

void frmMain::mnuFileOpenHTML_Click() {
    openDocumentCommand(this, QStringLiteral("HTML dokumentum megnyitása..."),
                        FileFilters::HtmlOpen);
}

void frmMain::mnuFileOpenTemplate_Click() {
    openDocumentCommand(this, QStringLiteral("Sablon megnyitása..."), FileFilters::Template);
}

void frmMain::mnuFileSave_Click() {
    if (frmDocument* document =
            documentToSave(this, QStringLiteral("A semmit nem tudod elmenteni")))
        saveDocument(*dlgCommonDialog, document);
}

void frmMain::mnuFileSaveAs_Click() {
    // English and worded apart from Save's message: the system's own text, kept as it is.
    frmDocument* document = documentToSave(this, QStringLiteral("You cannot save the nothing"));
    if (!document)
        return;
    const QString path = askSaveFileName(*dlgCommonDialog, QStringLiteral("Mentés másnéven..."),
                                         FileFilters::HtmlSave, document);
    if (path.isEmpty())
        return;
    // Bound to the new name only once it holds the text.
    if (writeDocumentFile(document, path) == SaveOutcome::Saved)
        markSavedAs(document, path);
}

void frmMain::mnuFileExportToTemplate_Click() {
    frmDocument* document = documentToSave(this, QStringLiteral("Nincs mit exportálnod!"));
    if (!document)
        return;
    const QString path = askSaveFileName(*dlgCommonDialog, QStringLiteral("Sablonba exportál..."),
                                         FileFilters::Template, document);
    if (path.isEmpty())
        return;
    writeDocumentFile(document, path); // a copy: the window stays bound where it was
}

void frmMain::openAtStartup(const QString& path) {
    // Runs while the main window loads, before it is shown: the first window may not be active
    // yet.
    frmDocument* document = activeOrFirstDocument();
    // Read and scanned while the splash showed, when the start procedure could (the same text
    // and the same messages as reading it now).
    std::optional<TagScan> scan;
    if (!document || !StartupFile::readDocumentFile(document, path, &scan))
        return; // the empty first document stays
    document->setUnchanged(true);
    bindToFile(document, path, scan ? &*scan : nullptr); // the argument as typed
}
