#include "markup/InsertSnippetFile.h"

#include "controls/MsgBox.h"
#include "controls/RegularFile.h"
#include "controls/RichTextBox.h"
#include "controls/TextFileCodec.h"
#include "documents/frmDocument.h"

bool readSnippetFile(const QString& path, QString* text, QString* errorMessage) {
    // Snippets share the editor's size limit, so a stray huge file cannot swamp the document.
    QByteArray bytes;
    if (!readRegularFile(path, RichTextBox::MaximumFileSize, &bytes, errorMessage))
        return false;
    *text = decodeSnippetFile(bytes).text;
    return true;
}

void InsertSnippetFile(frmDocument* document, const QString& path) {
    if (!document)
        return;

    QString text;
    QString error;
    if (!readSnippetFile(path, &text, &error)) {
        MsgBox(error, vbOKOnly | vbExclamation);
        return;
    }
    // An empty snippet would only delete the selection; the document stays as it is instead.
    if (text.isEmpty())
        return;
    // The editor's Change notification clears the window's unchanged flag.
    document->rtfDocument->setSelText(text);
}
