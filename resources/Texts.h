#pragma once
// Fixed texts and addresses of the product, kept in one place.

#include <QString>

namespace Texts {

inline const QString AppTitle = QStringLiteral("Tarvelon's Webrix");
inline const QString Version = QStringLiteral("v1.20");
inline const QString Copyright = QStringLiteral("Copyright \u00A9 2000 Tarvelon Rodivovev");

// The maker's addresses. Reserved example domains: nothing real is contacted.
inline const QString MakerSiteAddress = QStringLiteral("http://www.tarvelon.example/");
inline const QString MakerHomePageAddress =
    QStringLiteral("http://www.tarvelon.example/rodivovev/");
inline const QString ProductHomePageAddress = QStringLiteral("http://webrix.tarvelon.example/");
inline const QString MakerEmailAddress = QStringLiteral("webrix@tarvelon.example");
inline const QString BugReportAddress = QStringLiteral("hibak@tarvelon.example");

} // namespace Texts
