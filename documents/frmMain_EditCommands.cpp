// Edit > Cut, Copy, Paste, Undo, Redo, Select all and the colouring command of the main window.

#include <QClipboard>
#include <QGuiApplication>
#include <QMdiArea>
#include <QTextDocument>

#include "app/frmMain.h"
#include "controls/RichTextBox.h"
#include "documents/HighlightTags.h"
#include "documents/frmDocument.h"

namespace {
// The clipboard holds plain text with the platform's own line breaks; the editor's CR LF become
// '\n' here and the clipboard adds CR where the platform wants it.
void putOnClipboard(const QString& text) {
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QGuiApplication::clipboard()->setText(plain);
}
} // namespace

void frmMain::mnuEditCut_Click() {
    if (frmDocument* document = activeDocument()) {
        putOnClipboard(document->rtfDocument->SelText());
        document->rtfDocument->setSelText(QString());
    }
}

void frmMain::mnuEditCopy_Click() {
    if (frmDocument* document = activeDocument())
        putOnClipboard(document->rtfDocument->SelText());
}

void frmMain::mnuEditPaste_Click() {
    // Only text is taken; with none on the clipboard the selection is simply deleted.
    if (frmDocument* document = activeDocument())
        document->rtfDocument->setSelText(QGuiApplication::clipboard()->text());
}

void frmMain::mnuExtrasColorHTML_Click() {
    if (frmDocument* document = activeDocument())
        HighlightTags(document->rtfDocument);
}

// --- Undo, redo and select all ------------------------------------------------------------------
//
// The document that the commands act on is the current child window: it stays current while a
// non-modal window of the program (the find window) has the focus.

namespace {
frmDocument* currentDocument(const QMdiArea* area) {
    return qobject_cast<frmDocument*>(area->currentSubWindow());
}
} // namespace

void frmMain::mnuEditUndo_Click() {
    if (frmDocument* document = currentDocument(MDIClient()))
        document->rtfDocument->undo();
}

void frmMain::mnuEditRedo_Click() {
    if (frmDocument* document = currentDocument(MDIClient()))
        document->rtfDocument->redo();
}

void frmMain::mnuEditSelectAll_Click() {
    if (frmDocument* document = currentDocument(MDIClient()))
        document->rtfDocument->selectAll();
}

void frmMain::updateUndoCommands() {
    QAction* undo = menuItem(QStringLiteral("mnuEditUndo"));
    QAction* redo = menuItem(QStringLiteral("mnuEditRedo"));
    if (!undo || !redo)
        return;
    const frmDocument* document = currentDocument(MDIClient());
    if (!document) {
        undo->setEnabled(false);
        redo->setEnabled(false);
        return;
    }
    QTextDocument* text = document->rtfDocument->document();
    connect(text, &QTextDocument::undoAvailable, this, &frmMain::updateUndoCommands,
            Qt::UniqueConnection);
    connect(text, &QTextDocument::redoAvailable, this, &frmMain::updateUndoCommands,
            Qt::UniqueConnection);
    undo->setEnabled(text->isUndoAvailable());
    redo->setEnabled(text->isRedoAvailable());
}
