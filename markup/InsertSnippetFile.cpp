#include "markup/InsertSnippetFile.h"

#include "controls/FileErrors.h"
#include "controls/MsgBox.h"
#include "controls/RichTextBox.h"
#include "controls/TextFileCodec.h"
#include "documents/frmDocument.h"

#include <QFile>
#include <QFileInfo>

bool ReadSnippetFile(const QString& path, QString* text, QString* errorMessage) {
    if (QFileInfo(path).isDir()) {
        *errorMessage = FileErrors::isFolder(path);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *errorMessage = FileErrors::cannotOpen(file);
        return false;
    }
    // Snippets share the editor's size limit, so a stray huge file cannot swamp the document.
    if (file.size() > RichTextBox::MaximumFileSize) {
        *errorMessage = FileErrors::tooLarge(path, RichTextBox::MaximumFileSize);
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *errorMessage = FileErrors::cannotRead(file);
        return false;
    }
    file.close();
    *text = DecodeTextFile(bytes).text;
    return true;
}

void InsertSnippetFile(frmDocument* document, const QString& path) {
    if (!document)
        return;

    QString text;
    QString error;
    if (!ReadSnippetFile(path, &text, &error)) {
        MsgBox(error, vbOKOnly | vbExclamation);
        return;
    }
    // An empty snippet would only delete the selection; the document stays as it is instead.
    if (text.isEmpty())
        return;
    // The editor's Change notification clears the window's unchanged flag.
    document->rtfDocument->setSelText(text);
}
