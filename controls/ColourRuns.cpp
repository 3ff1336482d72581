#include "controls/ColourRuns.h"

#include <algorithm>
#include <limits>

std::vector<ColourRuns::Run>::const_iterator ColourRuns::firstEndingAfter(int pos) const {
    return std::upper_bound(m_runs.begin(), m_runs.end(), pos,
                            [](int p, const Run& run) { return p < run.end; });
}

std::vector<ColourRuns::Run>::iterator ColourRuns::firstEndingAfter(int pos) {
    return std::upper_bound(m_runs.begin(), m_runs.end(), pos,
                            [](int p, const Run& run) { return p < run.end; });
}

std::optional<quint32> ColourRuns::colourAt(int pos) const {
    auto it = firstEndingAfter(pos);
    if (it != m_runs.end() && it->start <= pos)
        return it->colour;
    return std::nullopt;
}

void ColourRuns::mergeAround(std::size_t index) {
    // Joins the run at index with touching neighbours of the same colour.
    if (index + 1 < m_runs.size() && m_runs[index].end == m_runs[index + 1].start &&
        m_runs[index].colour == m_runs[index + 1].colour) {
        m_runs[index].end = m_runs[index + 1].end;
        m_runs.erase(m_runs.begin() + std::ptrdiff_t(index) + 1);
    }
    if (index > 0 && m_runs[index - 1].end == m_runs[index].start &&
        m_runs[index - 1].colour == m_runs[index].colour) {
        m_runs[index - 1].end = m_runs[index].end;
        m_runs.erase(m_runs.begin() + std::ptrdiff_t(index));
    }
}

void ColourRuns::assign(int start, int end, std::optional<quint32> colour) {
    if (start >= end)
        return;
    auto it = firstEndingAfter(start);
    // Split a run that begins before the range.
    if (it != m_runs.end() && it->start < start) {
        Run head{it->start, start, it->colour};
        it->start = start;
        it = m_runs.insert(it, head) + 1;
    }
    auto last = it;
    while (last != m_runs.end() && last->end <= end)
        ++last;
    // Keep the tail of a run that reaches past the range.
    if (last != m_runs.end() && last->start < end)
        last->start = end;
    it = m_runs.erase(it, last);
    if (colour) {
        it = m_runs.insert(it, Run{start, end, *colour});
        mergeAround(std::size_t(it - m_runs.begin()));
    }
}

void ColourRuns::edit(int pos, int removed, int added) {
    if (removed <= 0 && added <= 0)
        return;
    const std::optional<quint32> inherited =
        removed > 0 ? colourAt(pos) : (pos > 0 ? colourAt(pos - 1) : colourAt(pos));

    if (removed > 0) {
        auto it = firstEndingAfter(pos);
        for (auto run = it; run != m_runs.end(); ++run) {
            run->start = run->start < pos ? run->start : std::max(run->start - removed, pos);
            run->end = run->end <= pos ? run->end : std::max(run->end - removed, pos);
        }
        const auto emptyBegin =
            std::remove_if(it, m_runs.end(), [](const Run& run) { return run.start >= run.end; });
        m_runs.erase(emptyBegin, m_runs.end());
        const auto at = firstEndingAfter(pos - 1);
        if (at != m_runs.end())
            mergeAround(std::size_t(at - m_runs.begin()));
    }
    if (added > 0) {
        const auto first = firstEndingAfter(pos);
        for (auto run = first; run != m_runs.end(); ++run) {
            if (run->start >= pos)
                run->start += added;
            run->end += added;
        }
        // Typing mostly lands inside a run of its own colour or next to one: no reshuffling.
        if (first != m_runs.end() && first->start < pos) {
            if (inherited && *inherited == first->colour)
                return; // the run reaching across pos grew over the new text
        } else if (!inherited) {
            return; // uncoloured text into a gap
        } else if (first != m_runs.begin() && std::prev(first)->end == pos &&
                   std::prev(first)->colour == *inherited) {
            const auto previous = std::prev(first);
            previous->end += added;
            mergeAround(std::size_t(previous - m_runs.begin()));
            return;
        }
        assign(pos, pos + added, inherited);
    }
}

