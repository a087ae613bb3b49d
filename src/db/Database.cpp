#include "db/Database.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QUuid>
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
    case 26:  // SQLITE_NOTADB
        return ErrorKind::NotDatabase;
    default:
        return ErrorKind::Other;
    }
}

bool startsWithWrite(const QString& sql) {
    const QString head = sql.trimmed().left(7).toUpper();
    return head.startsWith(QLatin1String("INSERT")) || head.startsWith(QLatin1String("UPDATE")) ||
           head.startsWith(QLatin1String("DELETE")) || head.startsWith(QLatin1String("REPLACE"));
}

// Statements that take the write lock when they run on their own: changes to
// rows and to the schema.
bool takesWriteLock(const QString& sql) {
    const QString head = sql.trimmed().left(6).toUpper();
    return startsWithWrite(sql) || head.startsWith(QLatin1String("CREATE")) ||
           head.startsWith(QLatin1String("ALTER")) || head.startsWith(QLatin1String("DROP"));
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

Query::Query(Database& db, const QString& sql)
    : db_(&db), sql_(sql), q_(db.handle()), isWrite_(startsWithWrite(sql)), needsWriteLock_(takesWriteLock(sql)) {
    q_.setForwardOnly(true);
    if (!q_.prepare(sql)) db.fail(q_.lastError(), sql);
}

Query::Query(Query&& other) noexcept
    : db_(other.db_), sql_(std::move(other.sql_)), q_(std::move(other.q_)), record_(std::move(other.record_)),
      isWrite_(other.isWrite_), needsWriteLock_(other.needsWriteLock_), open_(other.open_) {
    if (open_) {
        db_->reading_.remove(&other);
        db_->reading_.insert(this, sql_);
    }
    other.open_ = false;
}

Query::~Query() { close(); }

void Query::beforeExec() {
    close();  // running it again ends its earlier reading
    if (needsWriteLock_ && db_->depth_ == 0) db_->requireNoOpenStatement(sql_);
}

void Query::afterExec() {
    if (record_.isEmpty() && q_.isSelect()) record_ = q_.record();
    if (q_.isSelect()) {
        open_ = true;
        db_->reading_.insert(this, sql_);
    }
    if (isWrite_ && db_->counter()) db_->counter()->count();
}

void Query::close() {
    if (!open_) return;
    open_ = false;
    db_->reading_.remove(this);
}

Query& Query::exec(std::initializer_list<QVariant> values) {
    beforeExec();
    int i = 0;
    for (const QVariant& v : values) q_.bindValue(i++, v);
    if (!q_.exec()) db_->fail(q_.lastError(), sql_);
    afterExec();
    return *this;
}

Query& Query::execList(const QVariantList& values) {
    beforeExec();
    for (int i = 0; i < values.size(); ++i) q_.bindValue(i, values[i]);
    if (!q_.exec()) db_->fail(q_.lastError(), sql_);
    afterExec();
    return *this;
}

bool Query::next() {
    const bool row = q_.next();
    if (!row) close();  // read to the end: SQLite has let go of the snapshot
    return row;
}

void Query::finish() {
    q_.finish();
    close();
}

QVariant Query::value(const char* field) const {
    const int i = record_.indexOf(QString::fromUtf8(field));
    if (i < 0) {
        throw Error(ErrorKind::Schema, QStringLiteral("Campo %1 assente nel risultato di: %2")
                                           .arg(QString::fromUtf8(field), sql_));
    }
    return q_.value(i);
}

int Database::busyTimeoutMs() {
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("LIS06C_BUSY_TIMEOUT_MS", &ok);
    return ok ? ms : 10000;
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
    db->connection_ = QStringLiteral("lis06c-%1-%2").arg(label, QUuid::createUuid().toString());
    db->db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), db->connection_);
    db->db_.setDatabaseName(path);
    db->db_.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs()));
    if (!db->db_.open()) db->fail(db->db_.lastError(), QStringLiteral("open"));
    // Reading the schema proves that the file really is a database.
    db->exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(busyTimeoutMs()));
    db->exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
    db->exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    db->exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
    // Tests stand in for a full disk with a size limit on the connection.
    if (const int pages = qEnvironmentVariableIntValue("LIS06C_MAX_PAGE_COUNT"); pages > 0)
        db->exec(QStringLiteral("PRAGMA max_page_count = %1").arg(pages));
    return db;
}

Database::~Database() {
    db_.close();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(connection_);
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
    throw Error(kind, QStringLiteral("%1\nIstruzione: %2\nSQLite: %3")
                          .arg(what, sql.simplified(), error.text()));
}

void Database::requireNoOpenStatement(const QString& before) const {
    if (reading_.isEmpty()) return;
    QStringList open;
    for (const QString& sql : reading_) open << sql.simplified();
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

Batch::Batch(Database& db, int every)
    : db_(db), every_(every), tx_(std::make_unique<Transaction>(db)) {}

void Batch::step() {
    if (++done_ % every_ == 0) {
        tx_->commit();
        tx_ = std::make_unique<Transaction>(db_);
    }
}

void Batch::commit() {
    if (tx_) tx_->commit();
    tx_.reset();
}

}  // namespace db
