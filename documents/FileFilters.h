#pragma once
// The filters of the document file dialogs, written as the dialogs show them.

#include <QString>

namespace FileFilters {
inline const QString HtmlOpen =
    QStringLiteral("HTML dokumentumok (*.html and *.htm)|*.html; *.htm");
inline const QString HtmlSave = QStringLiteral(
    "HTML dokumentumok - 32bites (*.html)|*.html | HTML dokumentumok - 16bites (*.htm)|*.htm");
inline const QString Template = QStringLiteral("Tarvelon HTML sablonjai (*.tht)|*.tht");
} // namespace FileFilters
