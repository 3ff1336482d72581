#include "safepath.h"

#include <QFileInfo>
#include <QStringList>

namespace webserver {

namespace {

bool isForbiddenSegment(const QString& segment) {
    if (segment == QLatin1String(".."))
        return true;
    if (segment.contains(QLatin1Char('\\')) || segment.contains(QChar(0)))
        return true;
#ifdef Q_OS_WIN
    // Drive letters, alternate data streams and names Windows silently trims.
    if (segment.contains(QLatin1Char(':')) || segment.endsWith(QLatin1Char('.')) ||
        segment.endsWith(QLatin1Char(' ')))
        return true;
#endif
    return false;
}

} // namespace

bool isInsideRoot(const QString& canonicalRoot, const QString& canonicalCandidate) {
    if (canonicalRoot.isEmpty() || canonicalCandidate.isEmpty())
        return false;
    if (canonicalCandidate == canonicalRoot)
        return true;
    const QString prefix =
        canonicalRoot.endsWith(QLatin1Char('/')) ? canonicalRoot : canonicalRoot + QLatin1Char('/');
#ifdef Q_OS_WIN
    return canonicalCandidate.startsWith(prefix, Qt::CaseInsensitive);
#else
    return canonicalCandidate.startsWith(prefix);
#endif
}

bool isHiddenBelowRoot(const QString& canonicalRoot, const QString& canonicalCandidate) {
    if (!isInsideRoot(canonicalRoot, canonicalCandidate) || canonicalCandidate == canonicalRoot)
        return false;
    const qsizetype start =
        canonicalRoot.size() + (canonicalRoot.endsWith(QLatin1Char('/')) ? 0 : 1);
    const QStringView below = QStringView(canonicalCandidate).mid(start);
    for (const QStringView segment : below.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (segment.startsWith(QLatin1Char('.')))
            return true;
    }
    return false;
}

ResolvedPath resolveRequestPath(const QString& canonicalRoot, const QByteArray& encodedPath) {
    ResolvedPath result;
    if (canonicalRoot.isEmpty()) {
        result.kind = ResolvedPath::Kind::RootMissing;
        return result;
    }

    // Decoding once, then checking the decoded text, catches %2e%2e, %2f and %5c alike;
    // a second round of decoding never happens, so %252e stays a literal name.
    const QByteArray decodedBytes = QByteArray::fromPercentEncoding(encodedPath);
    const QString decoded = QString::fromUtf8(decodedBytes);
    if (decodedBytes.contains('\0') || decoded.contains(QLatin1Char('\\'))) {
        result.kind = ResolvedPath::Kind::Forbidden;
        return result;
    }
    result.hadTrailingSlash = decoded.endsWith(QLatin1Char('/'));

    QStringList accepted;
    for (const QString& segment : decoded.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (segment == QLatin1String("."))
            continue;
        if (isForbiddenSegment(segment)) {
            result.kind = ResolvedPath::Kind::Forbidden;
            return result;
        }
        if (segment.startsWith(QLatin1Char('.'))) {
            result.kind = ResolvedPath::Kind::NotFound;
            return result;
        }
        accepted.append(segment);
    }
    result.cleanUrlPath = QLatin1Char('/') + accepted.join(QLatin1Char('/'));

    // Walked down one name at a time without following anything: a path without symbolic links
    // is already canonical, and only one that has a link needs the full resolution.
    const QString prefix =
        canonicalRoot.endsWith(QLatin1Char('/')) ? canonicalRoot : canonicalRoot + QLatin1Char('/');
    QString canonical = canonicalRoot;
    QFileInfo target(canonicalRoot);
    bool throughLink = false;
    for (qsizetype i = 0; i < accepted.size(); ++i) {
        canonical = (i == 0 ? prefix : canonical + QLatin1Char('/')) + accepted[i];
        target = QFileInfo(canonical);
        if (target.isSymLink()) {
            throughLink = true;
            break;
        }
        if (!target.exists())
            break;
    }
    if (throughLink) {
        const QFileInfo info(prefix + accepted.join(QLatin1Char('/')));
        canonical = info.canonicalFilePath();
        if (canonical.isEmpty()) {
            // Missing, or a symbolic link whose target is gone.
            result.kind =
                info.isSymLink() ? ResolvedPath::Kind::Forbidden : ResolvedPath::Kind::NotFound;
            return result;
        }
        if (!isInsideRoot(canonicalRoot, canonical)) {
            result.kind = ResolvedPath::Kind::Forbidden;
            return result;
        }
        if (isHiddenBelowRoot(canonicalRoot, canonical)) {
            result.kind = ResolvedPath::Kind::NotFound;
            return result;
        }
        target = QFileInfo(canonical);
    }
    if (accepted.isEmpty() && !target.isDir()) {
        result.kind = ResolvedPath::Kind::RootMissing;
        return result;
    }
    if (!target.exists()) {
        result.kind = QFileInfo(canonicalRoot).isDir() ? ResolvedPath::Kind::NotFound
                                                       : ResolvedPath::Kind::RootMissing;
        return result;
    }
    if (target.isDir()) {
        result.kind = ResolvedPath::Kind::Directory;
    } else if (target.isFile()) {
        result.kind = ResolvedPath::Kind::File;
    } else {
        // Sockets, pipes and devices are never served.
        result.kind = ResolvedPath::Kind::Forbidden;
        return result;
    }
    result.filePath = canonical;
    return result;
}

} // namespace webserver
