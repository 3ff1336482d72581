// Start-up recovery of the main window: the text a program that ended without closing its
// windows left in the recovery journal is offered back.

#include <QDir>
#include <QFile>
#include <QTextDocument>

#include "app/frmMain.h"
#include "controls/MsgBox.h"
#include "controls/RichTextBox.h"
#include "documents/HighlightTags.h"
#include "documents/RecoveryCopy.h"
#include "documents/RecoveryJournal.h"
#include "documents/RecoveryStore.h"
#include "documents/frmDocument.h"

namespace {
struct FoundCopy {
    QString path;
    RecoveryCopy copy;
};

frmDocument* restore(frmMain* main, const RecoveryCopy& copy) {
    frmDocument* document = main->NewDocumentWindow();
    if (!copy.file.isEmpty())
        document->setCaption(copy.file);
    RecoveryJournal::setDocumentEncoding(document, copy.encoding);
    document->rtfDocument->setText(copy.text);
    // No file holds this text yet: File > Close asks, and the journal keeps a copy of its own.
    document->setUnchanged(false);
    document->rtfDocument->document()->setModified(true);
    HighlightTags(document->rtfDocument);
    return document;
}
} // namespace

void frmMain::recoverDocuments() {
    const QDateTime now = QDateTime::currentDateTime();
    RecoveryStore::purgeSetAside(now);
    std::vector<RecoveryStore::OrphanedSession> sessions =
        RecoveryStore::claimOrphanedSessions(m_journal->sessionFolder());

    std::vector<FoundCopy> found;
    for (const RecoveryStore::OrphanedSession& session : sessions) {
        for (const QString& path : session.copies) {
            QByteArray bytes;
            QString reason;
            std::optional<RecoveryCopy> copy;
            if (RecoveryStore::readCopy(path, &bytes, &reason))
                copy = decodeRecoveryCopy(bytes, &reason);
            if (!copy) {
                // Kept where it is: a newer version of the program, or the user, may still read it.
                MsgBox(QStringLiteral("A(z) \"%1\" helyreállítási másolat nem olvasható (%2), "
                                      "ezért kihagytam. A fájl megmaradt.")
                           .arg(QDir::toNativeSeparators(path), reason),
                       vbExclamation, Texts::AppTitle, this);
                continue;
            }
            found.push_back({path, std::move(*copy)});
        }
    }

    if (!found.empty()) {
        const QString question =
            QStringLiteral("A program legutóbb nem záródott be rendesen. %1 dokumentum mentetlen "
                           "szövegét megőriztem. Visszaállítsam őket?")
                .arg(found.size());
        QStringList handled;
        for (const FoundCopy& item : found)
            handled << item.path;
        if (MsgBox(question, vbYesNo | vbQuestion, Texts::AppTitle, this) == vbYes) {
            for (const FoundCopy& item : found)
                restore(this, item.copy);
            // The old copies go only once the restored windows' own copies are on disk.
            if (m_journal->flush())
                for (const QString& path : handled)
                    QFile::remove(path);
        } else {
            RecoveryStore::setAside(handled, now);
        }
    }
    for (RecoveryStore::OrphanedSession& session : sessions)
        RecoveryStore::release(session);
}