void ColourRuns::overlay(const std::vector<Run>& runs) {
    if (runs.empty())
        return;
    const auto same = [](const Run& a, const Run& b) {
        return a.start == b.start && a.end == b.end && a.colour == b.colour;
    };
    if (std::equal(m_runs.begin(), m_runs.end(), runs.begin(), runs.end(), same)) {
        // The same runs again (a page coloured as its text went in): the result is these runs
        // joined where they touch, made in place rather than in a second copy of them.
        std::size_t kept = 0;
        for (const Run& run : m_runs) {
            if (run.start >= run.end)
                continue;
            if (kept > 0 && m_runs[kept - 1].end == run.start &&
                m_runs[kept - 1].colour == run.colour)
                m_runs[kept - 1].end = run.end;
            else
                m_runs[kept++] = run;
        }
        m_runs.resize(kept);
        return;
    }
    std::vector<Run> merged;
    merged.reserve(m_runs.size() + runs.size());
    const auto append = [&merged](int start, int end, quint32 colour) {
        if (start >= end)
            return;
        if (!merged.empty() && merged.back().end == start && merged.back().colour == colour)
            merged.back().end = end;
        else
            merged.push_back(Run{start, end, colour});
    };
    std::size_t below = 0; // the first present run not yet passed
    for (const Run& top : runs) {
        while (below < m_runs.size() && m_runs[below].end <= top.start) {
            append(m_runs[below].start, m_runs[below].end, m_runs[below].colour);
            ++below;
        }
        if (below < m_runs.size() && m_runs[below].start < top.start)
            append(m_runs[below].start, top.start, m_runs[below].colour);
        append(top.start, top.end, top.colour);
        while (below < m_runs.size() && m_runs[below].end <= top.end)
            ++below;
        if (below < m_runs.size() && m_runs[below].start < top.end)
            m_runs[below].start = top.end; // its tail stays for the next run to pass
    }
    for (; below < m_runs.size(); ++below)
        append(m_runs[below].start, m_runs[below].end, m_runs[below].colour);
    m_runs = std::move(merged);
}

void ColourRuns::editAll(const std::vector<Edit>& edits) {
    std::vector<Run> moved;
    moved.reserve(m_runs.size() + edits.size());
    const auto push = [&moved](int start, int end, quint32 colour) {
        if (start >= end)
            return;
        if (!moved.empty() && moved.back().end == start && moved.back().colour == colour)
            moved.back().end = end;
        else
            moved.push_back(Run{start, end, colour});
    };
    std::size_t next = 0; // first run that may reach the part being copied
    int delta = 0;
    const auto copy = [&](int from, int to) {
        while (next < m_runs.size() && m_runs[next].end <= from)
            ++next;
        for (std::size_t i = next; i < m_runs.size() && m_runs[i].start < to; ++i)
            push(std::max(m_runs[i].start, from) + delta, std::min(m_runs[i].end, to) + delta,
                 m_runs[i].colour);
    };
    const auto colourNear = [&](int pos) -> std::optional<quint32> {
        for (std::size_t i = next; i < m_runs.size() && m_runs[i].start <= pos; ++i)
            if (m_runs[i].end > pos)
                return m_runs[i].colour;
        return std::nullopt;
    };
    int copied = 0; // old positions before this are done
    for (const Edit& edit : edits) {
        copy(copied, edit.pos);
        if (edit.added > 0) {
            // As edit(): replaced text keeps the colour of its first character, inserted text
            // takes the colour before it.
            const auto inherited =
                edit.removed > 0 || edit.pos == 0 ? colourNear(edit.pos) : colourNear(edit.pos - 1);
            if (inherited)
                push(edit.pos + delta, edit.pos + delta + edit.added, *inherited);
        }
        delta += edit.added - edit.removed;
        copied = edit.pos + edit.removed;
    }
    copy(copied, std::numeric_limits<int>::max() - std::max(0, delta));
    m_runs = std::move(moved);
}
