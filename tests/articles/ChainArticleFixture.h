#pragma once
// A chain article as the chain database holds it after the catalogue import,
// marked as changed, with its EAN codes; and a store with the chain supplier
// 4321 (supplier name "NELV DISTRIBUZIONE SPA").
#include "TestRoot.h"

#include <QStringList>
#include <QVariant>

struct ChainArticleRow {
    qint64 codart = 1234;
    QVariant desart = QStringLiteral("PASTA DI SEMOLA 500G");
    QVariant przart = 10.0;
    QVariant przpub = 15.0;
    QVariant ivart = QStringLiteral("22");
    QVariant umart = QStringLiteral("PZ");
    QVariant umconf = QStringLiteral("GR");
    QVariant pezzatura = 500.0;
    QVariant imbart = 12.0;
    QVariant codrep = 2;
    QVariant codgru = 5;
    QVariant desgru = QStringLiteral("PASTA");
    QVariant codsot = 10;
    QVariant dessot = QStringLiteral("PASTA SECCA");
    QVariant tipart = 1;
    QStringList eans = {QStringLiteral("8001234567890")};

    void insert(TestRoot& root) const {
        root.exec(root.chain(),
                  QStringLiteral("INSERT INTO articolo (codart, desart, przart, Przpub, ivart, umart, umconf, "
                                 "pezzatura, imbart, codrep, codgru, desgru, codsot, dessot, tipart, artvariato) "
                                 "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 'S')"),
                  {codart, desart, przart, przpub, ivart, umart, umconf, pezzatura, imbart, codrep, codgru,
                   desgru, codsot, dessot, tipart});
        for (const QString& e : eans)
            root.exec(root.chain(), QStringLiteral("INSERT INTO codean (codare, eanare) VALUES (?, ?)"), {codart, e});
    }
};

// The store's classification of the default chain article, and the unit
// "GR" with its factor 1000 (prices per kilogram).
inline void storeTables(TestRoot& root) {
    db::Database& s = root.store();
    root.exec(s, QStringLiteral("INSERT INTO sottogruppi (codsot, dscsotto, codgru) VALUES (10, 'PASTA SECCA', 5)"));
    root.exec(s, QStringLiteral("INSERT INTO gruppi (codgru, dscgruppo, codrep, escgruppo) VALUES (5, 'PASTA', '2', 0)"));
    root.exec(s, QStringLiteral("INSERT INTO reparti (reparto, descrizione) VALUES (2, 'DROGHERIA')"));
    root.exec(s, QStringLiteral("INSERT INTO unitam (coduni, fatxmul) VALUES ('GR', '1000')"));
}

inline QVariant nullValue() { return QVariant(QMetaType(QMetaType::QString)); }
