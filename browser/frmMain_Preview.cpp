// Extras > Preview of the main window: the current document in a browser window of its own.

#include <QMdiArea>

#include "app/frmMain.h"
#include "browser/DocumentPreview.h"
#include "browser/frmBuiltInBrowser.h"
#include "controls/RichTextBox.h"
#include "documents/frmDocument.h"

void frmMain::mnuExtrasPreview_Click() {
    QMdiSubWindow* current = MDIClient()->currentSubWindow();
    if (auto* browser = qobject_cast<frmBuiltInBrowser*>(current)) {
        // F5 in a preview window brings it up to date with its document, as a browser would.
        for (DocumentPreview* preview : MDIClient()->findChildren<DocumentPreview*>()) {
            if (preview->window() == browser) {
                preview->Show(MDIClient());
                return;
            }
        }
        return;
    }
    frmDocument* document = qobject_cast<frmDocument*>(current);
    if (!document)
        return;
    auto* preview = document->findChild<DocumentPreview*>(QString(), Qt::FindDirectChildrenOnly);
    if (!preview) {
        // The caption is the document's file binding; an untitled document has no folder.
        const QPointer<frmDocument> owner(document);
        preview = new DocumentPreview(
            document->rtfDocument,
            [owner] { return owner && !owner->isUntitled() ? owner->Caption() : QString(); },
            document);
    }
    preview->Show(MDIClient());
}
