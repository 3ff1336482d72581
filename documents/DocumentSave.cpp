#include "documents/DocumentSave.h"

#include <QTextDocument>

#include "controls/RichTextBox.h"
#include "documents/DocumentFiles.h"
#include "documents/FileFilters.h"
#include "documents/HighlightTags.h"
#include "documents/frmDocument.h"

SaveOutcome saveDocument(CommonDialog& dialog, frmDocument* document) {
    if (!document->isUntitled()) {
        if (const SaveOutcome written = writeDocumentFile(document, document->Caption());
            written != SaveOutcome::Saved)
            return written;
    } else {
        const QString path =
            askSaveFileName(dialog, QStringLiteral("Mentés"), FileFilters::HtmlSave, document);
        if (path.isEmpty())
            return SaveOutcome::Cancelled;
        if (const SaveOutcome written = writeDocumentFile(document, path);
            written != SaveOutcome::Saved)
            return written;
        document->setCaption(path);
    }
    document->rtfDocument->document()->setModified(false); // on disk: no recovery copy needed
    HighlightTags(document->rtfDocument);
    return SaveOutcome::Saved;
}
