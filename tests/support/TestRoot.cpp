#include "TestRoot.h"


#include <QDir>
#include <QFile>
#include <stdexcept>

namespace {
// Where the sources and the built program are, for tests started by ctest or by hand.
[[maybe_unused]] const bool testFolders = [] {
    if (qEnvironmentVariableIsEmpty("LIS06C_SOURCE_DIR")) qputenv("LIS06C_SOURCE_DIR", LIS06C_TEST_SOURCE_DIR);
    if (qEnvironmentVariableIsEmpty("LIS06C_BINARY_DIR")) qputenv("LIS06C_BINARY_DIR", LIS06C_TEST_BINARY_DIR);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    return true;
}();
}  // namespace

TestRoot::TestRoot(qint32 codforAffil, const QString& supplierName) {
    if (!dir_.isValid()) throw std::runtime_error("no temporary folder");
    paths_.root = dir_.path();
    initRoot(paths_);
    if (codforAffil != 0) {
        exec(store(), QStringLiteral("INSERT INTO utenti (codutente, codfor_affil) VALUES (1, ?)"), {codforAffil});
        exec(store(), QStringLiteral("INSERT INTO fornitori (codfornitore, dscfornitore) VALUES (?, ?)"),
             {codforAffil, supplierName});
    }
}

TestRoot::~TestRoot() { close(); }

void TestRoot::close() {
    run_.reset();
    log_.reset();
    store_.reset();
    chain_.reset();
}

void TestRoot::writeChainFile(const QList<QByteArray>& lines) {
    QByteArray out;
    for (const QByteArray& l : lines) out += l + "\r\n";
    writeChainBytes(out);
}

void TestRoot::writeChainBytes(const QByteArray& bytes) {
    QFile f(paths_.chainFile());
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) throw std::runtime_error("cannot write chain file");
    f.write(bytes);
}

db::Database& TestRoot::store() {
    if (!store_) store_ = db::Database::open(paths_.storeDb(), QStringLiteral("Quarn (negozio)"));
    return *store_;
}

db::Database& TestRoot::chain() {
    if (!chain_) chain_ = db::Database::open(paths_.chainDb(), QStringLiteral("Nelv (catena)"));
    return *chain_;
}

Run& TestRoot::run() {
    run_.reset();
    log_.reset();
    config_ = RunConfig{};
    config_.paths = paths_;
    db::Query user = store().prepare(QStringLiteral("SELECT codfor_affil FROM utenti WHERE codutente = 1"));
    if (user.first() && !user.isNull("codfor_affil")) config_.codfor_affil = user.whole("codfor_affil");
    user.finish();
    db::Query automa = store().prepare(QStringLiteral("SELECT art1, art2, art3 FROM automa WHERE codice = 2"));
    if (automa.first()) {
        config_.art1 = automa.text("art1");
        config_.art2 = automa.text("art2");
        config_.art3 = automa.text("art3");
    }
    automa.finish();
    db::Query supplier = store().prepare(
        QStringLiteral("SELECT dscfornitore FROM fornitori WHERE codfornitore = ? ORDER BY rowid LIMIT 1"));
    if (supplier.first({config_.codfor_affil})) config_.supplierName = supplier.text("dscfornitore").leftJustified(45, QLatin1Char(' '), true);
    supplier.finish();
    log_ = std::make_unique<db::ProcessingLog>(store());
    run_ = std::make_unique<Run>(Run{config_, store(), chain(), view, clock, *log_, summary_});
    return *run_;
}

void TestRoot::exec(db::Database& database, const QString& sql, std::initializer_list<QVariant> values) {
    database.exec(sql, values);
}

QVariant TestRoot::scalar(db::Database& database, const QString& sql, std::initializer_list<QVariant> values) {
    db::Query q = database.prepare(sql);
    return q.first(values) ? q.value(0) : QVariant();
}

qint64 TestRoot::count(db::Database& database, const QString& table, const QString& where) {
    return scalar(database, QStringLiteral("SELECT count(*) FROM ") + table +
                                (where.isEmpty() ? QString() : QStringLiteral(" WHERE ") + where))
        .toLongLong();
}
