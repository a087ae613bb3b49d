#pragma once
// A store ready for the chain's promotions: the document type "OFFERTE" with
// its series "OP" at 41 for 2026, shorthands for chain and store articles, and
// the "OFT"/"OFD" lines of the chain's file.
#include "RecordBuilder.h"
#include "TestRoot.h"
#include "chainfile/LineErrors.h"
#include "common/ChainRecords.h"
#include "common/ChainFile.h"
#include "promotions/ElaboraPromozioni.h"
#include "promotions/creo_off.h"

#include <gtest/gtest.h>

// Remembers every text a box showed, not just the last one.
class HistoryView : public RecordingView {
public:
    void setText(Box box, const QString& text) override {
        RecordingView::setText(box, text);
        history[QByteArray(nameOf(box))] << text;
    }
    QHash<QByteArray, QStringList> history;
};

inline QByteArray oft(qint32 number, const QString& description, QDate start = QDate(2026, 12, 10),
                      QDate end = QDate(2026, 12, 24)) {
    return RecordBuilder("OFT")
        .num(rec::oft::number, number)
        .set(rec::oft::description, description)
        .date(rec::oft::start, start)
        .date(rec::oft::end, end);
}

// A promotion line; `value` is the price, or the percent for kind 10.
inline QByteArray ofd(qint32 number, int kind, qint64 chainCode, double value) {
    return RecordBuilder("OFD")
        .num(rec::ofd::number, number)
        .num(rec::ofd::offerKind, kind)
        .num(rec::ofd::chainCode, chainCode)
        .amount(rec::ofd::value, value);
}

class PromotionFixture : public ::testing::Test {
protected:
    void SetUp() override {
        db::Database& s = root.store();
        // The store keeps document type codes blank-padded to 12.
        root.exec(s, QStringLiteral("INSERT INTO tipodoc (coddoc, posi, numeratore) VALUES ('OFFERTE     ', 'A', 'OP')"));
        root.exec(s, QStringLiteral("INSERT INTO numeri (codutente, tipo, anno, ultnum) VALUES (1, 'OP', 2026, 41)"));
        root.exec(s, QStringLiteral("INSERT INTO numeri (codutente, tipo, anno, ultnum) VALUES (1, 'OP', 2025, 7)"));
    }

    static QString ean(qint64 value) { return QStringLiteral("%1").arg(value, 13, 10, QLatin1Char('0')); }
    static QString code9(qint64 value) { return QStringLiteral("%1").arg(value, 9, 10, QLatin1Char('0')); }

    void addChainArticle(qint64 chainCode, const QString& description, const QList<qint64>& eans) {
        root.exec(root.chain(), QStringLiteral("INSERT INTO articolo (codart, desart) VALUES (?, ?)"),
                  {chainCode, description});
        for (qint64 e : eans)
            root.exec(root.chain(), QStringLiteral("INSERT INTO codean (codare, eanare) VALUES (?, ?)"),
                      {chainCode, ean(e)});
    }

    // A store article with its listing (price 2.50, cost 1.50) and barcodes.
    void addStoreArticle(qint32 codart, qint64 chainCode, const QList<qint64>& eans, double przpub = 2.5,
                         double cofart = 1.5) {
        db::Database& s = root.store();
        root.exec(s, QStringLiteral("INSERT INTO listi01 (codart, desart, codafo, codfor, desfor, desgru, dessot, "
                                    "cofart, cosmp, cobart, imbart, przart, przpub, umart, ivart, marg, codrep) "
                                    "VALUES (?, 'BISCOTTI FROLLINI', ?, 4321, 'NELV DISTRIBUZIONE SPA', "
                                    "'DOLCIARIO', 'BISCOTTI', ?, 1.45, 1.4, 12, 1.3, ?, 'PZ', '10', 33, 4)"),
                  {codart, code9(chainCode), cofart, przpub});
        for (qint64 e : eans)
            root.exec(s, QStringLiteral("INSERT INTO codean (eanare, codare, desart) VALUES (?, ?, 'BISCOTTI')"),
                      {ean(e), codart});
    }

    // The year a file without supplier documents files its offers under.
    static constexpr qint32 kYear = 2026;

    // Both stages as the run sequence calls them.
    bool runPromotions(const QList<QByteArray>& lines) {
        root.writeChainFile(lines);
        const std::optional<common::ChainFile> file = common::ChainFile::load(root.paths().chainFile());
        ::Run& r = root.run();
        chainfile::LineErrors errors;
        if (!ElaboraPromozioni(r, *file, kYear, errors)) return false;
        creo_off(r, kYear);
        return true;
    }

    // Both stages on a run that shows through `view` (a fresh run each call).
    void runPromotionsShowing(RunView& view) {
        const std::optional<common::ChainFile> file = common::ChainFile::load(root.paths().chainFile());
        ::Run& base = root.run();
        const ::Run r{base.config, base.store, base.chain, view, base.clock, base.log, base.summary};
        chainfile::LineErrors errors;
        ASSERT_TRUE(ElaboraPromozioni(r, *file, kYear, errors));
        creo_off(r, kYear);
    }

    qint64 count(const QString& table, const QString& where = QString()) {
        return root.count(root.store(), table, where);
    }
    QVariant scalar(const QString& sql, std::initializer_list<QVariant> values = {}) {
        return root.scalar(root.store(), sql, values);
    }

    TestRoot root;
};
