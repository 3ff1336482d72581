#include "localtarget.h"

#include "safename.h"

#include <QDir>
#include <QFileInfo>

namespace ftp {

bool isInsideFolder(const QString& folder, const QString& target) {
    if (folder.isEmpty() || target.isEmpty())
        return false;
    const QString root = QDir::cleanPath(QDir(folder).absolutePath());
    const QString path = QDir::cleanPath(QDir(root).absoluteFilePath(target));
#ifdef Q_OS_WIN
    constexpr Qt::CaseSensitivity kCase = Qt::CaseInsensitive;
#else
    constexpr Qt::CaseSensitivity kCase = Qt::CaseSensitive;
#endif
    const QString prefix = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    if (!path.startsWith(prefix, kCase) || path.size() == prefix.size())
        return false;
    QString walked = root;
    for (const QString& part : path.mid(prefix.size()).split(QLatin1Char('/'))) {
        if (!isSafeName(part))
            return false;
        walked =
            walked.endsWith(QLatin1Char('/')) ? walked + part : walked + QLatin1Char('/') + part;
        const QFileInfo info(walked);
        if (info.isSymLink() || info.isJunction())
            return false;
    }
    return true;
}

} // namespace ftp
