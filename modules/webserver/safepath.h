#pragma once

#include <QString>

namespace webserver {

// Outcome of mapping a request path onto the served folder.
struct ResolvedPath {
    enum class Kind { File, Directory, Forbidden, NotFound, RootMissing };
    Kind kind = Kind::NotFound;
    QString filePath;     // canonical path on disk, for File and Directory
    QString cleanUrlPath; // "/a/b" rebuilt from the accepted segments, always starting with '/'
    bool hadTrailingSlash = false;
};

// Maps a percent-encoded URL path below canonicalRoot. Anything that could reach outside the
// root (dot-dot segments in any encoding, backslashes, NUL, drive letters, symbolic links
// leading out) is Forbidden; names starting with a dot, and links leading to them, are treated
// as absent.
ResolvedPath resolveRequestPath(const QString& canonicalRoot, const QByteArray& encodedPath);

// True when candidate (canonical) is root itself or lies below it.
bool isInsideRoot(const QString& canonicalRoot, const QString& canonicalCandidate);

// True when candidate (canonical, inside root) is a dot-file or lies in a dot-folder below root,
// as a symbolic link with an ordinary name may lead there.
bool isHiddenBelowRoot(const QString& canonicalRoot, const QString& canonicalCandidate);

} // namespace webserver
