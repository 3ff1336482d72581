// Decoding and encoding page files, and loading them into a shown editor, against plain copies
// of the same bytes measured in the same run.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

#include "app/AppSetup.h"
#include "bench/BenchSupport.h"
#include "controls/RichTextBox.h"
#include "controls/TextFileCodec.h"

namespace {
void codecFigures(qsizetype size, const QString& label) {
    const QByteArray page = bench::samplePage(size);
    // The baseline also gets fresh memory for its copy, as decoding and encoding must.
    QByteArray copy;
    const double copyMs = bench::medianMs(7, [&] {
        copy = QByteArray(page.size(), Qt::Uninitialized);
        std::memcpy(copy.data(), page.constData(), size_t(page.size()));
    });
    DecodedText decoded;
    const double decodeMs = bench::medianMs(7, [&] { decoded = DecodeTextFile(page); });
    QByteArray encoded;
    const double encodeMs = bench::medianMs(
        7, [&] { encoded = EncodeTextFile(decoded.text, decoded.encoding, nullptr); });
    if (encoded != page)
        qFatal("round trip changed the bytes");
    bench::print(label + " byte copy (baseline)", copyMs, "ms");
    bench::print(
        label + " decode", decodeMs, "ms",
        QStringLiteral("%1 x copy (target 4 x)").arg(decodeMs / qMax(copyMs, 1e-3), 0, 'f', 1));
    bench::print(
        label + " encode", encodeMs, "ms",
        QStringLiteral("%1 x copy (target 4 x)").arg(encodeMs / qMax(copyMs, 1e-3), 0, 'f', 1));
}

void loadFigures(qsizetype size, const QString& label, double targetMs) {
    QTemporaryDir dir;
    const QString path = dir.filePath("page.html");
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bench::samplePage(size));
    file.close();

    RichTextBox box;
    box.resize(800, 600);
    box.show();
    (void)QTest::qWaitForWindowExposed(&box);
    const QString text = DecodeTextFile(bench::samplePage(size)).text;
    const double plainMs = bench::medianMs(3, [&] {
        box.setPlainText(text);
        box.repaint();
    });
    const double loadMs = bench::medianMs(3, [&] {
        box.LoadFile(path);
        box.repaint();
    });
    bench::print(label + " setPlainText alone (baseline)", plainMs, "ms");
    bench::print(label + " LoadFile into a shown editor", loadMs, "ms",
                 QStringLiteral("target %1 ms").arg(targetMs));
}
} // namespace

int main(int argc, char** argv) {
    PrepareWebEngineEnvironment();
    QApplication app(argc, argv);
    SetUpApplication(app);
    codecFigures(1 << 20, "1 MB");
    codecFigures(20 << 20, "20 MB");
    loadFigures(1 << 20, "1 MB", 80);
    loadFigures(20 << 20, "20 MB", 1500);
    return 0;
}
