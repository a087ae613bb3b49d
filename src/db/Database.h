#pragma once
// A thin layer over SQLite through Qt SQL: open an existing database by path
// (never create one), prepared statements with bound values only, rows read by
// field name, and RAII transactions. Every failure becomes a db::Error that
// names the database, the statement and SQLite's own words.
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <initializer_list>
#include <memory>
#include <optional>
#include <stdexcept>
#include <type_traits>
#include <utility>

namespace db {

enum class ErrorKind {
    Missing,      // no file at the path
    NotDatabase,  // a file that is not an SQLite database (an Access file, say)
    Schema,       // a table or field the program uses is missing
    Locked,       // another program holds the database longer than we wait
    ReadOnly,     // the file or its folder cannot be written
    Full,         // the disk or the database's size limit is reached
    Corrupt,      // SQLite finds the file damaged
    Other,
};

class Error : public std::runtime_error {
public:
    Error(ErrorKind kind, const QString& message)
        : std::runtime_error(message.toStdString()), kind_(kind), message_(message) {}
    ErrorKind kind() const { return kind_; }
    const QString& message() const { return message_; }

private:
    ErrorKind kind_;
    QString message_;
};

// Counts the writes of a run; a test can have the process killed right after
// the N-th one (LIS06C_KILL_AFTER_WRITES) to prove that no unit is left half-written.
class WriteCounter {
public:
    explicit WriteCounter(qint64 killAfter = 0) : killAfter_(killAfter) {}
    static WriteCounter fromEnvironment();
    void count();
    qint64 writes() const { return writes_; }

private:
    qint64 killAfter_;
    qint64 writes_ = 0;
};

class Database;

// A prepared statement. One whose rows are being read holds a read snapshot
// of its database until it is read to the end or finished; the database
// refuses to begin a write while one is open (see Database::requireNoOpenStatement).
class Query {
public:
    Query(Database& db, const QString& sql);
    ~Query();
    Query(Query&& other) noexcept;
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;
    Query& operator=(Query&&) = delete;

    // Binds the values in order to the statement's `?` and runs it.
    Query& exec(std::initializer_list<QVariant> values = {});
    Query& execList(const QVariantList& values);
    bool next();  // false at the end, which closes the statement
    // The first row, if any: exec + next in one call.
    bool first(std::initializer_list<QVariant> values = {}) { return exec(values).next(); }
    // The first row made into a value by `read(query)`, or nothing. The
    // statement is finished either way, so it holds no read lock afterwards.
    template <class Read>
    auto firstRow(std::initializer_list<QVariant> values, Read read) {
        std::optional<std::invoke_result_t<Read, const Query&>> row;
        if (first(values)) row = read(std::as_const(*this));
        finish();
        return row;
    }

    QVariant value(const char* field) const;
    QVariant value(int column) const { return q_.value(column); }
    bool isNull(const char* field) const { return value(field).isNull(); }
    QString text(const char* field) const { return value(field).toString(); }
    double number(const char* field) const { return value(field).toDouble(); }
    qint64 whole(const char* field) const { return value(field).toLongLong(); }

    qint64 lastInsertId() const { return q_.lastInsertId().toLongLong(); }
    int rowsAffected() const { return q_.numRowsAffected(); }
    const QString& sql() const { return sql_; }
    void finish();

private:
    void beforeExec();
    void afterExec();
    void close();

    Database* db_;
    QString sql_;
    QSqlQuery q_;
    QSqlRecord record_;
    bool isWrite_;
    bool needsWriteLock_;  // takes the write lock when run outside a transaction
    bool open_ = false;    // rows are being read
};

class Database {
public:
    // Opens an existing SQLite database in WAL mode with a busy timeout.
    // `label` names it in messages ("store", "chain").
    static std::unique_ptr<Database> open(const QString& path, const QString& label,
                                          WriteCounter* counter = nullptr);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    Query prepare(const QString& sql) { return Query(*this, sql); }
    // One statement run once (schema work, deletions).
    void exec(const QString& sql, std::initializer_list<QVariant> values = {});

    bool hasTable(const QString& table);
    QStringList columns(const QString& table);  // lower-case names

    const QString& path() const { return path_; }
    const QString& label() const { return label_; }
    QSqlDatabase& handle() { return db_; }
    WriteCounter* counter() const { return counter_; }

    // Turns a failed statement into an Error that names it.
    [[noreturn]] void fail(const QSqlError& error, const QString& sql) const;

    // SQLite waits for another program's write lock only on a connection that
    // holds no read snapshot: a statement still being read when a write
    // begins would make the write fail at once instead of waiting. Every
    // statement is finished before a transaction or a lone write starts; one
    // left open is a fault of the program, reported here before anything is
    // written.
    void requireNoOpenStatement(const QString& before) const;
    int openStatements() const { return int(reading_.size()); }

    static int busyTimeoutMs();

private:
    friend class Transaction;
    friend class Query;
    int depth_ = 0;  // open transactions; inner ones are savepoints
    QHash<const Query*, QString> reading_;  // statements being read, with their text
    Database(const QString& path, const QString& label, WriteCounter* counter);
    QString path_;
    QString label_;
    QString connection_;
    QSqlDatabase db_;
    WriteCounter* counter_;
};

// Begins at once with the write lock (so a lock held by another program is
// waited for here, before anything is written); rolls back unless committed.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    void commit();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

private:
    Database& db_;
    int level_;
    bool open_ = true;
};

// A long stage commits every `every` units, so a crash loses at most one batch,
// which the next run redoes; step() after each finished unit.
class Batch {
public:
    Batch(Database& db, int every);
    void step();
    void commit();  // the last, partial batch

private:
    Database& db_;
    int every_;
    int done_ = 0;
    std::unique_ptr<Transaction> tx_;
};

}  // namespace db
