#include "db/Database.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <sqlite3.h>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <unistd.h>

namespace db {

namespace {

ErrorKind kindOf(const QSqlError& e) {
    bool ok = false;
    const int code = e.nativeErrorCode().toInt(&ok) & 0xFF;
    if (!ok) return ErrorKind::Other;
    switch (code) {
    case 5:   // SQLITE_BUSY
    case 6:   // SQLITE_LOCKED
        return ErrorKind::Locked;
    case 8:   // SQLITE_READONLY
        return ErrorKind::ReadOnly;
    case 11:  // SQLITE_CORRUPT
        return ErrorKind::Corrupt;
    case 13:  // SQLITE_FULL
        return ErrorKind::Full;
    case 19:  // SQLITE_CONSTRAINT
        return ErrorKind::Constraint;
    case 26:  // SQLITE_NOTADB
        return ErrorKind::NotDatabase;
    default:
        return ErrorKind::Other;
    }
}

}  // namespace

WriteCounter WriteCounter::fromEnvironment() {
    return WriteCounter(qEnvironmentVariableIntValue("LIS06C_KILL_AFTER_WRITES"));
}

void WriteCounter::count() {
    ++writes_;
    if (killAfter_ > 0 && writes_ >= killAfter_) {
        // As abrupt as a power cut: no destructors, no rollback, no flush.
        ::kill(::getpid(), SIGKILL);
        std::_Exit(137);
    }
}

int Database::busyTimeoutMs() {
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("LIS06C_BUSY_TIMEOUT_MS", &ok);
    return ok ? ms : 10000;
}

bool Database::configureLibrary() {
    // SQLite's own count of the memory it holds, kept under a lock taken on
    // every allocation and free, is never read by the run: a run makes
    // millions of allocations.
    return sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
}

Database::Database(const QString& path, const QString& label, WriteCounter* counter)
    : path_(path), label_(label), counter_(counter) {}

std::unique_ptr<Database> Database::open(const QString& path, const QString& label,
                                         WriteCounter* counter) {
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile()) {
        throw Error(ErrorKind::Missing,
                    QStringLiteral("Archivio %1 non esiste: %2").arg(label, path));
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw Error(ErrorKind::ReadOnly, QStringLiteral("Archivio %1 non leggibile: %2 (%3)")
                                             .arg(label, path, file.errorString()));
    }
    const QByteArray head = file.read(32);
    file.close();
    if (head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB") {
        throw Error(ErrorKind::NotDatabase,
                    QStringLiteral("Archivio %1 in formato Microsoft Access, non SQLite: %2. "
                                   "Convertirlo in SQLite prima dell'elaborazione: lis06c --import-mdb %2 "
                                   "--into store|chain --replace (l'originale resta accanto come copia).")
                        .arg(label, path));
    }
    if (!head.startsWith(QByteArrayLiteral("SQLite format 3\0"))) {
        throw Error(ErrorKind::NotDatabase,
                    QStringLiteral("Il file %1 non è un archivio SQLite (archivio %2)").arg(path, label));
    }
    if (!info.isWritable() || !QFileInfo(info.absolutePath()).isWritable()) {
        throw Error(ErrorKind::ReadOnly,
                    QStringLiteral("Archivio %1 in sola lettura: %2 (servono i permessi di scrittura "
                                   "sul file e sulla sua cartella)")
                        .arg(label, path));
    }

    std::unique_ptr<Database> db(new Database(path, label, counter));
    db->connectionName_ = QStringLiteral("lis06c-%1-%2").arg(label, QUuid::createUuid().toString());
    db->db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), db->connectionName_);
    db->db_.setDatabaseName(path);
    db->db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs()));
    if (!db->db_.open()) db->fail(db->db_.lastError(), QStringLiteral("open"));
    // Qt's connection, which our statements run on.
    const QVariant handle = db->db_.driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") == 0) db->connection_ = *static_cast<sqlite3* const*>(handle.constData());
    if (!db->connection_) db->fail(QSqlError(QStringLiteral("No SQLite connection")), QStringLiteral("open"));
    // Reading the schema proves that the file really is a database.
    db->exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(busyTimeoutMs()));
    db->exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    db->exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    db->exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
    db->sizeCaches(info.size());
    db->times_ = StatementTimes::fromEnvironment(db->connection_, label);
    // Tests stand in for a full disk with a size limit on the connection.
    if (const int pages = qEnvironmentVariableIntValue("LIS06C_MAX_PAGE_COUNT"); pages > 0)
        db->exec(QStringLiteral("PRAGMA max_page_count = %1").arg(pages));
    return db;
}

