#include "listingparser.h"

#include "nameencoding.h"
#include "safename.h"

#include <QRegularExpression>

namespace ftp {

namespace {

// A name may hold any character, line breaks included, so that the name rule sees and reports
// it instead of the line silently not matching.
constexpr auto kWholeLine = QRegularExpression::DotMatchesEverythingOption;

// Permissions, links, owner and group are optional after the type letter; what anchors the line
// is "<size> <month> <day> <year-or-time> <name>".
const QRegularExpression& unixLine() {
    static const QRegularExpression re(
        QStringLiteral(
            R"(^([-dlbcps])\S*\s+(?:.*?\s)?(\d+)\s+([A-Za-z]{3}\s+\d{1,2}\s+(?:\d{4}|\d{1,2}:\d{2})) (.+)$)"),
        kWholeLine);
    return re;
}

const QRegularExpression& dosLine() {
    static const QRegularExpression re(
        QStringLiteral(
            R"(^(\d{2}-\d{2}-\d{2,4}\s+\d{1,2}:\d{2}(?:[AaPp][Mm])?)\s+(<DIR>|\d+)\s+(.+)$)"),
        kWholeLine);
    return re;
}

bool parseLine(const QString& line, RemoteEntry* entry) {
    if (const auto match = unixLine().match(line); match.hasMatch()) {
        const QChar type = match.captured(1).at(0);
        entry->isDirectory = type == QLatin1Char('d');
        entry->isLink = type == QLatin1Char('l');
        entry->size = match.captured(2).toLongLong();
        entry->modified = match.captured(3).simplified();
        entry->name = match.captured(4);
        if (entry->isLink) {
            const int arrow = entry->name.indexOf(QLatin1String(" -> "));
            if (arrow > 0)
                entry->name.truncate(arrow);
        }
        return true;
    }
    if (const auto match = dosLine().match(line); match.hasMatch()) {
        entry->isDirectory = match.captured(2) == QLatin1String("<DIR>");
        entry->size = entry->isDirectory ? 0 : match.captured(2).toLongLong();
        entry->modified = match.captured(1).simplified();
        entry->name = match.captured(3);
        return true;
    }
    return false;
}

} // namespace

RemoteEntries parseListing(const QByteArray& listing, NameEncoding encoding,
                           QStringList* unsafeNames) {
    RemoteEntries entries;
    for (QByteArray raw : listing.split('\n')) {
        if (raw.endsWith('\r'))
            raw.chop(1);
        if (raw.isEmpty())
            continue;
        RemoteEntry entry;
        if (!parseLine(decodeName(raw, encoding), &entry))
            continue;
        if (entry.name == QLatin1String(".") || entry.name == QLatin1String(".."))
            continue;
        if (!isSafeName(entry.name)) {
            if (unsafeNames)
                unsafeNames->append(entry.name);
            continue;
        }
        entries.append(entry);
    }
    return entries;
}

} // namespace ftp
