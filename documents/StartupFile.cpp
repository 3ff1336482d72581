#include "documents/StartupFile.h"

#include <QDateTime>
#include <QFileInfo>
#include <QThread>
#include <memory>

#include "controls/HeapMemory.h"
#include "controls/MsgBox.h"
#include "controls/RichTextBox.h"
#include "documents/DocumentFiles.h"
#include "documents/frmDocument.h"

namespace {
struct Work {
    QString path;
    qint64 size = -1;
    QDateTime modified;
    StartupFile::Prepared result;
    std::unique_ptr<QThread> thread;

    // A program that ends while the splash still shows lets the read finish first.
    ~Work() {
        if (thread)
            thread->wait();
    }
};

// Only the user-interface thread touches this; the worker writes only its own Work's result,
// which is read after the thread has been waited for.
std::unique_ptr<Work>& pending() {
    static std::unique_ptr<Work> work;
    return work;
}

void discardPending() {
    if (std::unique_ptr<Work>& work = pending()) {
        work->thread->wait();
        work.reset();
    }
}
} // namespace

namespace StartupFile {

void prepare(const QString& path) {
    discardPending();
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile())
        return;
    auto work = std::make_unique<Work>();
    work->path = path;
    work->size = info.size();
    work->modified = info.lastModified();
    Work* raw = work.get();
    QThread* editorThread = QThread::currentThread();
    work->thread.reset(QThread::create([raw, editorThread] {
        Prepared& result = raw->result;
        result.read = RichTextBox::readFile(raw->path, &result.decoded, &result.errorMessage);
        if (!result.read)
            return;
        result.scan = scanTags(result.decoded.text);
        // A page that opens on a long line is coloured as it goes in, so that its line is laid
        // out once (as File > Open does); the load fills the document then. So does a very large
        // page: an editor takes a document filled elsewhere over only by giving each of its
        // lines a layout object, which would keep about three times the file for good.
        if (raw->size >= kVeryLargeFile ||
            opensOnLongLine(result.decoded.text, result.scan.lastEnd))
            return;
        // Filling the editor's document is the larger part of a large page's load.
        result.document = RichTextBox::prepareDocument(result.decoded.text, editorThread);
        result.decoded.text = QString(); // the document holds it now
    }));
    work->thread->setObjectName(QStringLiteral("StartupFile"));
    work->thread->start();
    pending() = std::move(work);
}

std::optional<Prepared> take(const QString& path) {
    std::unique_ptr<Work>& work = pending();
    if (!work || work->path != path)
        return std::nullopt;
    work->thread->wait();
    const std::unique_ptr<Work> done = std::move(work);
    // Written to since: the load reads it afresh, as it would have without the head start.
    const QFileInfo now(path);
    if (!now.isFile() || now.size() != done->size || now.lastModified() != done->modified)
        return std::nullopt;
    return std::move(done->result);
}

namespace {
void loadPreparedText(RichTextBox* box, DecodedText decoded, const TagScan& scan) {
    // Read, decoded and scanned already: what is left of a very large page's memory (the editor's
    // document and copy of the text) is brought in ahead, as for File > Open.
    std::optional<HeapMemory::LargeWork> large;
    if (decoded.text.size() >= kVeryLargeFile)
        large.emplace(decoded.text.size() * 5);
    loadDecodedColoured(box, std::move(decoded), scan);
}
} // namespace

bool readDocumentFile(frmDocument* document, const QString& path, std::optional<TagScan>* scan) {
    scan->reset();
    std::optional<Prepared> prepared = take(path);
    if (!prepared)
        return ::readDocumentFile(document, path);
    if (!prepared->read) {
        MsgBox(prepared->errorMessage, vbCritical);
        return false;
    }
    if (prepared->document.document)
        document->rtfDocument->loadPrepared(std::move(prepared->decoded),
                                            std::move(prepared->document));
    else
        loadPreparedText(document->rtfDocument, std::move(prepared->decoded), prepared->scan);
    *scan = std::move(prepared->scan);
    return true;
}

} // namespace StartupFile
