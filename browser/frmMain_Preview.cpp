// Extras > Preview of the main window: the current document in a browser window of its own.

#include <QMdiArea>

#include "app/frmMain.h"
#include "browser/DocumentPreview.h"
#include "controls/RichTextBox.h"
#include "documents/frmDocument.h"

void frmMain::mnuExtrasPreview_Click() {
    frmDocument* document = qobject_cast<frmDocument*>(MDIClient()->currentSubWindow());
    if (!document)
        return;
    auto* preview = document->findChild<DocumentPreview*>(QString(), Qt::FindDirectChildrenOnly);
    if (!preview) {
        // The caption is the document's file binding; an untitled document has no folder.
        const QPointer<frmDocument> owner(document);
        preview = new DocumentPreview(
            document->rtfDocument,
            [owner] { return owner && !owner->IsUntitled() ? owner->Caption() : QString(); },
            document);
    }
    preview->Show(MDIClient());
}
