#include "Scenario.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>
#include <csignal>
#include <stdexcept>
#include <sys/wait.h>

namespace scenario {

namespace {
const QDate kDataDate(2026, 12, 1);
}

void fillDatabases(TestRoot& root) {
    db::Database& s = root.store();
    db::Database& c = root.chain();
    // Stages all on; document types, numbering series and the offer type.
    root.exec(s, "INSERT INTO automa (codice, art1, art2, art3) VALUES (2, '0', '0', '0')");
    root.exec(s, "INSERT INTO tipodoc (coddoc, posi, numeratore, dscdoc, maga) VALUES (?, 'A', ?, ?, 'S')",
              {"FATTACQIMM", "FA", "FATTURA ACQUISTO"});
    root.exec(s, "INSERT INTO tipodoc (coddoc, posi, numeratore, dscdoc, maga) VALUES (?, 'A', ?, ?, 'S')",
              {"DDTACQ", "DD", "DDT ACQUISTO"});
    root.exec(s, "INSERT INTO tipodoc (coddoc, posi, numeratore, dscdoc, maga) VALUES (?, 'A', ?, ?, 'N')",
              {"OFFERTE", "OP", "OFFERTE"});
    for (const auto& [series, last] : {std::pair{"FA", 10}, std::pair{"DD", 20}, std::pair{"OP", 5}}) {
        root.exec(s, "INSERT INTO numeri (codutente, tipo, anno, ultnum) VALUES (1, ?, 2026, ?)", {series, last});
        root.exec(s, "INSERT INTO numeri (codutente, tipo, anno, ultnum) VALUES (1, ?, 2025, 100)", {series});
    }
    root.exec(s, "INSERT INTO reparti (reparto, descrizione) VALUES (1, 'ALIMENTARI')");
    root.exec(s, "INSERT INTO gruppi (codgru, dscgruppo, codrep, escgruppo) VALUES (3, 'PASTE', '1', 0)");
    root.exec(s, "INSERT INTO sottogruppi (codsot, dscsotto, codgru) VALUES (12, 'PASTA SECCA', 3)");
    root.exec(s, "INSERT INTO offtab (codice, descrizione, sconto, valore, soglia, omaggio, puntif, scoval, "
                 "soloclienti, sogliav) VALUES (1, 'TAGLIO PREZZO', 0, 0, 0, 0, 0, 0, 0, 0)");

    // Three articles the store has, with stock, each known to the chain.
    struct Article {
        int codart;
        int chainCode;
        const char* description;
        double qgia, valgia, cost, price;
        QStringList eans;
    };
    const Article articles[] = {
        {1, 1001, "PASTA DI SEMOLA", 10, 20, 2, 3, {"8000000000011"}},
        {2, 1002, "RISO ARBORIO", 0, 0, 1.5, 1.8, {"8000000000028"}},
        {3, 1003, "OLIO EXTRAVERGINE", 5, 25, 5, 7.9, {"8000000000035", "8000000000042"}},
    };
    for (const Article& a : articles) {
        const QString codafo = QStringLiteral("%1").arg(a.chainCode, 9, 10, QLatin1Char('0'));
        root.exec(s,
                  "INSERT INTO listi01 (codart, desart, codafo, codfor, desfor, umart, imbart, ivart, tipart, "
                  "codgru, desgru, codsot, dessot, codrep, desrep, przpub, przart, przsal, cobart, cofart, "
                  "marg, tipges, qgia, valgia, cosmp, qacq, scarto, traspo, datreg) "
                  "VALUES (?, ?, ?, 4321, 'NELV DISTRIBUZIONE SPA', 'PZ', 1, '04', 1, 3, 'PASTE', 12, "
                  "'PASTA SECCA', 1, 'ALIMENTARI', ?, ?, 0, ?, ?, 30, 'M', ?, ?, ?, 0, 0, 0, '2026-01-01')",
                  {a.codart, a.description, codafo, a.price, a.cost, a.cost, a.cost, a.qgia, a.valgia,
                   a.qgia > 0 ? a.valgia / a.qgia : a.cost});
        root.exec(s,
                  "INSERT INTO listi02 (codart, codlis, codafo, desart, cobart, cofart, ivart, umart, desfor, "
                  "codfor, datval) VALUES (?, '004321', ?, ?, ?, ?, '04', 'PZ', 'NELV DISTRIBUZIONE SPA', "
                  "4321, '2026-01-01')",
                  {a.codart, codafo, a.description, a.cost, a.cost});
        for (const QString& ean : a.eans) {
            root.exec(s,
                      "INSERT INTO codean (eanare, codare, desart, desfor, codafo, prezzo, eacq, egia, dataagg) "
                      "VALUES (?, ?, ?, 'NELV DISTRIBUZIONE SPA', ?, ?, 0, 0, '2026-01-01')",
                      {ean, a.codart, a.description, codafo, a.price});
            root.exec(c, "INSERT INTO codean (codare, eanare) VALUES (?, ?)", {a.chainCode, ean});
        }
        root.exec(c,
                  "INSERT INTO articolo (codart, desart, przart, Przpub, ivart, imbart, tipges, tipart, umart, "
                  "umconf, codgru, codsot, codrep, ea1art, artvariato) "
                  "VALUES (?, ?, ?, ?, '04', 1, 'M', 1, 'PZ', 'PZ', 3, 12, 1, '.', 'N')",
                  {a.chainCode, a.description, a.cost, a.price});
    }
}

QByteArray tabLine() {
    return RecordBuilder("TAB", kDataDate)
        .set(rec::tab::table, "0127")
        .num(rec::tab::code, 12)
        .set(rec::tab::description, "PASTA SECCA")
        .set(rec::tab::tableKind, "01")
        .set(rec::tab::parent, "003");
}

RecordBuilder mdaLine(qint64 code, const QString& description) {
    return RecordBuilder("MDA", kDataDate)
        .num(rec::articleCode, code)
        .set(rec::mda::description, description)
        .set(rec::mda::umart, "PZ")
        .set(rec::mda::umconf, "PZ")
        .num(rec::mda::pezzatura, 500)
        .num(rec::mda::subgroup, 12)
        .set(rec::mda::tipart, "1")
        .num(rec::mda::vat, 4)
        .num(rec::mda::imbart, 12);
}

RecordBuilder mhaLine(qint64 code, const QString& ean) {
    return RecordBuilder("MHA", kDataDate).num(rec::articleCode, code).set(rec::mha::ean, ean);
}

RecordBuilder mheLine(qint64 code, double price) {
    return RecordBuilder("MHE", kDataDate).num(rec::articleCode, code).amount(rec::mhe::price, price);
}

RecordBuilder mhnLine(qint64 code, double cost) {
    return RecordBuilder("MHN", kDataDate).num(rec::articleCode, code).amount(rec::mhn::cost, cost);
}

RecordBuilder bleLine(qint64 document, bool invoice, qint64 chainCode, const QString& ean, double quantity,
                      double cost, double price) {
    return RecordBuilder("BLE", kDataDate)
        .set(rec::ble::lineClass, "01")
        .set(rec::ble::lineType, invoice ? "R" : "D")
        .set(rec::ble::headerType, invoice ? "R" : "D")
        .num(rec::ble::number, document)
        .num(rec::ble::chainCode, chainCode)
        .set(rec::ble::description, QStringLiteral("ARTICOLO %1").arg(chainCode))
        .set(rec::ble::umart, "PZ")
        .set(rec::ble::unita2, "PZ")
        .num(rec::ble::quaco, 1)
        .num(rec::ble::imbart, 1)
        .set(rec::ble::vat, "04")
        .num(rec::ble::subfamily, 12)
        .set(rec::ble::ean, ean)
        .num(rec::ble::packages, 1)
        .amount(rec::ble::quantity, quantity, 100)
        .amount(rec::ble::cost, cost, 100000)
        .amount(rec::ble::price, price, 1000);
}

RecordBuilder oftLine(qint64 promotion, const QString& description) {
    return RecordBuilder("OFT", kDataDate)
        .num(rec::oft::number, promotion)
        .set(rec::oft::description, description)
        .date(rec::oft::start, QDate(2026, 12, 10))
        .date(rec::oft::end, QDate(2026, 12, 24));
}

RecordBuilder ofdLine(qint64 promotion, int kind, qint64 chainCode, double value) {
    return RecordBuilder("OFD", kDataDate)
        .num(rec::ofd::number, promotion)
        .num(rec::ofd::offerKind, kind)
        .num(rec::ofd::chainCode, chainCode)
        .amount(rec::ofd::value, value);
}

QList<QByteArray> chainLines() {
    return {
        tabLine(),
        // Catalogue: one article changed, two new ones with their EAN and price.
        mdaLine(1001, "PASTA DI SEMOLA N.5"), mheLine(1001, 3.2), mhnLine(1001, 2.1),
        mdaLine(1004, "BISCOTTI FROLLINI"), mhaLine(1004, "8000000000059"), mheLine(1004, 2.5),
        mdaLine(1005, "CAFFE MOKA 250G"), mhaLine(1005, "8000000000066"), mheLine(1005, 4.9),
        // Three supplier documents.
        bleLine(101, true, 1001, "8000000000011", 12, 2.1, 3.2),
        bleLine(101, true, 1003, "8000000000035", 6, 5.2, 7.9),
        bleLine(102, false, 1002, "8000000000028", 24, 1.5, 1.8),
        bleLine(102, false, 1004, "8000000000059", 10, 1.7, 2.5),
        bleLine(103, true, 1001, "8000000000011", 5, 2.1, 3.2),
        // Two promotions: a price cut on two articles, a 15 % discount on one.
        oftLine(7, "PROMO NATALE"), ofdLine(7, 1, 1001, 2.5), ofdLine(7, 1, 1003, 6.5),
        oftLine(8, "SCONTO RISO"), ofdLine(8, 10, 1002, 15),
    };
}

int countedRun(const QString& root, Outcome& outcome) {
    outcome = runProgram(root, {QStringLiteral("LIS06C_REPORT_WRITES=1")});
    const auto m = QRegularExpression(QStringLiteral("lis06c: writes (\\d+)")).match(outcome.err);
    return outcome.exitCode == 0 && m.hasMatch() ? m.captured(1).toInt() : 0;
}

Outcome runProgram(const QString& root, const QStringList& env, int timeoutMs, const QStringList& extraArgs) {
    QProcess p;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    e.insert("QT_QPA_PLATFORM", "offscreen");
    e.remove("LIS06C_KILL_AFTER_WRITES");
    for (const QString& kv : env) {
        const int eq = kv.indexOf(QLatin1Char('='));
        e.insert(kv.left(eq), kv.mid(eq + 1));
    }
    p.setProcessEnvironment(e);
    const QString program = qEnvironmentVariable("LIS06C_BINARY_DIR") + QStringLiteral("/lis06c");
    const QStringList args = QStringList{QStringLiteral("--headless"), QStringLiteral("--root"), root} + extraArgs;
    if (e.value("LIS06C_RUN_AS_NOBODY") == QLatin1String("1")) {
        // As another user (root would write through any file mode).
        e.remove("LIS06C_RUN_AS_NOBODY");
        p.setProcessEnvironment(e);
        p.start(QStringLiteral("setpriv"), QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", program} + args);
    } else {
        p.start(program, args);
    }
    if (!p.waitForStarted()) throw std::runtime_error("lis06c did not start (LIS06C_BINARY_DIR?)");
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        throw std::runtime_error("lis06c did not finish in time");
    }
    Outcome o;
    o.crashed = p.exitStatus() == QProcess::CrashExit;
    o.exitCode = p.exitCode();
    o.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    o.err = QString::fromLocal8Bit(p.readAllStandardError());
    return o;
}

void copyRoot(const QString& from, const QString& to) {
    for (const char* sub : {"nelv", "quarn"}) {
        QDir src(from + QLatin1Char('/') + QLatin1String(sub));
        QDir().mkpath(to + QLatin1Char('/') + QLatin1String(sub));
        for (const QString& f : src.entryList(QDir::Files)) {
            const QString target = to + QLatin1Char('/') + QLatin1String(sub) + QLatin1Char('/') + f;
            QFile::remove(target);
            if (!QFile::copy(src.filePath(f), target)) throw std::runtime_error("copy failed");
            QFile(target).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        }
    }
}

QString integrity(const QString& path) {
    const QString name = QStringLiteral("integrity-%1").arg(QUuid::createUuid().toString());
    QString result;
    {
        QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        d.setDatabaseName(path);
        if (d.open()) {
            QSqlQuery q(d);
            if (q.exec(QStringLiteral("PRAGMA integrity_check")) && q.next()) result = q.value(0).toString();
            else result = QStringLiteral("integrity_check failed");
        } else {
            result = QStringLiteral("cannot open");
        }
        d.close();
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

}  // namespace scenario
