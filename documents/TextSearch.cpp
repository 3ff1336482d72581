#include "documents/TextSearch.h"

namespace {
bool isWordCharacter(QChar ch) {
    return ch.isLetterOrNumber() || ch.isMark() || ch == QLatin1Char('_');
}
} // namespace

TextSearch::TextSearch(const FindOptions& options) : m_options(options) {
    if (!m_options.regularExpression)
        return;
    QRegularExpression::PatternOptions patternOptions =
        QRegularExpression::UseUnicodePropertiesOption | QRegularExpression::MultilineOption;
    if (!m_options.matchCase)
        patternOptions |= QRegularExpression::CaseInsensitiveOption;
    m_expression = QRegularExpression(m_options.text, patternOptions);
    m_expression.optimize();
}

bool TextSearch::isValid() const {
    if (m_options.text.isEmpty())
        return false;
    return !m_options.regularExpression || m_expression.isValid();
}

QString TextSearch::errorString() const {
    if (m_options.text.isEmpty())
        return QStringLiteral("Nincs megadva a keresett szöveg.");
    if (m_options.regularExpression && !m_expression.isValid())
        return QStringLiteral("Hibás reguláris kifejezés: %1").arg(m_expression.errorString());
    return QString();
}

bool TextSearch::isWordBoundary(QStringView text, const Match& match) const {
    if (match.start > 0 && isWordCharacter(text[match.start - 1]))
        return false;
    return match.end >= text.size() || !isWordCharacter(text[match.end]);
}

std::optional<TextSearch::Match> TextSearch::find(QStringView text, int from, int to) const {
    if (!isValid())
        return std::nullopt;
    to = qBound(0, to, int(text.size()));
    from = qMax(0, from);
    // Nothing past `to` takes part, so a search inside a selection stops at its end.
    const QStringView subject = text.first(to);
    if (!m_options.regularExpression) {
        const Qt::CaseSensitivity cs =
            m_options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
        const int length = int(m_options.text.size());
        for (qsizetype at = subject.indexOf(m_options.text, from, cs); at >= 0;
             at = subject.indexOf(m_options.text, at + 1, cs)) {
            const Match match{int(at), int(at) + length};
            if (!m_options.wholeWord || isWordBoundary(text, match))
                return match;
        }
        return std::nullopt;
    }
    int offset = from;
    while (offset <= to) {
        const QRegularExpressionMatch found = m_expression.match(subject, offset);
        if (!found.hasMatch())
            return std::nullopt;
        const Match match{int(found.capturedStart()), int(found.capturedEnd())};
        // An empty match selects nothing; whole words are checked against the real text.
        if (match.end > match.start && (!m_options.wholeWord || isWordBoundary(text, match)))
            return match;
        offset = match.start + 1;
    }
    return std::nullopt;
}

std::optional<TextSearch::Match> TextSearch::next(QStringView text, int from, int to) const {
    return find(text, from, to);
}

std::optional<TextSearch::Match> TextSearch::previous(QStringView text, int from, int to) const {
    if (!isValid())
        return std::nullopt;
    to = qBound(0, to, int(text.size()));
    from = qMax(0, from);
    if (!m_options.regularExpression) {
        const QStringView subject = text.first(to);
        const Qt::CaseSensitivity cs =
            m_options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
        const int length = int(m_options.text.size());
        if (subject.size() < length)
            return std::nullopt;
        for (qsizetype at = subject.lastIndexOf(m_options.text, subject.size() - length, cs);
             at >= from; at = at > 0 ? subject.lastIndexOf(m_options.text, at - 1, cs) : -1) {
            const Match match{int(at), int(at) + length};
            if (!m_options.wholeWord || isWordBoundary(text, match))
                return match;
        }
        return std::nullopt;
    }
    // A regular expression only runs forwards: the last of the matches wins.
    std::optional<Match> last;
    for (auto match = find(text, from, to); match; match = find(text, match->start + 1, to))
        last = match;
    return last;
}

std::vector<TextSearch::Match> TextSearch::all(QStringView text, int from, int to) const {
    std::vector<Match> matches;
    for (auto match = find(text, from, to); match; match = find(text, match->end, to))
        matches.push_back(*match);
    return matches;
}

QString TextSearch::replacement(QStringView text, const Match& match, const QString& with) const {
    if (!m_options.regularExpression)
        return with;
    QRegularExpressionMatch captured;
    if (with.contains(QLatin1Char('\\')))
        captured =
            m_expression.match(text.first(match.end), match.start, QRegularExpression::NormalMatch,
                               QRegularExpression::AnchorAtOffsetMatchOption);
    QString result;
    result.reserve(with.size());
    for (qsizetype i = 0; i < with.size(); ++i) {
        const QChar ch = with[i];
        if (ch != QLatin1Char('\\') || i + 1 == with.size()) {
            result += ch;
            continue;
        }
        const QChar code = with[++i];
        if (code.isDigit())
            result += captured.captured(code.digitValue());
        else if (code == QLatin1Char('n'))
            result += QLatin1Char('\n');
        else if (code == QLatin1Char('t'))
            result += QLatin1Char('\t');
        else
            result += code;
    }
    return result;
}
