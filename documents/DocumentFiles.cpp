#include "documents/DocumentFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "controls/CommonDialog.h"
#include "controls/MsgBox.h"
#include "controls/RichTextBox.h"
#include "documents/frmDocument.h"

namespace {
bool SameFile(const QString& a, const QString& b) {
    const QFileInfo first(a);
    const QFileInfo second(b);
    if (first.exists() && second.exists())
        return first.canonicalFilePath() == second.canonicalFilePath();
    return first.absoluteFilePath() == second.absoluteFilePath();
}

bool NeedsOverwriteQuestion(const QString& path, const frmDocument* document) {
    const QFileInfo target(path);
    if (!target.exists() || target.isDir())
        return false; // a folder is refused by the write itself
    const QString own = BoundFile(document);
    return own.isEmpty() || !SameFile(path, own);
}
} // namespace

QString BoundFile(const frmDocument* document) {
    if (!document)
        return {};
    // A new window's number title; any other caption is the path it was opened from or saved to
    // (also one that merely begins with "Dokumentum").
    static const QRegularExpression numberTitle(QStringLiteral("^Dokumentum \\d+$"));
    const QString caption = document->Caption();
    return numberTitle.match(caption).hasMatch() ? QString() : caption;
}

bool ReadDocumentFile(frmDocument* document, const QString& path) {
    QString error;
    if (document->rtfDocument->LoadFile(path, &error))
        return true;
    MsgBox(error, vbCritical);
    return false;
}

bool WriteDocumentFile(frmDocument* document, const QString& path) {
    QString error;
    if (document->rtfDocument->SaveFile(path, &error))
        return true;
    MsgBox(error, vbCritical);
    return false;
}

QString AskSaveFileName(CommonDialog& dialog, const QString& title, const QString& filter,
                        const frmDocument* document) {
    dialog.DialogTitle = title;
    dialog.Filter = filter;
    dialog.CancelError = false;
    dialog.OverwritePrompt = false; // asked below, where the document's own file is known
    for (;;) {
        if (!dialog.ShowSave() || dialog.FileName.isEmpty())
            return {};
        const QString path = QDir::toNativeSeparators(dialog.FileName);
        if (!NeedsOverwriteQuestion(path, document))
            return path;
        const QString question =
            QStringLiteral("A(z) \"%1\" fájl már létezik.\nFelülírod?").arg(path);
        // Enter must not overwrite another file: Nem is the default answer.
        if (MsgBox(question, vbYesNo | vbExclamation | vbDefaultButton2) == vbYes)
            return path;
    }
}
