#include "documents/DocumentFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextCursor>
#include <QTextDocument>

#include "controls/CharsetDeclaration.h"
#include "controls/CommonDialog.h"
#include "controls/MsgBox.h"
#include "controls/RichTextBox.h"
#include "controls/WholeFileWrite.h"
#include "documents/HighlightTags.h"
#include "documents/frmDocument.h"

namespace {
const QString kUtf8Label = QStringLiteral("utf-8");

// "„Ω” U+03A9, 3. sor": the character, its code and its line, for the encoding question.
QString describeCharacterAt(const QString& text, qsizetype position) {
    qsizetype length = 1;
    if (QChar(text[position]).isHighSurrogate() && position + 1 < text.size() &&
        QChar(text[position + 1]).isLowSurrogate())
        length = 2;
    const char32_t code = length == 2 ? QChar::surrogateToUcs4(text[position], text[position + 1])
                                      : char32_t(text[position].unicode());
    qsizetype line = 1;
    for (qsizetype i = 0; i < position; ++i)
        if (text[i] == u'\n' || text[i] == QChar(0x2029))
            ++line;
    const QString hex = QStringLiteral("%1").arg(uint(code), 4, 16, QLatin1Char('0')).toUpper();
    return QStringLiteral("„%1” U+%2, %3. sor").arg(text.mid(position, length), hex).arg(line);
}

bool sameFile(const QString& a, const QString& b) {
    const QFileInfo first(a);
    const QFileInfo second(b);
    if (first.exists() && second.exists())
        return first.canonicalFilePath() == second.canonicalFilePath();
    return first.absoluteFilePath() == second.absoluteFilePath();
}

bool needsOverwriteQuestion(const QString& path, const frmDocument* document) {
    const QFileInfo target(path);
    if (!target.exists() || target.isDir())
        return false; // a folder is refused by the write itself
    const QString own = boundFile(document);
    return own.isEmpty() || !sameFile(path, own);
}
} // namespace

QString boundFile(const frmDocument* document) {
    if (!document)
        return {};
    // A new window's number title; any other caption is the path it was opened from or saved to
    // (also one that merely begins with "Dokumentum").
    static const QRegularExpression numberTitle(QStringLiteral("^Dokumentum \\d+$"));
    const QString caption = document->Caption();
    return numberTitle.match(caption).hasMatch() ? QString() : caption;
}

bool readDocumentFile(frmDocument* document, const QString& path, TagScan* scan) {
    QString error;
    if (scan ? loadFileColoured(document->rtfDocument, path, scan, &error)
             : document->rtfDocument->LoadFile(path, &error))
        return true;
    MsgBox(error, vbCritical);
    return false;
}

SaveOutcome writeDocumentFile(frmDocument* document, const QString& path) {
    RichTextBox* box = document->rtfDocument;
    QString text = box->documentText();
    TextEncoding encoding = encodingForSaving(text, box->encoding(), box->fileDeclaration());
    std::optional<CharsetDeclaration> declarationToChange;

    if (const auto bad = firstUnencodable(text, encoding.codec)) {
        const QString question =
            QStringLiteral("A dokumentum olyan karaktert tartalmaz, amely a(z) %1 kódolásban nem "
                           "írható le (%2). Mentsem UTF-8 kódolással?")
                .arg(encodingName(encoding.codec), describeCharacterAt(text, *bad));
        if (MsgBox(question, vbYesNo | vbQuestion) != vbYes)
            return SaveOutcome::Cancelled;
        encoding = {TextEncoding::Codec::Utf8, encoding.byteOrderMark};
        declarationToChange = findCharsetDeclaration(QStringView(text));
        if (declarationToChange)
            text.replace(declarationToChange->start, declarationToChange->length, kUtf8Label);
    }

    const std::optional<QByteArray> bytes = encodeTextFile(text, encoding);
    QString error;
    if (!bytes) {
        // Only a lone half of a surrogate pair is beyond UTF-8.
        error = QStringLiteral("A(z) \"%1\" fájl mentése nem sikerült: a szöveg hibás karaktert "
                               "tartalmaz; a fájl változatlan maradt.")
                    .arg(QDir::toNativeSeparators(path));
    } else if (writeWholeFile(path, *bytes, &error)) {
        box->setEncoding(encoding);
        const auto written = findCharsetDeclaration(QStringView(text));
        box->setFileDeclaration(written ? std::optional(written->codec) : std::nullopt);
        if (declarationToChange) {
            // The editor says what the file now says.
            QTextCursor cursor(box->document());
            cursor.setPosition(int(declarationToChange->start));
            cursor.setPosition(int(declarationToChange->start + declarationToChange->length),
                               QTextCursor::KeepAnchor);
            cursor.insertText(kUtf8Label);
        }
        return SaveOutcome::Saved;
    }
    MsgBox(error, vbCritical);
    return SaveOutcome::Failed;
}

QString askSaveFileName(CommonDialog& dialog, const QString& title, const QString& filter,
                        const frmDocument* document) {
    dialog.DialogTitle = title;
    dialog.Filter = filter;
    dialog.CancelError = false;
    dialog.OverwritePrompt = false; // asked below, where the document's own file is known
    for (;;) {
        if (!dialog.ShowSave() || dialog.FileName.isEmpty())
            return {};
        const QString path = QDir::toNativeSeparators(dialog.FileName);
        if (!needsOverwriteQuestion(path, document))
            return path;
        const QString question =
            QStringLiteral("A(z) \"%1\" fájl már létezik.\nFelülírod?").arg(path);
        // Enter must not overwrite another file: Nem is the default answer.
        if (MsgBox(question, vbYesNo | vbExclamation | vbDefaultButton2) == vbYes)
            return path;
    }
}

void bindToFile(frmDocument* document, const QString& path, TagScan* scan) {
    document->setCaption(path);
    if (scan)
        applyLoadScan(document->rtfDocument, std::move(*scan));
    else
        HighlightTags(document->rtfDocument);
}

void markSavedAs(frmDocument* document, const QString& path) {
    // Unmodified only once bound, so the journal drops the copy of this very window and file.
    document->setCaption(path);
    document->rtfDocument->document()->setModified(false);
    HighlightTags(document->rtfDocument);
}
