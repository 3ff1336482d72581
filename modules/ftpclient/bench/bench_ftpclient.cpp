// Upload speed over loopback FTP: this module's engine against the curl command line doing the
// same transfers in the same run. Prints both figures and their ratio (target: within 1.5 x).
#include "core/curlsession.h"
#include "loopbackservers.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kSmallFiles = 200;
constexpr qint64 kLargeFileBytes = 50LL * 1024 * 1024;

bool writeRandomFile(const QString& path, qint64 size, quint32 seed) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QRandomGenerator generator(seed);
    QByteArray chunk(1024 * 1024, Qt::Uninitialized);
    for (qint64 written = 0; written < size;) {
        const qint64 now = std::min<qint64>(chunk.size(), size - written);
        generator.fillRange(reinterpret_cast<quint32*>(chunk.data()), chunk.size() / 4);
        if (file.write(chunk.constData(), now) != now)
            return false;
        written += now;
    }
    return true;
}

struct Figures {
    double smallSeconds = -1;
    double largeSeconds = -1;
};

Figures uploadWithEngine(const ftp::Site& site, const QStringList& small, const QString& large) {
    Figures figures;
    ftp::CurlSession session(site, FtpTestServer::password());
    QElapsedTimer clock;
    clock.start();
    for (const QString& path : small) {
        const ftp::OpResult result =
            session.upload(path, QStringLiteral("/ours/") + QFileInfo(path).fileName());
        if (!result.ok()) {
            std::fprintf(stderr, "engine upload failed: %s\n", qPrintable(result.message));
            return {};
        }
    }
    figures.smallSeconds = double(clock.nsecsElapsed()) / 1e9;
    clock.restart();
    const ftp::OpResult result = session.upload(large, QStringLiteral("/ours/large.bin"));
    if (!result.ok()) {
        std::fprintf(stderr, "engine upload failed: %s\n", qPrintable(result.message));
        return {};
    }
    figures.largeSeconds = double(clock.nsecsElapsed()) / 1e9;
    return figures;
}

// One curl process per batch, so it reuses its connection the way the engine does.
double uploadWithCurl(const QString& configPath, const ftp::Site& site, const QStringList& files) {
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return -1;
    QTextStream out(&config);
    out << "silent\nshow-error\nuser = \"webrix:" << FtpTestServer::password() << "\"\n";
    for (const QString& path : files)
        out << "upload-file = \"" << path << "\"\nurl = \"ftp://127.0.0.1:" << site.port << "/curl/"
            << QFileInfo(path).fileName() << "\"\n";
    out.flush();
    config.close();
    QElapsedTimer clock;
    clock.start();
    QString error;
    if (!runTool(QStringLiteral("curl"), {QStringLiteral("-K"), configPath}, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return -1;
    }
    return double(clock.nsecsElapsed()) / 1e9;
}

bool sameContent(const QString& a, const QString& b) {
    QFile first(a);
    QFile second(b);
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly))
        return false;
    return first.readAll() == second.readAll();
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    FtpTestServer server;
    QString error;
    if (!server.start({}, &error)) {
        std::printf("bench_ftpclient: skipped, %s\n", qPrintable(error));
        return 0;
    }
    QTemporaryDir work;
    const QString source = work.filePath(QStringLiteral("source"));
    QDir().mkpath(source);
    QStringList small;
    for (int i = 0; i < kSmallFiles; ++i) {
        const QString path =
            QStringLiteral("%1/page%2.html").arg(source).arg(i, 3, 10, QLatin1Char('0'));
        if (!writeRandomFile(path, 1024 + QRandomGenerator(quint32(i)).bounded(16 * 1024),
                             quint32(i)))
            return 1;
        small << path;
    }
    const QString large = source + QStringLiteral("/large.bin");
    if (!writeRandomFile(large, kLargeFileBytes, 4242))
        return 1;
    QDir().mkpath(server.rootDir() + QStringLiteral("/ours"));
    QDir().mkpath(server.rootDir() + QStringLiteral("/curl"));

    const ftp::Site site = server.site();
    // The Python server now and then stalls for a second on one transfer, whoever the client is;
    // the best of a few alternating rounds keeps that noise out of the comparison.
    constexpr int kRounds = 3;
    Figures engine{1e9, 1e9};
    double curlSmall = 1e9;
    double curlLarge = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        const bool curlFirst = round % 2 == 0;
        Figures ours;
        if (!curlFirst)
            ours = uploadWithEngine(site, small, large);
        const double small1 =
            uploadWithCurl(work.filePath(QStringLiteral("small.cfg")), site, small);
        const double large1 =
            uploadWithCurl(work.filePath(QStringLiteral("large.cfg")), site, {large});
        if (curlFirst)
            ours = uploadWithEngine(site, small, large);
        if (ours.smallSeconds < 0 || small1 < 0 || large1 < 0)
            return 1;
        engine.smallSeconds = std::min(engine.smallSeconds, ours.smallSeconds);
        engine.largeSeconds = std::min(engine.largeSeconds, ours.largeSeconds);
        curlSmall = std::min(curlSmall, small1);
        curlLarge = std::min(curlLarge, large1);
    }
    if (!sameContent(large, server.rootDir() + QStringLiteral("/ours/large.bin")) ||
        !sameContent(small.last(), server.rootDir() + QStringLiteral("/ours/page199.html")) ||
        !sameContent(large, server.rootDir() + QStringLiteral("/curl/large.bin"))) {
        std::fprintf(stderr, "bench_ftpclient: uploaded content differs\n");
        return 1;
    }

    const double megabytes = double(kLargeFileBytes) / (1024.0 * 1024.0);
    std::printf("bench_ftpclient: upload over loopback FTP (pyftpdlib), engine vs curl command "
                "line, best of %d rounds\n",
                kRounds);
    std::printf("  %d small files: engine %.3f s, curl %.3f s, ratio %.2f x\n", kSmallFiles,
                engine.smallSeconds, curlSmall, engine.smallSeconds / curlSmall);
    std::printf(
        "  one %.0f MB file: engine %.3f s (%.1f MB/s), curl %.3f s (%.1f MB/s), ratio %.2f x\n",
        megabytes, engine.largeSeconds, megabytes / engine.largeSeconds, curlLarge,
        megabytes / curlLarge, engine.largeSeconds / curlLarge);
    const double total = (engine.smallSeconds + engine.largeSeconds) / (curlSmall + curlLarge);
    std::printf("  total: engine %.3f s, curl %.3f s, ratio %.2f x (target: at most 1.50 x)\n",
                engine.smallSeconds + engine.largeSeconds, curlSmall + curlLarge, total);
    return 0;
}
