#pragma once
// Builds a drive root that looks like a real store's on the morning the
// chain's file arrives: the store database with its articles, EAN codes,
// price lists, classification and configuration; the chain database with the
// catalogue as the store last received it; and nelv/acq_var.txt with
// catalogue changes, supplier documents and promotions. Everything follows
// from a seed and a few sizes, so two roots made alike are byte-identical.
#include "run/RunConfig.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace gen {

struct Sizes {
    int articles = 60;          // "MDA" articles in the chain's file
    int newArticles = 8;        // of those, unknown to the store and to the chain database
    int storeArticles = 64;     // the store's articles: those it shares with the chain plus its own
    int documents = 3;          // supplier documents
    int linesPerDocument = 10;  // "BLE" lines per document
    int promotions = 3;
    int ofdLines = 24;          // "OFD" lines over all promotions
    quint32 seed = 1;
    qint32 supplierCode = 4321;  // the chain's supplier code in the store
    QDate today;                 // the day of the run; the current date when invalid

    static Sizes demo() { return {}; }
    // The size of a real store: 30,000 articles, 45,000 EANs, about 165,000 lines.
    static Sizes storeSize();
    // Every count multiplied by `factor` (at least 1 each).
    Sizes scaled(double factor) const;
};

// What was written, by kind.
struct Summary {
    qint64 lines = 0;
    qint64 tab = 0, mda = 0, mha = 0, mhe = 0, mhn = 0;
    qint64 ble = 0, oft = 0, ofd = 0, gValues = 0;
    qint64 storeArticles = 0, storeEans = 0, chainArticles = 0, chainEans = 0;
    QString describe() const;
};

class Generator {
public:
    explicit Generator(Sizes sizes);

    // Creates the folders and both databases (they must not hold data yet),
    // fills them and writes the chain's file. Throws db::Error or
    // std::runtime_error.
    Summary write(const Paths& paths);

private:
    Sizes sizes_;
};

}  // namespace gen
