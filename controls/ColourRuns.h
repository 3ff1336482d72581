#pragma once
// Per-character text colours of an editor, kept beside its text as sorted runs so that colouring
// never touches the document (nor its undo history) and every edit moves the colours with it.

#include <QtGlobal>
#include <optional>
#include <vector>

class ColourRuns {
public:
    struct Run {
        int start; // first character
        int end;   // one past the last character
        quint32 colour;
    };

    // Gives [start, end) one colour; nullopt returns the range to the editor's own text colour.
    void assign(int start, int end, std::optional<quint32> colour);

    // Follows an edit: `removed` characters at `pos` were replaced by `added` new ones. New text
    // takes the colour at the insertion point (of the first replaced character, or else of the
    // character before it).
    void edit(int pos, int removed, int added);

    struct Edit {
        int pos; // in positions before any of the edits
        int removed;
        int added;
    };
    // Follows many edits at once, each as edit() would: they are sorted by position, do not
    // overlap, and their positions are those before the first edit. One pass over the runs.
    void editAll(const std::vector<Edit>& edits);

    std::optional<quint32> colourAt(int pos) const;
    void clear() { m_runs.clear(); }
    bool empty() const { return m_runs.empty(); }
    const std::vector<Run>& runs() const { return m_runs; }

    // Calls fn(start, end, colour) for each coloured piece inside [start, end).
    template <typename Fn> void forEachIn(int start, int end, Fn&& fn) const {
        for (auto it = firstEndingAfter(start); it != m_runs.end() && it->start < end; ++it)
            fn(qMax(it->start, start), qMin(it->end, end), it->colour);
    }

    // Replaces all runs at once; the runs must be sorted and must not overlap.
    void replaceAll(std::vector<Run> runs) { m_runs = std::move(runs); }

    // Lays sorted, non-overlapping runs over the present colours in one pass: characters the
    // runs cover take their colours, every other character keeps its own.
    void overlay(const std::vector<Run>& runs);

private:
    std::vector<Run>::const_iterator firstEndingAfter(int pos) const;
    std::vector<Run>::iterator firstEndingAfter(int pos);
    void mergeAround(std::size_t index);

    std::vector<Run> m_runs;
};