void Database::sizeCaches(qint64 fileBytes) {
    // The stages look rows up by key all over both databases, the same pages
    // many times over and in no order (an article's group, price list,
    // barcodes). With SQLite's default cache of 2 MB most lookups of a
    // store's database go back to the file for a page read a moment before,
    // so the cache is sized for the database: a quarter of the file and 16 MB
    // more holds the pages the stages meet again. It is an upper limit, taken
    // only as pages are used, and capped so that a very large database keeps
    // within the memory of the back-office PC. The file is not mapped into
    // memory: every page read through a map stays resident beside the cache,
    // which on the store-size workload took the run from 80 to 125 MB with no
    // processor time saved that the benchmark could tell from its noise.
    constexpr qint64 kMb = 1024 * 1024;
    constexpr qint64 kCacheCap = 48 * kMb;
    const qint64 cache = std::min(fileBytes / 4 + 16 * kMb, kCacheCap);
    exec(QStringLiteral("PRAGMA cache_size = -%1").arg(cache / 1024));  // negative: in KiB
    exec(QStringLiteral("PRAGMA mmap_size = 0"));
    // Each commit adds the pages it changed to the write-ahead log; by default
    // SQLite copies the log back into the file, and waits for the disk, every
    // 1,000 pages, which a long stage reaches every few batches. Copied back
    // as often as the page cache fills instead, the log is written back a few
    // times a run and at closing, with the same guarantees.
    exec(QStringLiteral("PRAGMA wal_autocheckpoint = %1").arg(std::max<qint64>(1000, cache / 4096)));
}

Database::~Database() {
    for (Query* q : queries_) q->release();
    times_.reset();
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(connectionName_);
}

void Database::exec(const QString& sql, std::initializer_list<QVariant> values) {
    Query q(*this, sql);
    q.exec(values);
}

bool Database::hasTable(const QString& table) {
    Query q(*this, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND lower(name) = lower(?)"));
    return q.first({table});
}

QStringList Database::columns(const QString& table) {
    QStringList out;
    Query q(*this, QStringLiteral("SELECT name FROM pragma_table_info(?)"));
    q.exec({table});
    while (q.next()) out << q.value(0).toString().toLower();
    return out;
}

void Database::fail(const QSqlError& error, const QString& sql) const {
    const ErrorKind kind = kindOf(error);
    QString what;
    switch (kind) {
    case ErrorKind::Locked:
        what = QStringLiteral("Archivio %1 bloccato da un altro programma oltre %2 secondi: %3")
                   .arg(label_).arg(busyTimeoutMs() / 1000.0).arg(path_);
        break;
    case ErrorKind::ReadOnly:
        what = QStringLiteral("Archivio %1 in sola lettura: %2").arg(label_, path_);
        break;
    case ErrorKind::Full:
        what = QStringLiteral("Archivio %1 pieno (disco o limite di dimensione raggiunto): %2")
                   .arg(label_, path_);
        break;
    case ErrorKind::NotDatabase:
        what = QStringLiteral("Il file %1 non è un archivio SQLite (archivio %2)").arg(path_, label_);
        break;
    case ErrorKind::Corrupt:
        what = QStringLiteral("Archivio %1 danneggiato: %2").arg(label_, path_);
        break;
    default:
        what = QStringLiteral("Errore sull'archivio %1 (%2)").arg(label_, path_);
        break;
    }
    throw Error(kind, QStringLiteral("%1\nIstruzione: %2\nSQLite: %3").arg(what, sql.simplified(), error.text()),
                error.databaseText().isEmpty() ? error.text() : error.databaseText());
}

void Database::requireNoOpenStatement(const QString& before) const {
    QStringList open;
    for (const Query* q : queries_) {
        if (q->reading()) open << q->sql().simplified();
    }
    if (open.isEmpty()) return;
    open.sort();
    throw Error(ErrorKind::Other,
                QStringLiteral("Errore del programma sull'archivio %1 (%2): una lettura è ancora aperta mentre "
                               "inizia una scrittura, che non potrebbe attendere gli altri programmi. Nessun dato "
                               "è stato modificato da questa scrittura.\nScrittura: %3\nLettura aperta: %4")
                    .arg(label_, path_, before.simplified(), open.join(QLatin1String(" | "))));
}

Transaction::Transaction(Database& db) : db_(db), level_(db.depth_) {
    if (level_ == 0) db_.requireNoOpenStatement(QStringLiteral("BEGIN IMMEDIATE"));
    if (level_ == 0)
        db_.exec(QStringLiteral("BEGIN IMMEDIATE"));
    else
        db_.exec(QStringLiteral("SAVEPOINT lis06c_%1").arg(level_));
    ++db_.depth_;
}

Transaction::~Transaction() {
    if (!open_) return;
    --db_.depth_;
    // Never throws: a failed rollback leaves SQLite's own rollback to do the work.
    QSqlQuery q(db_.handle());
    if (level_ == 0) {
        q.exec(QStringLiteral("ROLLBACK"));
    } else {
        q.exec(QStringLiteral("ROLLBACK TO lis06c_%1").arg(level_));
        q.exec(QStringLiteral("RELEASE lis06c_%1").arg(level_));
    }
}

void Transaction::commit() {
    if (!open_) return;
    if (level_ == 0)
        db_.exec(QStringLiteral("COMMIT"));
    else
        db_.exec(QStringLiteral("RELEASE lis06c_%1").arg(level_));
    open_ = false;
    --db_.depth_;
}

Batch::Batch(std::initializer_list<Database*> dbs, std::chrono::milliseconds hold) : dbs_(dbs), hold_(hold) {
    begin();
}

void Batch::begin() {
    for (Database* db : dbs_) txs_.push_back(std::make_unique<Transaction>(*db));
    began_ = std::chrono::steady_clock::now();
}

void Batch::commit() {
    for (const std::unique_ptr<Transaction>& tx : txs_) tx->commit();
    txs_.clear();
}

}  // namespace db
