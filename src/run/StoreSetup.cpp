#include "run/StoreSetup.h"

#include "common/Numbers.h"
#include "db/Database.h"

namespace {

struct DocumentType {
    const char* coddoc;
    const char* posi;
    const char* numeratore;
    const char* dscdoc;
    const char* maga;
    // The offers stage reads a last number of 0 as a series never activated,
    // so its series starts at 1 (the first offer is number 2); the purchase
    // documents' series start at 0 (the first document is number 1).
    qint64 firstLast;
};

const DocumentType kTypes[] = {
    {"FATTACQIMM", "A", "FA", "FATTURA ACQUISTO IMMEDIATA", "S", 0},
    {"DDTACQ", "A", "DD", "DDT DI ACQUISTO", "S", 0},
    {"OFFERTE", "O", "OP", "OFFERTE PROMOZIONALI", "N", 1},
};

}  // namespace

QStringList setUpStore(db::Database& store, const StoreSetup& setup, int currentYear) {
    QStringList done;
    // Without a year: this year's and last year's, since at the turn of the
    // year the chain's file still holds documents dated in December, filed
    // under their own year's series.
    const QList<int> years = setup.year ? QList<int>{*setup.year} : QList<int>{currentYear - 1, currentYear};
    const qint16 user = RunConfig::userCode;
    db::Transaction tx(store);

    if (setup.supplier) {
        db::Query utenti = store.prepare(QStringLiteral("SELECT codfor_affil FROM utenti WHERE codutente = ? LIMIT 1"));
        const auto existing = utenti.firstRow({user}, [](const db::Query& q) { return q.value("codfor_affil"); });
        if (!existing) {
            store.exec(QStringLiteral("INSERT INTO utenti (codutente, codfor_affil) VALUES (?, ?)"), {user, *setup.supplier});
            done << QStringLiteral("utenti: riga %1 con il codice fornitore della catena %2").arg(user).arg(*setup.supplier);
        } else if (existing->toLongLong() != *setup.supplier) {
            done << QStringLiteral("utenti: la riga %1 esiste già con il codice fornitore %2; non è stata modificata")
                        .arg(user)
                        .arg(existing->isNull() ? QStringLiteral("vuoto") : existing->toString());
        }
        db::Query automa = store.prepare(QStringLiteral("SELECT 1 FROM automa WHERE codice = 2 LIMIT 1"));
        if (!automa.firstRow({}, [](const db::Query&) { return true; })) {
            store.exec(QStringLiteral("INSERT INTO automa (codice, art1, art2, art3) VALUES (2, '0', '0', '0')"));
            done << QStringLiteral("automa: riga 2 con tutte le fasi attive");
        }
    }

    db::Query type = store.prepare(QStringLiteral("SELECT numeratore FROM tipodoc WHERE rtrim(coddoc) = ? ORDER BY rowid LIMIT 1"));
    db::Query series = store.prepare(
        QStringLiteral("SELECT 1 FROM numeri WHERE codutente = ? AND rtrim(tipo) = ? AND anno = ? LIMIT 1"));
    for (const DocumentType& t : kTypes) {
        const QString coddoc = QString::fromLatin1(t.coddoc);
        // The series of an existing type is the one the store chose for it.
        auto numeratore = type.firstRow({coddoc}, [](const db::Query& q) { return q.text("numeratore"); });
        if (!numeratore) {
            store.exec(QStringLiteral("INSERT INTO tipodoc (coddoc, posi, numeratore, dscdoc, maga) VALUES (?, ?, ?, ?, ?)"),
                       {common::padCut(coddoc, 12), QString::fromLatin1(t.posi), QString::fromLatin1(t.numeratore),
                        QString::fromLatin1(t.dscdoc), QString::fromLatin1(t.maga)});
            done << QStringLiteral("tipodoc: tipo documento %1, numeratore %2").arg(coddoc, QLatin1String(t.numeratore));
            numeratore = QString::fromLatin1(t.numeratore);
        }
        const QString tipo = numeratore->trimmed();
        if (tipo.isEmpty()) {
            done << QStringLiteral("tipodoc: il tipo %1 non ha un numeratore; numerazione non creata").arg(coddoc);
            continue;
        }
        for (int year : years) {
            if (series.firstRow({user, tipo, year}, [](const db::Query&) { return true; })) continue;
            store.exec(QStringLiteral("INSERT INTO numeri (codutente, tipo, anno, ultnum) VALUES (?, ?, ?, ?)"),
                       {user, tipo, year, t.firstLast});
            done << QStringLiteral("numeri: numerazione %1 per l'anno %2").arg(tipo).arg(year);
        }
    }
    tx.commit();
    return done;
}
