#include "GeneratedRoot.h"

#include "Scenario.h"
#include "TableDump.h"

#include <QRegularExpression>
#include <stdexcept>

GeneratedRoot::GeneratedRoot(const gen::Sizes& sizes) {
    if (!dir_.isValid()) throw std::runtime_error("no temporary folder");
    path_ = dir_.path();
    gen::Generator(sizes).write(Paths{path_});
}

void GeneratedRoot::copyTo(const QString& folder) const { scenario::copyRoot(path_, folder); }

gen::Sizes smallStore() {
    gen::Sizes s;
    s.articles = 40;
    s.newArticles = 6;
    s.storeArticles = 44;
    s.documents = 4;
    s.linesPerDocument = 8;
    s.promotions = 3;
    s.ofdLines = 18;
    s.seed = 20260701;
    return s;
}

QStringList dumpForComparison(const QString& root, const QStringList& skipped) {
    DumpOptions options;
    options.today = QDate::currentDate();
    QStringList out;
    static const QRegularExpression timeOfDay(QStringLiteral("\\b\\d{2}:\\d{2}:\\d{2}\\b"));
    for (QString line : dumpRoot(root, options)) {
        const QString table = line.section(QLatin1Char('|'), 0, 0);
        // The run history records each run, not the store's data.
        if (skipped.contains(table) || table.startsWith(QLatin1String("store.lis06c_esecuzioni")) ||
            table.startsWith(QLatin1String("store.lis06c_storico_")))
            continue;
        out << line.replace(timeOfDay, QStringLiteral("<TIME>"));
    }
    return out;
}
