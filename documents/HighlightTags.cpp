#include "documents/HighlightTags.h"

#include <QFileInfo>

#include <optional>

#include "controls/CharacterCount.h"
#include "controls/HeapMemory.h"
#include "controls/RichTextBox.h"

namespace {
bool lowerIs(QStringView text, qsizetype at, char16_t ascii) {
    return text[at].toLower().unicode() == ascii;
}
} // namespace

quint32 tagColourAt(QStringView text, qsizetype at) {
    const qsizetype left = text.size() - at;
    if (left >= 4 && lowerIs(text, at + 1, u'i') && lowerIs(text, at + 2, u'm') &&
        lowerIs(text, at + 3, u'g'))
        return TagColour::Image;
    if (left >= 2 && lowerIs(text, at + 1, u'a'))
        return TagColour::Link;
    if (left >= 3 && text[at + 1] == u'/' && lowerIs(text, at + 2, u'a'))
        return TagColour::Link;
    if (left >= 3 && lowerIs(text, at + 1, u'b') && lowerIs(text, at + 2, u'r'))
        return TagColour::LineBreak;
    return TagColour::Other;
}

TagScan scanTags(QStringView text) {
    std::vector<ColourRuns::Run> runs;
    runs.reserve(std::size_t(text.count(u'<'))); // at most one tag for each "<"
    return scanTags(text, std::move(runs));
}

TagScan scanTags(QStringView text, std::vector<ColourRuns::Run> runs) {
    TagScan scan;
    scan.runs = std::move(runs);
    scan.runs.clear();
    const qsizetype n = text.size();
    qsizetype searchFrom = 0;
    for (;;) {
        const qsizetype open = text.indexOf(u'<', searchFrom);
        if (open < 0)
            break;
        const quint32 colour = tagColourAt(text, open);
        qsizetype close = text.indexOf(u'>', open + 1);
        if (close < 0)
            close = n - 1;
        if (close == open) {
            // An unclosed "<" as the last character: it is coloured again and again by itself
            // until the pass runs out of iterations, which ends the same way as stopping now.
            if (!scan.runs.empty() && scan.runs.back().end > open)
                scan.runs.back().end = int(open);
            if (!scan.runs.empty() && scan.runs.back().start >= scan.runs.back().end)
                scan.runs.pop_back();
            scan.runs.push_back({int(open), int(open + 1), colour});
            scan.lastStart = int(open);
            scan.lastEnd = int(open + 1);
            break;
        }
        scan.runs.push_back({int(open), int(close + 1), colour});
        scan.lastStart = int(open);
        scan.lastEnd = int(close + 1);
        searchFrom = close;
    }
    return scan;
}

void HighlightTags(RichTextBox* box) {
    if (!box)
        return;
    // Line breaks count one character here and two in Text(); a tag never starts or ends inside
    // one, so the ranges select the same characters either way.
    TagScan scan;
    {
        const QString text = box->documentText();
        box->forgetLoadedText();
        scan = scanTags(text);
    }
    applyLoadScan(box, std::move(scan));
}

void applyTagScan(RichTextBox* box, const TagScan& scan) {
    if (!box)
        return;
    box->forgetLoadedText();
    // Painting stops instead of hiding the box, so that it keeps the keyboard focus; it resumes
    // when this scope ends, also when a step below throws.
    const RichTextBox::PaintSuspension suspended(box);
    if (scan.runs.empty())
        return;
    box->overlayColourRuns(scan.runs);
    box->selectDocumentRange(scan.lastStart, scan.lastEnd);
}

void applyLoadScan(RichTextBox* box, TagScan scan) {
    if (!box)
        return;
    applyTagScan(box, scan);
    // An open or save of a large page leaves its read-back copies and scan freed behind it.
    const bool large = box->textLength() >= HeapMemory::kLargeText;
    scan = TagScan(); // freed before the heap is trimmed
    if (large)
        HeapMemory::returnFreedMemory();
}

bool opensOnLongLine(const QString& text, qsizetype caret) {
    const qsizetype firstEnd = text.indexOf(QLatin1Char('\n'));
    if ((firstEnd < 0 ? text.size() : firstEnd) >= RichTextBox::LongLine)
        return true;
    if (caret < 0 || caret > text.size())
        return false;
    const qsizetype start = caret == 0 ? 0 : text.lastIndexOf(QLatin1Char('\n'), caret - 1) + 1;
    qsizetype end = text.indexOf(QLatin1Char('\n'), caret);
    if (end < 0)
        end = text.size();
    return end - start >= RichTextBox::LongLine;
}

namespace {
// From this many characters on a page's tags are scanned beside the filling of the editor.
constexpr qsizetype kScanBesideFilling = 4 * 1024 * 1024;

// Whether the view may open on a long line, before the scan has found where the pass leaves the
// selection: after the last ">", or at the end when a "<" is left open. A wrong guess costs only
// time (the line is laid out once more for its colours).
bool mayOpenOnLongLine(const QString& text) {
    return opensOnLongLine(text, text.lastIndexOf(u'>') + 1) || opensOnLongLine(text, text.size());
}
} // namespace

bool loadFileColoured(RichTextBox* box, const QString& path, TagScan* scan, QString* errorMessage) {
    // A very large page: its memory is brought in ahead while the file is read and taken in
    // (the text, the editor's document and the colours come to about seven times the file).
    const qint64 fileSize = QFileInfo(path).size(); // only an estimate: the read bounds itself
    std::optional<HeapMemory::LargeWork> large;
    if (box && fileSize >= kVeryLargeFile)
        large.emplace(qsizetype(qMin<qint64>(fileSize, RichTextBox::MaximumFileSize)) * 7);
    DecodedText decoded;
    if (!box || !RichTextBox::readFile(path, &decoded, errorMessage))
        return false;
    // The scan is of the text exactly as the box takes it in (what HighlightTags would scan).
    if (decoded.text.size() < kScanBesideFilling || mayOpenOnLongLine(decoded.text)) {
        *scan = scanTags(decoded.text);
        loadDecodedColoured(box, std::move(decoded), *scan);
        return true;
    }
    // The colours come after the text, so a large page is scanned on another thread while the
    // editor takes the text in. The scan's memory is taken here: another thread's heap would
    // keep it once freed.
    std::vector<ColourRuns::Run> runs;
    runs.reserve(std::size_t(countCharacter(decoded.text, u'<')));
    const QString text = decoded.text;
    box->loadDecodedAlongside(std::move(decoded), [scan, &text, &runs] {
        *scan = scanTags(text, std::move(runs));
    }); // laid out when shown, after the pass
    return true;
}

void loadDecodedColoured(RichTextBox* box, DecodedText decoded, const TagScan& scan) {
    if (!opensOnLongLine(decoded.text, scan.lastEnd)) {
        box->loadDecoded(std::move(decoded)); // laid out when shown, after the pass
        return;
    }
    box->loadDecoded(std::move(decoded), [&scan](const QString&) {
        return RichTextBox::LoadColours{scan.runs, scan.lastStart, scan.lastEnd};
    });
}
