// Memory brought in ahead of a very large piece of work, or of a large buffer about to be filled:
// what is already in it stays as written, and a page large enough to use it opens whole, coloured
// as a plain open colours it.

#include <QFile>
#include <QRandomGenerator>

#include "controls/HeapMemory.h"
#include "controls/RichTextBox.h"
#include "documents/HighlightTags.h"
#include "tests/support/TestEnv.h"

#include <memory>
#include <vector>

class HeapMemoryTest : public QObject {
    Q_OBJECT
private slots:
    void whatTheWorkHoldsStaysAsWritten() {
        // Blocks taken and written while the second thread is still bringing their pages in.
        std::vector<std::unique_ptr<quint32[]>> blocks;
        constexpr int kBlocks = 3000;
        constexpr int kWords = 8192; // 32 KB each, about 96 MB in all
        {
            HeapMemory::LargeWork work(128 * 1024 * 1024);
            for (int i = 0; i < kBlocks; ++i) {
                blocks.push_back(std::make_unique<quint32[]>(kWords));
                for (int w = 0; w < kWords; ++w)
                    blocks.back()[w] = quint32(i) * 2654435761u + quint32(w);
            }
        }
        for (int i = 0; i < kBlocks; ++i)
            for (int w = 0; w < kWords; w += 97)
                QCOMPARE(blocks[i][w], quint32(i) * 2654435761u + quint32(w));
    }

    void aBufferBroughtInKeepsWhatItHolds() {
        // Written before, at odd places and sizes, between other memory in use.
        for (const qsizetype size :
             {qsizetype(100), qsizetype(4 << 20) + 13, qsizetype(9 << 20) + 4097}) {
            std::vector<quint8> memory(size_t(size) + 64);
            for (std::size_t i = 0; i < memory.size(); ++i)
                memory[i] = quint8(i * 131 + 7);
            HeapMemory::bringIn(memory.data() + 5, size);
            HeapMemory::bringIn(nullptr, size);
            for (std::size_t i = 0; i < memory.size(); ++i) {
                if (memory[i] != quint8(i * 131 + 7))
                    QFAIL(qPrintable(QStringLiteral("byte %1 of %2 changed").arg(i).arg(size)));
            }
        }
    }

    void aVeryLargePageOpensWholeAndColoured_data() {
        QTest::addColumn<QByteArray>("page");
        QByteArray rows;
        rows.reserve(17 * 1024 * 1024 + 100);
        QRandomGenerator random(11);
        while (rows.size() < 17 * 1024 * 1024) {
            rows += "<tr><td class=\"c" + QByteArray::number(random.bounded(1000)) +
                    "\">árvíztűrő tükörfúrógép</td><a href=\"x\">link</a><br>\r\n";
        }
        // Scanned beside the filling of the editor.
        QTest::newRow("lines") << rows;
        // The last tag on a long line: scanned first, so that the line is coloured as it goes in.
        const QByteArray longLine = QByteArray("<b>szöveg</b> ").repeated(2000);
        const QByteArray fewerRows = rows.left(rows.indexOf("\r\n", 5 << 20) + 2);
        QTest::newRow("ends on a long line") << fewerRows + longLine + "\r\n";
        // A ">" after the last tag misleads the guess; the page still opens as it should.
        QTest::newRow("a stray > after it") << fewerRows + longLine + "\r\n1 > 0\r\n";
        // A "<" left open at the end.
        QTest::newRow("open at the end") << fewerRows + "<a href=\"x";
    }

    void aVeryLargePageOpensWholeAndColoured() {
        QFETCH(QByteArray, page);
        TestEnv env(false);
        const QString path = env.path(QStringLiteral("large.html"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(page), page.size());
        file.close();

        RichTextBox plain;
        QVERIFY(plain.LoadFile(path));
        HighlightTags(&plain);

        RichTextBox box;
        TagScan scan;
        QVERIFY(loadFileColoured(&box, path, &scan));
        applyTagScan(&box, scan);
        QCOMPARE(box.documentText(), plain.documentText());
        QCOMPARE(box.Text().toUtf8(), page);
        QCOMPARE(box.colourRuns().runs().size(), plain.colourRuns().runs().size());
        for (int at = 0; at < box.textLength(); at += 4099)
            QCOMPARE(box.colourRuns().colourAt(at), plain.colourRuns().colourAt(at));
        QCOMPARE(box.colourRuns().colourAt(box.textLength() - 3),
                 plain.colourRuns().colourAt(plain.textLength() - 3));
        QCOMPARE(box.SelStart(), plain.SelStart());
        QCOMPARE(box.SelLength(), plain.SelLength());
        QVERIFY(!box.document()->isUndoAvailable());
        QVERIFY(!box.document()->isModified());
    }
};

WEBRIX_TEST_MAIN(HeapMemoryTest)
#include "tst_heapmemory.moc"
