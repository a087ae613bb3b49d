#pragma once
// A store ready to receive supplier documents: the two store document types,
// their numbering series for this year and the last, and shorthands for the
// "BLE" lines of the chain's file and the store's articles.
#include "RecordBuilder.h"
#include "TestRoot.h"
#include "common/ChainRecords.h"
#include "articles/creo_art_nuovo_forni.h"
#include "common/ChainFile.h"
#include "chainfile/LineErrors.h"
#include "documents/elabora3.h"
#include "documents/elaborap.h"

#include <gtest/gtest.h>

struct Ble {
    qint32 number = 1001;
    QDate date = QDate(2026, 12, 1);
    char type = ' ';        // ' ' delivery note, 'R' invoice (lines and header alike)
    qint64 chainCode = 123;
    qint64 ean = 8001234567890;
    double quantity = 3;
    double cost = 1.5;
    double price = 2.99;
    QString vat = QStringLiteral("22");
    QString lineClass = QStringLiteral("  ");
    QString description = QStringLiteral("PASTA DI SEMOLA 500G");
    int subfamily = 10;

    QByteArray line() const {
        const QString t = QString(QLatin1Char(type));
        return RecordBuilder("BLE", date)
            .set(rec::ble::lineClass, lineClass)
            .set(rec::ble::lineType, t)
            .set(rec::ble::headerType, t)
            .num(rec::ble::number, number)
            .num(rec::ble::chainCode, chainCode)
            .set(rec::ble::description, description)
            .set(rec::ble::umart, QStringLiteral("PZ"))
            .set(rec::ble::unita2, QStringLiteral("KG"))
            .set(rec::ble::quaco, QStringLiteral("0500"))
            .set(rec::ble::imbart, QStringLiteral("0012"))
            .set(rec::ble::vat, vat)
            .num(rec::ble::subfamily, subfamily)
            .num(rec::ble::ean, ean)
            .num(rec::ble::packages, 1)
            .amount(rec::ble::quantity, quantity, 100)
            .amount(rec::ble::cost, cost, 100000)
            .amount(rec::ble::price, price, 1000)
            .line();
    }
};

// A store root configured to receive documents; a test may keep several.
class DocumentStore {
public:
    DocumentStore() {
        db::Database& s = root.store();
        root.exec(s, QStringLiteral("INSERT INTO tipodoc (coddoc, posi, numeratore) VALUES ('FATTACQIMM', 'A', 'FA')"));
        root.exec(s, QStringLiteral("INSERT INTO tipodoc (coddoc, posi, numeratore) VALUES ('DDTACQ', 'A', 'DD')"));
        for (int year : {2025, 2026}) {
            root.exec(s, QStringLiteral("INSERT INTO numeri (codutente, tipo, anno, ultnum) VALUES (1, 'FA', ?, 0)"), {year});
            root.exec(s, QStringLiteral("INSERT INTO numeri (codutente, tipo, anno, ultnum) VALUES (1, 'DD', ?, ?)"),
                      {year, year == 2026 ? 41 : 7});
        }
        root.exec(s, QStringLiteral("INSERT INTO sottogruppi (codsot, dscsotto, codgru) VALUES (10, 'PASTA SECCA', 5)"));
        root.exec(s, QStringLiteral("INSERT INTO gruppi (codgru, dscgruppo, codrep) VALUES (5, 'PASTA', '2')"));
        root.exec(s, QStringLiteral("INSERT INTO reparti (reparto, descrizione) VALUES (2, 'DROGHERIA')"));
    }

    // A store article known by its chain code and its EAN.
    void addArticle(qint32 codart, qint64 chainCode, qint64 ean, double cofart = 1.5, double qgia = 0,
                    double valgia = 0, double scarto = 0, double traspo = 0) {
        db::Database& s = root.store();
        root.exec(s, QStringLiteral("INSERT INTO listi01 (codart, desart, codafo, codfor, cofart, qgia, valgia, "
                                    "cosmp, qacq, scarto, traspo, przpub, marg) "
                                    "VALUES (?, 'ARTICOLO', ?, 4321, ?, ?, ?, 0, 0, ?, ?, 2.5, 25)"),
                  {codart, QStringLiteral("%1").arg(chainCode, 9, 10, QLatin1Char('0')), cofart, qgia, valgia,
                   scarto, traspo});
        root.exec(s, QStringLiteral("INSERT INTO codean (eanare, codare, eacq, egia) VALUES (?, ?, 0, 0)"),
                  {QStringLiteral("%1").arg(ean, 13, 10, QLatin1Char('0')), codart});
        root.exec(root.chain(), QStringLiteral("INSERT INTO articolo (codart, przart) VALUES (?, 0)"), {chainCode});
    }

    // The documents part of the run sequence.
    void runWith(const QList<QByteArray>& lines) {
        root.writeChainFile(lines);
        const std::optional<common::ChainFile> file = common::ChainFile::load(root.paths().chainFile());
        ::Run& run = root.run();
        root.view.setText(Box::elaboraw, QStringLiteral("IMPORTA DOCUMENTO"));
        chainfile::LineErrors errors;
        const ListedDocument current = elaborap(run, *file, errors);
        if (run.config.documentsOn()) {
            db::Transaction unit(run.store);
            stageDocumentLines(run, *file, errors, current.number);
            creo_art_nuovo_forni(run, current.number);
            receiveDocuments(run, errors);
            unit.commit();
        } else {
            clearDocumentLines(run);
        }
        endDocuments(run);
    }

    qint64 count(const QString& table, const QString& where = QString()) {
        return root.count(root.store(), table, where);
    }
    QVariant value(const QString& sql, std::initializer_list<QVariant> values = {}) {
        return root.scalar(root.store(), sql, values);
    }

    TestRoot root;
};

class DocumentFixture : public ::testing::Test, protected DocumentStore {};
