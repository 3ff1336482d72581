#pragma once

#include <QList>
#include <QPair>
#include <QString>

namespace ftp {

// Speed over the last few seconds and the time left, for the progress line.
class TransferRate {
public:
    void restart();
    void add(qint64 elapsedMs, qint64 bytesDone);
    double bytesPerSecond() const;
    // Seconds, or -1 while the speed is not known yet.
    qint64 secondsLeft(qint64 bytesTotal) const;

private:
    QList<QPair<qint64, qint64>> m_samples; // elapsed ms, bytes done
};

QString formatBytes(double bytes);
QString formatDuration(qint64 seconds);

} // namespace ftp
