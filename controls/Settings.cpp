#include "controls/Settings.h"

#include <QLocale>
#include <QSettings>
#include <QStringList>
#include <cmath>
#include <memory>

#include "resources/SettingKeys.h"

namespace {
std::unique_ptr<QSettings> openStore(const QString& appName) {
#ifdef Q_OS_WIN
    // The place where earlier versions kept their settings, so existing users keep them.
    return std::make_unique<QSettings>(
        QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\") + appName,
        QSettings::NativeFormat);
#else
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, appName);
#endif
}

QString keyPath(const QString& section, const QString& key) {
    return section + QLatin1Char('/') + key;
}
} // namespace

QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   const QString& defaultValue) {
    auto store = openStore(appName);
    const QString path = keyPath(section, key);
    if (!store->contains(path))
        return defaultValue;
    const QVariant value = store->value(path);
    // A value edited by hand may hold commas, which the ini reader splits into a list.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

QString GetSetting(const QString& appName, const QString& section, const QString& key,
                   int defaultValue) {
    return GetSetting(appName, section, key, QString::number(defaultValue));
}

void SaveSetting(const QString& appName, const QString& section, const QString& key,
                 const QString& value) {
    auto store = openStore(appName);
    store->setValue(keyPath(section, key), value);
    store->sync(); // a failed write is not reported: exit must still complete
}

QString GetSetting(const QString& appName, const SettingKey& setting) {
    return GetSetting(appName, setting.section, setting.key, setting.defaultValue);
}

void SaveSetting(const QString& appName, const SettingKey& setting, const QString& value) {
    SaveSetting(appName, setting.section, setting.key, value);
}

std::optional<double> parseNumber(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    bool ok = false;
    double value = QLocale().toDouble(trimmed, &ok);
    if (!ok)
        value = QLocale::c().toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<qint32> parseInt32(const QString& text) {
    const auto value = parseNumber(text);
    if (!value)
        return std::nullopt;
    const double rounded = std::nearbyint(*value);
    if (rounded < -2147483648.0 || rounded > 2147483647.0)
        return std::nullopt;
    return static_cast<qint32>(rounded);
}

std::optional<qint16> parseInt16(const QString& text) {
    const auto value = parseNumber(text);
    if (!value)
        return std::nullopt;
    const double rounded = std::nearbyint(*value);
    if (rounded < -32768.0 || rounded > 32767.0)
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

QString formatSingle(float value) {
    return QLocale().toString(value, 'g', 7).remove(QLocale().groupSeparator());
}
