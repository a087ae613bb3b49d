// Statements on the SQLite connection that Qt SQL opened. Binding and reading
// follow Qt SQL's rules for SQLite value by value, so that a stage reads and
// writes exactly what it did through QSqlQuery.
#include "db/Database.h"

#include <QDateTime>
#include <QSqlField>
#include <QTime>
#include <algorithm>
#include <sqlite3.h>

namespace db {

namespace {

bool startsWithWrite(const QString& sql) {
    const QString head = sql.trimmed().left(7).toUpper();
    return head.startsWith(QLatin1String("INSERT")) || head.startsWith(QLatin1String("UPDATE")) ||
           head.startsWith(QLatin1String("DELETE")) || head.startsWith(QLatin1String("REPLACE"));
}

// A value that goes to the database as Null: no value, or a null text, bytes,
// date or time (an empty text that is not null stays an empty text).
bool boundAsNull(const QVariant& v) {
    if (v.isNull()) return true;
    switch (v.typeId()) {
    case QMetaType::QString:
        // A null QString is text that was never given a value (a description
        // not found, a code not read): the store's other programs read these
        // fields as text, so it goes in as empty text. Null itself is bound
        // only when asked for: an empty QVariant, or a value read as Null.
        return false;
    case QMetaType::QByteArray:
        return static_cast<const QByteArray*>(v.constData())->isNull();
    case QMetaType::QDateTime:
        return !static_cast<const QDateTime*>(v.constData())->isValid();
    case QMetaType::QDate:
        return !static_cast<const QDate*>(v.constData())->isValid();
    case QMetaType::QTime:
        return !static_cast<const QTime*>(v.constData())->isValid();
    default:
        return false;
    }
}

int bindText(sqlite3_stmt* stmt, int position, const QString& text, void (*lifetime)(void*)) {
    return sqlite3_bind_text16(stmt, position, text.constData(), static_cast<int>(text.size() * sizeof(QChar)),
                               lifetime);
}

// Most texts the stages write (codes, units, plain descriptions) are ASCII,
// the same bytes in UTF-8: handed over as such they spare SQLite converting
// them from UTF-16. `bytes` is filled whatever the text, and kept by the caller
// for as long as SQLite reads it.
bool asAscii(const QString& text, QByteArray& bytes) {
    const qsizetype n = text.size();
    bytes.resize(n);
    const char16_t* from = reinterpret_cast<const char16_t*>(text.constData());
    char* to = bytes.data();
    char16_t seen = 0;
    for (qsizetype i = 0; i < n; ++i) {
        seen |= from[i];
        to[i] = static_cast<char>(from[i]);
    }
    return seen < 0x80;
}

bool isAscii(const char* text, int n) {
    unsigned char seen = 0;
    for (int i = 0; i < n; ++i) seen |= static_cast<unsigned char>(text[i]);
    return seen < 0x80;
}

QString utf16(const void* text) { return QString(reinterpret_cast<const QChar*>(text)); }

// Statements that take the write lock when they run on their own: changes to
// rows and to the schema.
bool takesWriteLock(const QString& sql) {
    const QString head = sql.trimmed().left(6).toUpper();
    return startsWithWrite(sql) || head.startsWith(QLatin1String("CREATE")) ||
           head.startsWith(QLatin1String("ALTER")) || head.startsWith(QLatin1String("DROP"));
}

}  // namespace

Query::Query(Database& db, const QString& sql)
    : db_(&db), sql_(sql), isWrite_(startsWithWrite(sql)), needsWriteLock_(takesWriteLock(sql)) {
    const void* tail = nullptr;
    const QChar* text = sql_.constData();
    const int rc = sqlite3_prepare16_v3(db.connection(), text, static_cast<int>(sql_.size() * sizeof(QChar)),
                                        SQLITE_PREPARE_PERSISTENT, &stmt_, &tail);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        fail("Unable to execute statement", rc);
    }
    const qsizetype rest = tail ? text + sql_.size() - static_cast<const QChar*>(tail) : 0;
    if (rest > 0 && !QStringView(static_cast<const QChar*>(tail), rest).trimmed().isEmpty()) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        db.fail(QSqlError(QStringLiteral("Unable to execute multiple statements at a time"), QString(),
                          QSqlError::StatementError, QString::number(SQLITE_MISUSE)),
                sql_);
    }
    db.queries_.push_back(this);
}

Query::Query(Query&& other) noexcept
    : db_(other.db_), sql_(std::move(other.sql_)), stmt_(other.stmt_), bound_(other.bound_),
      ascii_(std::move(other.ascii_)), kept_(std::move(other.kept_)), columns_(other.columns_),
      isWrite_(other.isWrite_), needsWriteLock_(other.needsWriteLock_), active_(other.active_), firstRead_(other.firstRead_),
      firstIsRow_(other.firstIsRow_), onRow_(other.onRow_), afterLast_(other.afterLast_),
      record_(std::move(other.record_)), named_(std::move(other.named_)), nextNamed_(other.nextNamed_) {
    other.stmt_ = nullptr;
    other.active_ = other.onRow_ = false;
    if (db_) std::replace(db_->queries_.begin(), db_->queries_.end(), &other, this);
    other.db_ = nullptr;
}

