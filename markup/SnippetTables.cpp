#include "markup/SnippetTables.h"

#include <array>

namespace {
// In the order the keys are compared; the order only decides how soon a key is found.
constexpr std::array<SnippetEntry, 23> kHTMLTags = {{
    {"html", "\\tags\\html.tag"},
    {"head", "\\tags\\head.tag"},
    {"title", "\\tags\\title.tag"},
    {"body", "\\tags\\body.tag"},
    {"p", "\\tags\\p.tag"},
    {"img", "\\tags\\img.tag"},
    {"font", "\\tags\\font.tag"},
    {"h1", "\\tags\\h1.tag"},
    {"h2", "\\tags\\h2.tag"},
    {"h3", "\\tags\\h3.tag"},
    {"h4", "\\tags\\h4.tag"},
    {"h5", "\\tags\\h5.tag"},
    {"h6", "\\tags\\h6.tag"},
    {"table", "\\tags\\table.tag"},
    {"tr", "\\tags\\tr.tag"},
    {"td", "\\tags\\td.tag"},
    {"frameset", "\\tags\\frameset.tag"},
    {"frame", "\\tags\\frame.tag"},
    {"noframes", "\\tags\\noframes.tag"},
    {"script", "\\tags\\script.tag"},
    {"noscript", "\\tags\\noscript.tag"},
    {"style", "\\tags\\style.tag"},
    {"a", "\\tags\\a.tag"},
}};

constexpr std::array<SnippetEntry, 12> kScripting = {{
    {"JavaScript", "\\tags\\js.tag"},
    {"VBScript", "\\tags\\vbs.tag"},
    {"php3", "\\tags\\php.tag"},
    {"alert", "\\scriptlets\\JavaScript\\alert.tjs"},
    {"animbar", "\\scriptlets\\JavaScript\\animstatus.tjs"},
    {"animtext", "\\scriptlets\\JavaScript\\animtext.tjs"},
    {"bgselect", "\\scriptlets\\JavaScript\\bgselect.tjs"},
    {"email", "\\scriptlets\\JavaScript\\email.tjs"},
    {"fade", "\\scriptlets\\JavaScript\\fadebg.tjs"},
    {"funny", "\\scriptlets\\JavaScript\\funny.tjs"},
    {"jumper", "\\scriptlets\\JavaScript\\jumper.tjs"},
    {"echo", "\\scriptlets\\Php3\\echo.php3"},
}};
} // namespace

std::span<const SnippetEntry> htmlTagsSnippets() {
    return kHTMLTags;
}

std::span<const SnippetEntry> scriptingSnippets() {
    return kScripting;
}

QString snippetPath(std::span<const SnippetEntry> table, const QString& key) {
    for (const SnippetEntry& entry : table)
        if (key == QLatin1String(entry.key)) // QString == QLatin1String compares case-sensitively
            return QString::fromLatin1(entry.relativePath);
    return {};
}
