#pragma once
// Finding text in a document's text: plain or as a regular expression, with or without case,
// whole words only, forwards or backwards. Works on the text in document positions (one
// character per line break), so a match's positions select it in the editor directly.

#include <QRegularExpression>
#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

struct FindOptions {
    QString text;
    bool matchCase = false;
    bool wholeWord = false;
    bool regularExpression = false;
    bool backwards = false;
};

class TextSearch {
public:
    struct Match {
        int start;
        int end; // one past the last character; never equal to start
    };

    explicit TextSearch(const FindOptions& options);

    bool isRegularExpression() const { return m_options.regularExpression; }
    // False for an empty search text or a regular expression that does not compile.
    bool isValid() const;
    // Why the search is not valid, in Hungarian.
    QString errorString() const;

    // The first match starting at or after `from` and ending at or before `to`.
    std::optional<Match> next(QStringView text, int from, int to) const;
    // The last match starting at or after `from` and ending at or before `to`.
    std::optional<Match> previous(QStringView text, int from, int to) const;
    // Every match in [from, to), left to right, not overlapping.
    std::vector<Match> all(QStringView text, int from, int to) const;

    // The replacement for one match. In a regular expression \0 to \9 stand for the captured
    // groups, \n and \t for a line break and a tab, and \\ for a backslash; plain text is used as
    // it is.
    QString replacement(QStringView text, const Match& match, const QString& with) const;

private:
    std::optional<Match> find(QStringView text, int from, int to) const;
    bool isWordBoundary(QStringView text, const Match& match) const;

    FindOptions m_options;
    QRegularExpression m_expression;
};