bool Query::reading() const { return stmt_ && sqlite3_stmt_busy(stmt_); }

Query::~Query() {
    sqlite3_finalize(stmt_);
    if (db_) std::erase(db_->queries_, this);
}

void Query::release() {
    sqlite3_finalize(stmt_);
    stmt_ = nullptr;
    db_ = nullptr;
    active_ = onRow_ = false;
}

void Query::fail(const char* what, int code) const {
    if (!db_) throw Error(ErrorKind::Other, QStringLiteral("Archivio chiuso\nIstruzione: %1").arg(sql_.simplified()));
    db_->fail(QSqlError(QString::fromLatin1(what), utf16(sqlite3_errmsg16(db_->connection())),
                        QSqlError::StatementError, QString::number(code)),
              sql_);
}

Query& Query::exec(std::initializer_list<QVariant> values) {
    begin(static_cast<int>(values.size()));
    int i = 0;
    for (const QVariant& v : values) bind(i++, v);
    run();
    return *this;
}

Query& Query::execList(const QVariantList& values) {
    begin(static_cast<int>(values.size()));
    for (int i = 0; i < values.size(); ++i) bind(i, values[i]);
    run();
    return *this;
}

// Readies the statement to run again with the first `given` values new. The
// values go straight to SQLite, which keeps each until it is bound again: a
// run binds some four million values, and copying each into the query first,
// to bind it from the copy, cost a fiftieth of the run's instructions.
void Query::begin(int given) {
    if (!stmt_) fail("No query", SQLITE_MISUSE);
    active_ = onRow_ = firstRead_ = afterLast_ = false;
    if (const int rc = sqlite3_reset(stmt_); rc != SQLITE_OK) fail("Unable to reset statement", rc);
    // Running it again ends its own earlier reading; another still open
    // would keep this write from waiting for the lock.
    if (needsWriteLock_ && db_->depth_ == 0) db_->requireNoOpenStatement(sql_);
    const int parameters = sqlite3_bind_parameter_count(stmt_);
    bound_ = std::max(bound_, given);
    if (bound_ != parameters) {
        db_->fail(QSqlError(QStringLiteral("Parameter count mismatch"), QString(), QSqlError::StatementError), sql_);
    }
    ascii_.resize(parameters);
    kept_.resize(parameters);
}

void Query::bind(int i, const QVariant& v) {
    const int at = i + 1;
    int rc = SQLITE_OK;
    if (boundAsNull(v)) {
        rc = sqlite3_bind_null(stmt_, at);
    } else {
        switch (v.typeId()) {
        case QMetaType::QByteArray: {
            // SQLite reads the bytes in place: the query keeps them.
            kept_[i] = v;
            const auto* bytes = static_cast<const QByteArray*>(kept_[i].constData());
            rc = sqlite3_bind_blob(stmt_, at, bytes->constData(), static_cast<int>(bytes->size()), SQLITE_STATIC);
            break;
        }
        case QMetaType::Int:
        case QMetaType::Bool:
            rc = sqlite3_bind_int(stmt_, at, v.toInt());
            break;
        case QMetaType::Double:
            rc = sqlite3_bind_double(stmt_, at, v.toDouble());
            break;
        case QMetaType::UInt:
        case QMetaType::LongLong:
            rc = sqlite3_bind_int64(stmt_, at, v.toLongLong());
            break;
        case QMetaType::QDateTime:
            rc = bindText(stmt_, at, v.toDateTime().toString(Qt::ISODateWithMs), SQLITE_TRANSIENT);
            break;
        case QMetaType::QTime:
            rc = bindText(stmt_, at, v.toTime().toString(QStringLiteral("hh:mm:ss.zzz")), SQLITE_TRANSIENT);
            break;
        case QMetaType::QString: {
            const auto* text = static_cast<const QString*>(v.constData());
            QByteArray& bytes = ascii_[i];
            if (asAscii(*text, bytes)) {
                rc = sqlite3_bind_text(stmt_, at, bytes.constData(), static_cast<int>(bytes.size()), SQLITE_STATIC);
            } else {
                kept_[i] = v;  // read in place by a database kept in UTF-16; the others copy it at once
                rc = bindText(stmt_, at, *static_cast<const QString*>(kept_[i].constData()), SQLITE_STATIC);
            }
            break;
        }
        default:
            rc = bindText(stmt_, at, v.toString(), SQLITE_TRANSIENT);
            break;
        }
    }
    if (rc != SQLITE_OK) fail("Unable to bind parameters", rc);
}

void Query::run() {
    // The first row is stepped to at once, as Qt SQL does: a write is done
    // here, and a read sees the data as it is now, not when next() comes.
    firstIsRow_ = step();
    firstRead_ = true;
    active_ = true;
    if (record_.isEmpty() && columns_ > 0) {
        for (int i = 0; i < columns_; ++i) {
            const void* table = sqlite3_column_table_name16(stmt_, i);
            record_.append(QSqlField(utf16(sqlite3_column_name16(stmt_, i)).remove(QLatin1Char('"')), QMetaType(),
                                     table ? utf16(table).remove(QLatin1Char('"')) : QString()));
        }
    }
    if (isWrite_ && db_->counter()) db_->counter()->count();
}

