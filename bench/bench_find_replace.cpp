// Find and replace on a 5 MB page: a search for a word that is not there (plain, either case,
// whole word, regular expression) and Replace all of more than 100,000 matches with the tag
// colours kept, against a bare scan of the same text and a whole-text replacement of the editor
// measured in the same run.

#include <QApplication>
#include <QElapsedTimer>

#include "app/AppSetup.h"
#include "bench/BenchSupport.h"
#include "controls/RichTextBox.h"
#include "controls/TextFileCodec.h"
#include "documents/FindReplace.h"
#include "documents/HighlightTags.h"
#include "documents/TextSearch.h"

namespace {
constexpr qsizetype kPageBytes = 5 * 1024 * 1024;
constexpr double kMissTargetMs = 50;
constexpr double kReplaceAllTargetMs = 1000;

QString targetNote(double value, double target) {
    return QStringLiteral("target < %1 ms: %2")
        .arg(target)
        .arg(value < target ? QStringLiteral("met") : QStringLiteral("MISSED"));
}

FindOptions options(const QString& text, bool matchCase, bool wholeWord, bool regex) {
    FindOptions o;
    o.text = text;
    o.matchCase = matchCase;
    o.wholeWord = wholeWord;
    o.regularExpression = regex;
    return o;
}

void loadColoured(RichTextBox& box, const QString& text) {
    box.setText(text);
    HighlightTags(&box);
}
} // namespace

int main(int argc, char** argv) {
    prepareWebEngineEnvironment();
    QApplication app(argc, argv);
    setUpApplication(app);

    const QString text = decodeTextFile(bench::samplePage(kPageBytes)).text;
    RichTextBox box;
    box.resize(800, 600);
    box.show();
    loadColoured(box, text);

    const double scan = bench::medianMs(7, [&] { (void)text.indexOf(QStringLiteral("zzzq")); });
    bench::print(QStringLiteral("Baseline: bare scan of the 5 MB text"), scan,
                 QStringLiteral("ms"));

    struct Miss {
        const char* what;
        FindOptions options;
    };
    const Miss misses[] = {
        {"Find a missing word, case sensitive", options("Kukorica", true, false, false)},
        {"Find a missing word, either case", options("Kukorica", false, false, false)},
        {"Find a missing word, whole word", options("link2", false, true, false)},
        {"Find a missing expression", options("Kuk\\w+ca", false, false, true)},
        {"Find a missing word, backwards",
         [] {
             FindOptions o = options("Kukorica", false, false, false);
             o.backwards = true;
             return o;
         }()},
    };
    for (const Miss& miss : misses) {
        const TextSearch search(miss.options);
        bool found = false;
        const double ms = bench::medianMs(7, [&] {
            box.selectDocumentRange(0, 0);
            found = FindReplace::findNext(&box, search, miss.options.backwards).found;
        });
        bench::print(QString::fromLatin1(miss.what), ms, QStringLiteral("ms"),
                     targetNote(ms, kMissTargetMs) +
                         (found ? QStringLiteral(" (found?!)") : QString()));
    }

    // Replace all: every "tr" of the page (two a line) becomes "row".
    const TextSearch search(options(QStringLiteral("tr"), true, false, false));
    const int matches = int(search.all(text, 0, int(text.size())).size());
    QElapsedTimer timer;
    timer.start();
    box.setText(text);
    const double wholeText = double(timer.nsecsElapsed()) / 1e6;
    bench::print(QStringLiteral("Baseline: replacing the whole text of the editor"), wholeText,
                 QStringLiteral("ms"));

    std::vector<double> times;
    int replaced = 0;
    std::size_t runsBefore = 0;
    std::size_t runsAfter = 0;
    for (int round = 0; round < 3; ++round) {
        loadColoured(box, text);
        runsBefore = box.colourRuns().runs().size();
        timer.start();
        replaced = FindReplace::replaceAll(&box, search, QStringLiteral("row"), false);
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        runsAfter = box.colourRuns().runs().size();
    }
    std::sort(times.begin(), times.end());
    bench::print(
        QStringLiteral("Replace all of %1 matches (%2 replaced)").arg(matches).arg(replaced),
        times[1], QStringLiteral("ms"), targetNote(times[1], kReplaceAllTargetMs));
    bench::print(
        QStringLiteral("Colour runs before / after"), double(runsBefore), QStringLiteral("runs"),
        QStringLiteral("after: %1 (%2)")
            .arg(runsAfter)
            .arg(runsAfter == runsBefore ? QStringLiteral("kept") : QStringLiteral("CHANGED")));
    timer.start();
    box.undo();
    bench::print(QStringLiteral("Undo of that Replace all"), double(timer.nsecsElapsed()) / 1e6,
                 QStringLiteral("ms"),
                 box.documentText() ==
                         QString(text).replace(QLatin1Char('\n'), QChar(QChar::ParagraphSeparator))
                     ? QStringLiteral("text restored")
                     : QStringLiteral("TEXT DIFFERS"));
    return 0;
}
