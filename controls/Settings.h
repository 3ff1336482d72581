#pragma once
// The per-user settings store: application, section and key to a text value.

#include <QString>
#include <optional>

struct SettingKey;

// Returns the stored text, or the default when the key is absent. An existing empty value is
// returned as it is.
QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue);
QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   int defaultValue);

// The same for a setting of resources/SettingKeys.h, with its own default.
QString GetSetting(const QString& appName, const SettingKey& setting);

// Creates or replaces the value at once. A store that cannot be written is ignored.
void SaveSetting(const QString& appName, const QString& section, const QString& key,
                 const QString& value);
void SaveSetting(const QString& appName, const SettingKey& setting, const QString& value);

// Number conversions at the points of use: the user's locale first, then plain decimal notation.
std::optional<double> parseNumber(const QString& text);
std::optional<qint32> parseInt32(const QString& text);
std::optional<qint16> parseInt16(const QString& text);
QString formatSingle(float value);
