#pragma once
// Every setting the program keeps: its section, its key and the default a reader uses while the
// key is absent. All of them live under the application name (ProgramInfo's appName).

#include <QString>

#include "resources/Texts.h"

struct SettingKey {
    QString section;
    QString key;
    QString defaultValue;
};

namespace SettingKeys {

// The main window's bounds in twips, written at every orderly exit unless it is minimised.
inline const SettingKey MainLeft{QStringLiteral("Settings"), QStringLiteral("MainLeft"),
                                 QStringLiteral("1000")};
inline const SettingKey MainTop{QStringLiteral("Settings"), QStringLiteral("MainTop"),
                                QStringLiteral("1000")};
inline const SettingKey MainWidth{QStringLiteral("Settings"), QStringLiteral("MainWidth"),
                                  QStringLiteral("6500")};
inline const SettingKey MainHeight{QStringLiteral("Settings"), QStringLiteral("MainHeight"),
                                   QStringLiteral("6500")};

// The workspace colour as a decimal 0x00BBGGRR number; the default is 0x808080, mid grey.
inline const SettingKey BgColor{QStringLiteral("Design"), QStringLiteral("BgColor"),
                                QStringLiteral("8421504")};
// The tool-tip switch: 0 off, anything else on (2 is a greyed box in the options dialog).
inline const SettingKey ToolTip{QStringLiteral("Design"), QStringLiteral("ToolTip"),
                                QStringLiteral("1")};

// The built-in browser's start page. Its two readers differ on purpose, as the system defines
// them: the browser window falls back to the maker's site, the options dialog offers the
// maker's home page. Once the dialog is confirmed both see the stored text.
inline const SettingKey BrowserHome{QStringLiteral("Browser"), QStringLiteral("Home"),
                                    Texts::MakerSiteAddress};
inline const SettingKey OptionsBrowserHome{QStringLiteral("Browser"), QStringLiteral("Home"),
                                           Texts::MakerHomePageAddress};

} // namespace SettingKeys
