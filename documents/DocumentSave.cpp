#include "documents/DocumentSave.h"


#include "documents/DocumentFiles.h"
#include "documents/FileFilters.h"
#include "documents/frmDocument.h"

SaveOutcome saveDocument(CommonDialog& dialog, frmDocument* document) {
    const QString path = document->isUntitled() ? askSaveFileName(dialog, QStringLiteral("Mentés"),
                                                                  FileFilters::HtmlSave, document)
                                                : document->Caption();
    if (path.isEmpty())
        return SaveOutcome::Cancelled;
    if (const SaveOutcome written = writeDocumentFile(document, path);
        written != SaveOutcome::Saved)
        return written;
    markSavedAs(document, path);
    return SaveOutcome::Saved;
}
