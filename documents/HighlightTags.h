#pragma once
// Colours the tags of one document editor.

#include "controls/ColourRuns.h"
#include "controls/TextFileCodec.h"

#include <QStringView>
#include <vector>

class RichTextBox;

// Tag colours as colour numbers (0x00BBGGRR; the top bit names a system colour).
namespace TagColour {
constexpr quint32 Image = 0x400040;       // "<img": dark purple
constexpr quint32 Link = 0x8080;          // "<a", "</a": olive
constexpr quint32 LineBreak = 0x8000000F; // "<br": the button face of the colour scheme
constexpr quint32 Other = 0x4000;         // dark green
} // namespace TagColour

// The colour of the tag whose "<" stands at `at` (prefix tests, lower-cased, first match wins).
quint32 tagColourAt(QStringView text, qsizetype at);

struct TagScan {
    std::vector<ColourRuns::Run> runs; // in text order, not overlapping
    int lastStart = -1;                // the range left selected: the last tag found
    int lastEnd = -1;
};

// One left-to-right pass: a tag runs from a "<" through the first ">" after it, or through the
// end of the text when none follows; the search goes on from that ">" (or the last character).
TagScan scanTags(QStringView text);
// scanTags into memory the caller took: `runs`, reserved for one run for each "<" of the text,
// needs no more.
TagScan scanTags(QStringView text, std::vector<ColourRuns::Run> runs);

// Colours every tag of the box's text, leaves the last tag selected (the selection stays when the
// text holds no "<") and keeps the colours of everything outside tags. The box does not paint
// during the pass and keeps its focus.
void HighlightTags(RichTextBox* box);

// The second half of HighlightTags, for a scan made beforehand of exactly the box's text.
void applyTagScan(RichTextBox* box, const TagScan& scan);

// applyTagScan using the scan up, as every colouring pass ends: a large page then hands back the
// memory the load or save and the scan no longer need.
void applyLoadScan(RichTextBox* box, TagScan scan);

// From this size on a page's load brings the memory it will need in ahead (see HeapMemory).
constexpr qint64 kVeryLargeFile = 16 * 1024 * 1024;

// RichTextBox::LoadFile with the tags coloured as the text goes in, so that the editor lays
// out a long line once; `scan` receives the scan for applyTagScan, which completes the pass.
bool loadFileColoured(RichTextBox* box, const QString& path, TagScan* scan,
                      QString* errorMessage = nullptr);

// The load of loadFileColoured, for a text already read and scanned (`scan` is of exactly that
// text, and stays the caller's for applyTagScan).
void loadDecodedColoured(RichTextBox* box, DecodedText decoded, const TagScan& scan);

// Whether the view opens on a long line of `text`: its first line, or the one the colouring pass
// leaves the selection in (`caret`, -1 for none).
bool opensOnLongLine(const QString& text, qsizetype caret);
