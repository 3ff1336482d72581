#include "browser/BuiltInPages.h"

#include "resources/Texts.h"

namespace {
// Shared look of both pages; kept small because each page is rendered from memory.
const char* const kStyle = R"(<style>
body { font-family: Tahoma, Verdana, sans-serif; font-size: 10pt; margin: 24px; color: #202020; }
h1 { font-size: 16pt; color: #003366; }
form { margin-top: 16px; }
input[type=text] { width: 60%; }
</style>)";

// Where the search page sends its words: the web search of the user's own choosing is out of
// scope, so one well-known engine's plain-HTML form is used.
const char* const kSearchAction = "https://html.duckduckgo.com/html/";

QString page(const QString& title, const QString& body) {
    return QStringLiteral(
               "<!DOCTYPE html><html lang=\"hu\"><head><meta charset=\"utf-8\"><title>") +
           title + QStringLiteral("</title>") + QString::fromLatin1(kStyle) +
           QStringLiteral("</head><body>") + body + QStringLiteral("</body></html>");
}
} // namespace

namespace BuiltInPages {

QUrl homePageUrl() {
    return QUrl(QStringLiteral("about:home"));
}

QUrl searchPageUrl() {
    return QUrl(QStringLiteral("about:search"));
}

QString homePageHtml() {
    return page(QStringLiteral("Kezdőlap"),
                QStringLiteral("<h1>") + Texts::AppTitle +
                    QStringLiteral("</h1><p>A beépített böngésző kezdőlapja.</p>"
                                   "<p>Írj egy címet a fenti mezőbe, és nyomd meg az Entert.</p>"));
}

QString searchPageHtml() {
    return page(
        QStringLiteral("Keresés"),
        QStringLiteral("<h1>Keresés a weben</h1><form id=\"search\" method=\"get\" action=\"") +
            QString::fromLatin1(kSearchAction) +
            QStringLiteral("\"><input type=\"text\" name=\"q\" id=\"q\" autofocus> "
                           "<input type=\"submit\" value=\"Keresés\"></form>"));
}

} // namespace BuiltInPages
