#include "transferrate.h"

#include <QLocale>

#include <cmath>

namespace ftp {

namespace {
constexpr qint64 kWindowMs = 3000;
}

void TransferRate::restart() {
    m_samples.clear();
}

void TransferRate::add(qint64 elapsedMs, qint64 bytesDone) {
    m_samples.append({elapsedMs, bytesDone});
    while (m_samples.size() > 2 && elapsedMs - m_samples.at(1).first >= kWindowMs)
        m_samples.removeFirst();
}

double TransferRate::bytesPerSecond() const {
    if (m_samples.size() < 2)
        return 0;
    const auto& first = m_samples.first();
    const auto& last = m_samples.last();
    const qint64 ms = last.first - first.first;
    if (ms <= 0)
        return 0;
    return double(last.second - first.second) * 1000.0 / double(ms);
}

qint64 TransferRate::secondsLeft(qint64 bytesTotal) const {
    const double speed = bytesPerSecond();
    if (speed <= 0 || m_samples.isEmpty() || bytesTotal < 0)
        return -1;
    const qint64 left = std::max<qint64>(0, bytesTotal - m_samples.last().second);
    return qint64(std::ceil(double(left) / speed));
}

QString formatBytes(double bytes) {
    const QLocale hungarian(QLocale::Hungarian, QLocale::Hungary);
    static const char* const units[] = {"B", "kB", "MB", "GB", "TB"};
    int unit = 0;
    while (bytes >= 1024 && unit < 4) {
        bytes /= 1024;
        ++unit;
    }
    return hungarian.toString(bytes, 'f', unit == 0 ? 0 : 1) + QLatin1Char(' ') +
           QLatin1String(units[unit]);
}

QString formatDuration(qint64 seconds) {
    if (seconds < 0)
        return QStringLiteral("?");
    const qint64 hours = seconds / 3600;
    const qint64 minutes = (seconds / 60) % 60;
    const qint64 secs = seconds % 60;
    if (hours > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(hours)
            .arg(minutes, 2, 10, QLatin1Char('0'))
            .arg(secs, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(minutes).arg(secs, 2, 10, QLatin1Char('0'));
}

} // namespace ftp
