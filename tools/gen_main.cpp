// lis06c-gen: writes a drive root (quarn/dati.mdb, nelv/dati.mdb,
// nelv/acq_var.txt) for trying the program out, for the demo and for timing.
#include "generator/Generator.h"

#include "db/Database.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace {

int fail(const QString& text) {
    std::fprintf(stderr, "lis06c-gen: %s\n", qPrintable(text));
    return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes a store database, a chain database and the chain's file under a drive root.\n"
        "Without sizes it writes the store-size workload; --demo writes a small one."));
    parser.addHelpOption();
    const QCommandLineOption root(QStringLiteral("root"), QStringLiteral("Folder that stands for drive C:."),
                                  QStringLiteral("DIR"));
    const QCommandLineOption demo(QStringLiteral("demo"), QStringLiteral("A small root (60 articles)."));
    const QCommandLineOption force(QStringLiteral("force"),
                                   QStringLiteral("Replace the databases and the file already under the root."));
    const QCommandLineOption seed(QStringLiteral("seed"), QStringLiteral("Random seed."), QStringLiteral("N"));
    const QCommandLineOption articles(QStringLiteral("articles"), QStringLiteral("MDA articles in the file."),
                                      QStringLiteral("N"));
    const QCommandLineOption newArticles(QStringLiteral("new"), QStringLiteral("Of those, new to the store."),
                                         QStringLiteral("N"));
    const QCommandLineOption store(QStringLiteral("store"), QStringLiteral("Articles of the store."),
                                   QStringLiteral("N"));
    const QCommandLineOption documents(QStringLiteral("documents"), QStringLiteral("Supplier documents."),
                                       QStringLiteral("N"));
    const QCommandLineOption lines(QStringLiteral("lines"), QStringLiteral("Lines per document."),
                                   QStringLiteral("N"));
    const QCommandLineOption promotions(QStringLiteral("promotions"), QStringLiteral("Promotions."),
                                        QStringLiteral("N"));
    const QCommandLineOption ofd(QStringLiteral("ofd"), QStringLiteral("OFD lines over all promotions."),
                                 QStringLiteral("N"));
    const QCommandLineOption supplier(QStringLiteral("supplier"), QStringLiteral("The chain's supplier code."),
                                      QStringLiteral("N"));
    const QCommandLineOption today(QStringLiteral("today"), QStringLiteral("The day of the run (yyyy-mm-dd)."),
                                   QStringLiteral("DATE"));
    parser.addOptions({root, demo, force, seed, articles, newArticles, store, documents, lines, promotions, ofd,
                       supplier, today});
    parser.process(app);

    if (!parser.isSet(root)) return fail(QStringLiteral("--root DIR is required"));
    gen::Sizes sizes = parser.isSet(demo) ? gen::Sizes::demo() : gen::Sizes::storeSize();
    struct IntOption {
        const QCommandLineOption& option;
        int* target;
    };
    int seedValue = static_cast<int>(sizes.seed);
    for (const IntOption& o : {IntOption{seed, &seedValue}, IntOption{articles, &sizes.articles},
                               IntOption{newArticles, &sizes.newArticles}, IntOption{store, &sizes.storeArticles},
                               IntOption{documents, &sizes.documents}, IntOption{lines, &sizes.linesPerDocument},
                               IntOption{promotions, &sizes.promotions}, IntOption{ofd, &sizes.ofdLines},
                               IntOption{supplier, &sizes.supplierCode}}) {
        if (!parser.isSet(o.option)) continue;
        bool ok = false;
        const int v = parser.value(o.option).toInt(&ok);
        if (!ok || v < 0) return fail(QStringLiteral("--%1 wants a whole number, not \"%2\"")
                                          .arg(o.option.names().first(), parser.value(o.option)));
        *o.target = v;
    }
    sizes.seed = static_cast<quint32>(seedValue);
    if (sizes.newArticles > sizes.articles) sizes.newArticles = sizes.articles;
    if (sizes.supplierCode == 0) return fail(QStringLiteral("--supplier must not be 0"));
    if (parser.isSet(today)) {
        sizes.today = QDate::fromString(parser.value(today), Qt::ISODate);
        if (!sizes.today.isValid()) return fail(QStringLiteral("--today wants yyyy-mm-dd"));
    }

    Paths paths{QDir(parser.value(root)).absolutePath()};
    for (const QString& f : {paths.storeDb(), paths.chainDb(), paths.chainFile()}) {
        if (!QFileInfo::exists(f)) continue;
        if (!parser.isSet(force)) return fail(QStringLiteral("%1 exists; use --force to replace it").arg(f));
        for (const QString& extra : {f, f + QStringLiteral("-wal"), f + QStringLiteral("-shm")}) QFile::remove(extra);
    }
    try {
        const gen::Summary summary = gen::Generator(sizes).write(paths);
        std::printf("%s\n%s\n", qPrintable(paths.root), qPrintable(summary.describe()));
        return 0;
    } catch (const db::Error& e) {
        return fail(e.message());
    } catch (const std::exception& e) {
        return fail(QString::fromUtf8(e.what()));
    }
}
