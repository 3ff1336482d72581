#include "directorylisting.h"

#include "safepath.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QUrl>

namespace webserver {

QByteArray directoryListingHtml(const QString& canonicalRoot, const QString& directoryPath,
                                const QString& urlPath) {
    const QString title = QStringLiteral("Tartalom: ") + urlPath.toHtmlEscaped();
    QString html;
    html += QStringLiteral("<!DOCTYPE html>\n<html lang=\"hu\">\n<head>\n<meta charset=\"utf-8\">\n"
                           "<title>%1</title>\n</head>\n<body>\n<h1>%1</h1>\n<ul>\n")
                .arg(title);
    if (urlPath != QLatin1String("/"))
        html += QStringLiteral("<li><a href=\"../\">../</a></li>\n");

    const QDir directory(directoryPath);
    const QFileInfoList entries = directory.entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot, QDir::DirsFirst | QDir::Name | QDir::IgnoreCase);
    const QLocale locale(QLocale::Hungarian);
    for (const QFileInfo& entry : entries) {
        if (entry.fileName().startsWith(QLatin1Char('.')))
            continue;
        if (entry.isSymLink() && (!isInsideRoot(canonicalRoot, entry.canonicalFilePath()) ||
                                  isHiddenBelowRoot(canonicalRoot, entry.canonicalFilePath())))
            continue;
        const bool isDir = entry.isDir();
        const QString shownName = entry.fileName() + (isDir ? QStringLiteral("/") : QString());
        const QString href = QString::fromLatin1(QUrl::toPercentEncoding(entry.fileName())) +
                             (isDir ? QStringLiteral("/") : QString());
        html += QStringLiteral("<li><a href=\"%1\">%2</a>").arg(href, shownName.toHtmlEscaped());
        if (!isDir)
            html += QStringLiteral(" (%1)").arg(locale.formattedDataSize(entry.size()));
        html += QStringLiteral("</li>\n");
    }
    html += QStringLiteral("</ul>\n</body>\n</html>\n");
    return html.toUtf8();
}

} // namespace webserver
