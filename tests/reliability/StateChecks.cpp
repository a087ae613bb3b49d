#include "StateChecks.h"

#include "Scenario.h"
#include "db/Database.h"

#include <QSet>

namespace scenario {

namespace {

struct Roots {
    std::unique_ptr<db::Database> store;
    std::unique_ptr<db::Database> chain;
    explicit Roots(const QString& root) {
        Paths p;
        p.root = root;
        store = db::Database::open(p.storeDb(), QStringLiteral("store"));
        chain = db::Database::open(p.chainDb(), QStringLiteral("chain"));
    }
};

QVariant scalar(db::Database& d, const QString& sql, std::initializer_list<QVariant> values = {}) {
    db::Query q = d.prepare(sql);
    return q.first(values) ? q.value(0) : QVariant();
}

QStringList rows(db::Database& d, const QString& sql, int columns) {
    QStringList out;
    db::Query q = d.prepare(sql);
    q.exec();
    while (q.next()) {
        QStringList cells;
        for (int i = 0; i < columns; ++i) cells << q.value(i).toString();
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

}  // namespace

QStringList brokenRules(const QString& root) {
    QStringList broken;
    Paths p;
    p.root = root;
    for (const QString& path : {p.storeDb(), p.chainDb()}) {
        const QString r = integrity(path);
        if (r != QLatin1String("ok")) broken << QStringLiteral("integrity_check of %1: %2").arg(path, r);
    }
    Roots r(root);
    db::Database& s = *r.store;

    // Each supplier document once, with all its lines.
    const std::pair<int, int> documents[] = {{101, 2}, {102, 2}, {103, 1}};
    for (const auto& [numfa, lines] : documents) {
        const qint64 headers = scalar(s, "SELECT count(*) FROM testaof WHERE numfa = ?", {numfa}).toLongLong();
        if (headers != 1) {
            broken << QStringLiteral("document %1 received %2 times").arg(numfa).arg(headers);
            continue;
        }
        const qint64 got = scalar(s,
                                  "SELECT count(*) FROM ordinif o JOIN testaof t ON o.bannoc = t.anno AND "
                                  "o.bnumer = t.numero AND trim(o.tipodoc) = trim(t.tipodoc) WHERE t.numfa = ?",
                                  {numfa})
                               .toLongLong();
        if (got != lines) broken << QStringLiteral("document %1 has %2 lines, not %3").arg(numfa).arg(got).arg(lines);
    }

    // Numbering: advanced once per document, the numbers drawn are the ones used.
    const struct {
        const char* series;
        qint64 last;
        QSet<qint64> used;
        const char* table;
    } series[] = {{"FA", 12, {11, 12}, "testaof"}, {"DD", 21, {21}, "testaof"}, {"OP", 7, {6, 7}, "offte"}};
    for (const auto& sr : series) {
        const qint64 last =
            scalar(s, "SELECT ultnum FROM numeri WHERE codutente = 1 AND tipo = ? AND anno = 2026", {sr.series})
                .toLongLong();
        if (last != sr.last) broken << QStringLiteral("series %1 at %2, not %3").arg(sr.series).arg(last).arg(sr.last);
    }
    QSet<qint64> fa, dd, op;
    for (const QString& row : rows(s, "SELECT trim(tipodoc), numero FROM testaof WHERE anno = 2026", 2)) {
        const QStringList c = row.split(QLatin1Char('|'));
        (c[0] == QLatin1String("FATTACQIMM") ? fa : dd).insert(c[1].toLongLong());
    }
    for (const QString& row : rows(s, "SELECT numero FROM offte WHERE anno = 2026", 1)) op.insert(row.toLongLong());
    if (fa != series[0].used) broken << QStringLiteral("invoice numbers used: %1").arg(QStringList(rows(s, "SELECT numero FROM testaof WHERE trim(tipodoc) = 'FATTACQIMM'", 1)).join(','));
    if (dd != series[1].used) broken << QStringLiteral("delivery-note numbers used: %1").arg(QStringList(rows(s, "SELECT numero FROM testaof WHERE trim(tipodoc) = 'DDTACQ'", 1)).join(','));
    if (op != series[2].used || scalar(s, "SELECT count(*) FROM offte").toLongLong() != 2)
        broken << QStringLiteral("offer document numbers: %1").arg(rows(s, "SELECT numero FROM offte", 1).join(','));

    // Stock: each line loaded once.
    const std::pair<int, double> stock[] = {{1, 27}, {2, 24}, {3, 11}};
    for (const auto& [codart, qgia] : stock) {
        const double got = scalar(s, "SELECT qgia FROM listi01 WHERE codart = ?", {codart}).toDouble();
        if (std::abs(got - qgia) > 1e-6) broken << QStringLiteral("article %1 stock %2, not %3").arg(codart).arg(got).arg(qgia);
    }

    // One offer document per promotion, all its lines, no barcode twice.
    const std::pair<int, int> promotions[] = {{7, 3}, {8, 1}};
    for (const auto& [promo, lines] : promotions) {
        const qint64 docs = scalar(s, "SELECT count(*) FROM offte WHERE numpronelv = ?", {promo}).toLongLong();
        if (docs != 1) {
            broken << QStringLiteral("promotion %1 has %2 offer documents").arg(promo).arg(docs);
            continue;
        }
        const qint64 got = scalar(s,
                                  "SELECT count(*) FROM offmo m JOIN offte t ON m.bannoc = t.anno AND "
                                  "m.bnumer = t.numero WHERE t.numpronelv = ?",
                                  {promo})
                               .toLongLong();
        if (got != lines) broken << QStringLiteral("promotion %1 has %2 offer lines, not %3").arg(promo).arg(got).arg(lines);
    }
    const qint64 twice = scalar(s, "SELECT count(*) FROM (SELECT 1 FROM offmo GROUP BY bannoc, bnumer, eanrig "
                                   "HAVING count(*) > 1)").toLongLong();
    if (twice) broken << QStringLiteral("%1 barcodes twice in an offer document").arg(twice);

    const qint64 marked = scalar(*r.chain, "SELECT count(*) FROM articolo WHERE artvariato = 'S'").toLongLong();
    if (marked) broken << QStringLiteral("%1 chain articles left marked").arg(marked);
    return broken;
}

QStringList fingerprint(const QString& root) {
    Roots r(root);
    db::Database& s = *r.store;
    db::Database& c = *r.chain;
    QStringList out;
    const auto add = [&](const char* what, db::Database& d, const char* sql, int columns) {
        for (const QString& row : rows(d, QString::fromUtf8(sql), columns)) out << QLatin1String(what) + QLatin1Char(':') + row;
    };
    add("listi01", s, "SELECT codart, trim(codafo), round(qgia, 4), round(valgia, 2), round(qacq, 4), "
                      "round(cofart, 4), round(cosmp, 4), round(przpub, 4) FROM listi01 ORDER BY codart", 8);
    add("listi02", s, "SELECT codart, codlis, trim(codafo) FROM listi02 ORDER BY 1, 2, 3", 3);
    add("codean", s, "SELECT eanare, codare, round(egia, 4), round(eacq, 4) FROM codean ORDER BY eanare", 4);
    add("testaof", s, "SELECT numfa, anno, numero, trim(tipodoc) FROM testaof ORDER BY 1, 2", 4);
    add("ordinif", s, "SELECT bannoc, bnumer, trim(tipodoc), bns, articoli, round(quantita, 4), round(costof, 4) "
                      "FROM ordinif ORDER BY 1, 2, 3, 4", 7);
    add("numeri", s, "SELECT tipo, anno, ultnum FROM numeri ORDER BY 1, 2", 3);
    add("offte", s, "SELECT anno, numero, numpronelv, dsccliente FROM offte ORDER BY 1, 2", 4);
    add("offmo", s, "SELECT bannoc, bnumer, bns, articoli, eanrig, round(przpro, 2) FROM offmo ORDER BY 1, 2, 3", 6);
    add("offtab", s, "SELECT codice, round(sconto, 4) FROM offtab ORDER BY 1", 2);
    add("sottogruppi", s, "SELECT codsot, codgru FROM sottogruppi ORDER BY 1", 2);
    add("gruppi", s, "SELECT codgru FROM gruppi ORDER BY 1", 1);
    add("articolo", c, "SELECT codart, desart, round(przart, 4), round(Przpub, 4), artvariato FROM articolo "
                       "ORDER BY codart", 5);
    add("chain-codean", c, "SELECT codare, eanare FROM codean ORDER BY eanare", 2);
    add("chain-sottogruppi", c, "SELECT codsot, codgru FROM sottogruppi ORDER BY 1", 2);
    return out;
}

}  // namespace scenario
