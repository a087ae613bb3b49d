#include "GoldenRun.h"

#include "generator/Generator.h"
#include "run/Clock.h"
#include "run/SummaryText.h"
#include "shell/Headless.h"
#include "run/RunView.h"

namespace {

// The chain's file is dated the day before the run, as when the store runs
// it the next morning: dates the run takes from the file stay as they are in
// the dump, only those it takes from the clock become tokens.
const QDate kFileDay(2026, 6, 15);
const QDate kRunDay(2026, 6, 16);
const QTime kRunTime(8, 45, 0);

// Small enough to review by hand, large enough for every case the generator
// makes: an article in the group with the store's own prices (the twelfth),
// one known only through its price list, one without stock, new articles,
// two documents (an invoice and a delivery note) with a line of an article
// met first there and one with an unknown subfamily, two promotions with an
// article the chain does not know and one the store does not have.
gen::Sizes sizes() {
    gen::Sizes s;
    s.articles = 14;
    s.newArticles = 2;
    s.storeArticles = 14;
    s.documents = 2;
    s.linesPerDocument = 5;
    s.promotions = 2;
    s.ofdLines = 12;
    s.seed = 20260615;
    s.today = kFileDay;
    return s;
}

QString oneLine(QString text) { return text.replace(QLatin1Char('\n'), QLatin1String("\\n")); }

// Keeps what the user is told; answers the print question with No.
class SaidView : public NullView {
public:
    explicit SaidView(QStringList& said) : said_(said) {}
    void message(const QString& text, const QString& title) override {
        said_ << QStringLiteral("message|%1|%2").arg(title, oneLine(text));
    }
    bool ask(const QString& text, const QString& title) override {
        said_ << QStringLiteral("question|%1|%2").arg(title, oneLine(text));
        return false;
    }
    // What the run says it did, before the print question: reviewed with the rows.
    void counted(const RunSummary& summary) override {
        for (const QString& line : describe(summary)) said_ << QStringLiteral("summary|") + line;
    }

private:
    QStringList& said_;
};

}  // namespace

GoldenRun generateAndRun(const QString& root) {
    const Paths paths{root};
    gen::Generator(sizes()).write(paths);
    GoldenRun out;
    SaidView view(out.said);
    const FixedClock clock(kRunDay, kRunTime);
    HeadlessOptions options;
    options.paths = paths;
    options.printAnswer = false;
    options.clock = &clock;
    options.view = &view;
    out.exitStatus = runHeadless(options);
    return out;
}

DumpOptions goldenDumpOptions() {
    DumpOptions o;
    o.storeTables = QStringList{"codean", "fatcasa", "fistini", "gruppi", "listi01", "listi02", "locmo",
                                "locte", "numeri", "offmo", "offtab", "offte", "ordinif", "sottogruppi",
                                "testaof", "variati", "variatidivulgazioni"};
    o.chainTables = QStringList{"articolo", "clienti", "codean", "divuelabo", "gruppi", "listini", "reparti",
                                "sottogruppi"};
    o.today = kRunDay;
    o.now = kRunTime;
    o.dayOffsets = {0, 7};
    return o;
}
