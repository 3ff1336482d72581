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
#include "controls/CharsetDeclaration.h"
#include "controls/RichTextBox.h"
#include "controls/TextFileCodec.h"

namespace {
// The sample page as one encoding would hold it: declared in its head, or (UTF-8) recognised by
// its bytes.
QByteArray pageIn(TextEncoding::Codec codec, qsizetype size) {
    const QByteArray page = bench::samplePage(size);
    if (codec == TextEncoding::Codec::Windows1250)
        return page;
    const QString text = decodeTextFile(page).text;
    const QString head = QStringLiteral("<meta charset=\"%1\">\n").arg(encodingName(codec));
    // windows-1252 lacks ő and ű: their plain forms stand in.
    QString body = text;
    if (codec == TextEncoding::Codec::Windows1252)
        body.replace(u'ő', u'ö').replace(u'ű', u'ü').replace(u'Ő', u'Ö').replace(u'Ű', u'Ü');
    return encodeTextFile(codec == TextEncoding::Codec::Utf8 ? body : head + body, {codec, false})
        .value();
}

void codecFigures(qsizetype size, const QString& label, TextEncoding::Codec codec) {
    const QByteArray page = pageIn(codec, size);
    const QString name = label + QLatin1Char(' ') + encodingName(codec);
    // The baseline also gets fresh memory for its copy, as decoding and encoding must.
    QByteArray copy;
    const double copyMs = bench::medianMs(7, [&] {
        copy = QByteArray(page.size(), Qt::Uninitialized);
        std::memcpy(copy.data(), page.constData(), size_t(page.size()));
    });
    DecodedText decoded;
    const double decodeMs = bench::medianMs(7, [&] { decoded = decodeTextFile(page); });
    if (decoded.encoding.codec != codec)
        qFatal("the page was read in another encoding");
    QByteArray encoded;
    const double encodeMs = bench::medianMs(
        7, [&] { encoded = encodeTextFile(decoded.text, decoded.encoding).value(); });
    if (encoded != page)
        qFatal("round trip changed the bytes");
    bench::print(name + " byte copy (baseline)", copyMs, "ms");
    bench::print(
        name + " decode", decodeMs, "ms",
        QStringLiteral("%1 x copy (target 4 x)").arg(decodeMs / qMax(copyMs, 1e-3), 0, 'f', 1));
    bench::print(
        name + " encode", encodeMs, "ms",
        QStringLiteral("%1 x copy (target 4 x)").arg(encodeMs / qMax(copyMs, 1e-3), 0, 'f', 1));
}

// What looking for the page's declaration adds to opening a 5 MB page: the pre-scan alone, and
// decoding with it against decoding without it (as snippets are decoded).
void declarationFigures() {
    const QByteArray page = pageIn(TextEncoding::Codec::Iso8859_2, 5 << 20);
    const QByteArray undeclared = bench::samplePage(5 << 20);
    volatile bool found = false;
    const double scanMs =
        bench::medianMs(51,
                        [&] {
                            for (int i = 0; i < 100; ++i)
                                found =
                                    findCharsetDeclaration(QByteArrayView(undeclared)).has_value();
                        }) /
        100;
    (void)found;
    const double withMs = bench::medianMs(7, [&] { (void)decodeTextFile(undeclared); });
    const double withoutMs = bench::medianMs(7, [&] { (void)decodeSnippetFile(undeclared); });
    const double declaredMs = bench::medianMs(7, [&] { (void)decodeTextFile(page); });
    bench::print("5 MB decode without the declaration pre-scan (baseline)", withoutMs, "ms");
    bench::print("5 MB decode with the pre-scan (none found)", withMs, "ms",
                 QStringLiteral("adds %1 ms (target < 1 ms)").arg(withMs - withoutMs, 0, 'f', 3));
    bench::print("5 MB decode of a declared ISO-8859-2 page", declaredMs, "ms");
    bench::print("declaration pre-scan of 1024 bytes", scanMs * 1000, "us",
                 QStringLiteral("target < 1000 us"));
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
    const QString text = decodeTextFile(bench::samplePage(size)).text;
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
    prepareWebEngineEnvironment();
    QApplication app(argc, argv);
    setUpApplication(app);
    for (const auto codec : {TextEncoding::Codec::Windows1250, TextEncoding::Codec::Utf8,
                             TextEncoding::Codec::Iso8859_2, TextEncoding::Codec::Windows1252}) {
        codecFigures(1 << 20, "1 MB", codec);
        codecFigures(20 << 20, "20 MB", codec);
    }
    declarationFigures();
    loadFigures(1 << 20, "1 MB", 80);
    loadFigures(20 << 20, "20 MB", 1500);
    return 0;
}