bool Query::step() {
    const int rc = sqlite3_step(stmt_);
    columns_ = sqlite3_column_count(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) {
        sqlite3_reset(stmt_);
        return false;
    }
    // A row that cannot be read (a damaged page, a value that overflows) must
    // not pass for the end of the rows: the stage would go on with half of them.
    onRow_ = false;
    afterLast_ = true;
    const QSqlError error(QStringLiteral("Unable to fetch row"), utf16(sqlite3_errmsg16(db_->connection())),
                          QSqlError::ConnectionError, QString::number(rc));
    sqlite3_reset(stmt_);
    db_->fail(error, sql_);
}

bool Query::next() {
    // Rows asked of a statement not run (or finished) would read as none.
    if (!active_) {
        throw Error(ErrorKind::Other,
                    QStringLiteral("Errore sull'archivio %1 (%2)\nIstruzione letta prima di eseguirla: %3")
                        .arg(db_ ? db_->label() : QString(), db_ ? db_->path() : QString(), sql_.simplified()));
    }
    if (columns_ == 0 || afterLast_) return false;
    const bool row = firstRead_ ? firstIsRow_ : step();
    firstRead_ = false;
    onRow_ = row;
    afterLast_ = !row;
    return row;
}

void Query::finish() {
    if (!active_) return;
    sqlite3_reset(stmt_);
    active_ = onRow_ = firstRead_ = false;
}

QVariant Query::value(int column) const {
    if (!onRow_ || column < 0 || column >= columns_) return QVariant();
    switch (sqlite3_column_type(stmt_, column)) {
    case SQLITE_INTEGER:
        return QVariant(static_cast<qlonglong>(sqlite3_column_int64(stmt_, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt_, column));
    case SQLITE_NULL:
        return QVariant(QMetaType::fromType<QString>());
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt_, column)),
                          sqlite3_column_bytes(stmt_, column));
    default: {
        // Stored as UTF-8: ASCII is taken as it is, anything else is
        // converted by SQLite, which also says what becomes of bytes that are
        // not UTF-8 (a database written by another program).
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        const int n = sqlite3_column_bytes(stmt_, column);
        if (bytes && isAscii(bytes, n)) return QString::fromLatin1(bytes, n);
        return QString(reinterpret_cast<const QChar*>(sqlite3_column_text16(stmt_, column)),
                       sqlite3_column_bytes16(stmt_, column) / static_cast<int>(sizeof(QChar)));
    }
    }
}

// The type SQLite holds in `column` of the current row; 0 without a row or such a column.
int Query::typeAt(int column) const {
    return onRow_ && column >= 0 && column < columns_ ? sqlite3_column_type(stmt_, column) : 0;
}

double Query::number(int column) const {
    switch (typeAt(column)) {
    case SQLITE_FLOAT:
        return sqlite3_column_double(stmt_, column);
    case SQLITE_INTEGER:
        return static_cast<double>(sqlite3_column_int64(stmt_, column));
    case SQLITE_NULL:
        return 0;
    default:
        return value(column).toDouble();
    }
}

qint64 Query::whole(int column) const {
    switch (typeAt(column)) {
    case SQLITE_INTEGER:
        return sqlite3_column_int64(stmt_, column);
    case SQLITE_NULL:
        return 0;
    default:
        return value(column).toLongLong();  // a real is rounded as QVariant rounds it
    }
}

std::optional<std::string_view> Query::asciiText(int column) const {
    if (typeAt(column) != SQLITE_TEXT) return std::nullopt;
    const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    const int n = sqlite3_column_bytes(stmt_, column);
    if (!bytes || !isAscii(bytes, n)) return std::nullopt;
    return std::string_view(bytes, static_cast<size_t>(n));
}

qint64 Query::lastInsertId() const { return active_ ? sqlite3_last_insert_rowid(db_->connection()) : 0; }

int Query::rowsAffected() const { return active_ ? sqlite3_changes(db_->connection()) : -1; }

int Query::column(const char* field) const {
    const size_t n = named_.size();
    for (size_t k = 0; k < n; ++k) {
        const size_t i = nextNamed_ + k < n ? nextNamed_ + k : nextNamed_ + k - n;
        if (named_[i].address == field && named_[i].field == field) {
            nextNamed_ = i + 1 < n ? i + 1 : 0;
            return named_[i].column;
        }
    }
    // Asked under a new address: a name met before takes it, so that a caller
    // building names in a buffer of its own does not grow the list row by row.
    for (Named& e : named_) {
        if (e.field == field) {
            e.address = field;
            return e.column;
        }
    }
    const int i = record_.indexOf(QString::fromUtf8(field));
    if (i < 0) {
        throw Error(ErrorKind::Schema, QStringLiteral("Campo %1 assente nel risultato di: %2")
                                           .arg(QString::fromUtf8(field), sql_));
    }
    named_.push_back({field, field, i});
    nextNamed_ = 0;
    return i;
}

}  // namespace db
