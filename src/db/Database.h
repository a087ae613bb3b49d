#pragma once
// A thin layer over SQLite (the connection opened by Qt SQL, statements run
// through SQLite's own interface): open an existing database by path (never
// create one), prepared statements with bound values only, rows read by field
// name, and RAII transactions. Every failure becomes a db::Error that names
// the database, the statement and SQLite's own words.
#include "common/Amount.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include "db/StatementTimes.h"
#include <QString>
#include <QVariant>
#include <chrono>
#include <initializer_list>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace db {

enum class ErrorKind {
    Missing,      // no file at the path
    NotDatabase,  // a file that is not an SQLite database (an Access file, say)
    Schema,       // a table or field the program uses is missing
    Locked,       // another program holds the database longer than we wait
    ReadOnly,     // the file or its folder cannot be written
    Full,         // the disk or the database's size limit is reached
    Constraint,   // the data breaks a uniqueness (or other) constraint
    Corrupt,      // SQLite finds the file damaged
    Other,
};

class Error : public std::runtime_error {
public:
    Error(ErrorKind kind, const QString& message, const QString& sqliteText = QString())
        : std::runtime_error(message.toStdString()), kind_(kind), message_(message), sqliteText_(sqliteText) {}
    ErrorKind kind() const { return kind_; }
    const QString& message() const { return message_; }
    // SQLite's own words, when the failure came from a statement.
    const QString& sqliteText() const { return sqliteText_; }

private:
    ErrorKind kind_;
    QString message_;
    QString sqliteText_;
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

// A statement prepared once on the database's connection and run as often as
// needed. It talks to SQLite directly (the connection is Qt's): Qt SQL's own
// statements redo work on every run that a statement run a million times
// cannot afford (the result's field list, a placeholder name per bound value,
// a copy of every field of every row). What goes in and comes out is what Qt
// SQL gives: the same bound types, the same values read back, Null read as a
// null text.
class Query {
public:
    Query(Database& db, const QString& sql);
    ~Query();
    Query(Query&& other) noexcept;
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;
    Query& operator=(Query&&) = delete;

    // Binds the values in order to the statement's `?` and runs it. Values
    // bound before and not given again stay bound.
    Query& exec(std::initializer_list<QVariant> values = {});
    Query& execList(const QVariantList& values);
    // The next row; false after the last, which lets go of the rows. A row
    // that cannot be read raises.
    bool next();
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

    // A field of the current row: a whole number, a real, a text (Null is a
    // null text) or bytes; an invalid QVariant when there is no current row.
    QVariant value(const char* field) const { return value(column(field)); }
    QVariant value(int column) const;
    // A text field of the current row as SQLite holds it, when it is plain
    // ASCII (what value() would give, without making a QString of it); nothing
    // for Null, a number, bytes or any other text. Valid until the next row.
    std::optional<std::string_view> asciiText(int column) const;
    bool isNull(const char* field) const { return value(field).isNull(); }
    QString text(const char* field) const { return value(field).toString(); }
    double number(const char* field) const { return number(column(field)); }
    qint64 whole(const char* field) const { return whole(column(field)); }
    // value(column).toDouble() and .toLongLong(), without a QVariant for a
    // number or Null: the readers of whole tables call them for every row.
    double number(int column) const;
    qint64 whole(int column) const;
    // An amount as the database keeps it (the shortest decimal of the REAL); 0 for Null.
    common::Amount amount(const char* field) const { return common::Amount::fromDouble(number(field)); }

    qint64 lastInsertId() const;
    int rowsAffected() const;
    const QString& sql() const { return sql_; }
    // Lets go of the rows (and of the read lock they hold).
    void finish();
    // Stepped to a row and not yet let go: it holds a read snapshot.
    bool reading() const;

private:
    friend class Database;
    void begin(int given);
    void bind(int position, const QVariant& value);
    void run();
    bool step();
    int typeAt(int column) const;
    void release();  // the database closes: the statement goes first
    [[noreturn]] void fail(const char* what, int code) const;
    // The column of a field of the result, found by name the first time the
    // statement meets that name and remembered for every later row.
    int column(const char* field) const;

    Database* db_;
    QString sql_;
    sqlite3_stmt* stmt_ = nullptr;
    int bound_ = 0;  // the `?` given a value so far
    // What SQLite reads in place while the statement runs, by position: the
    // ASCII texts as bytes, and the other texts and bytes as they were given.
    std::vector<QByteArray> ascii_;
    std::vector<QVariant> kept_;
    int columns_ = 0;
    bool isWrite_;
    bool needsWriteLock_;     // takes the write lock when run outside a transaction
    bool active_ = false;     // run, and not finished since
    bool firstRead_ = false;  // the run stepped to the first row, which next() has not handed out yet
    bool firstIsRow_ = false;
    bool onRow_ = false;      // value() reads the current row
    bool afterLast_ = false;
    QSqlRecord record_;  // the result's fields, taken at the first run
    struct Named {
        const char* address;  // of the caller's name: a literal, nearly always
        std::string field;    // its text, to tell a buffer used again for another name
        int column;
    };
    mutable std::vector<Named> named_;
    mutable size_t nextNamed_ = 0;  // fields are read in the same order on every row
};

class Database {
public:
    // Once, before any database is opened (SQLite takes its settings only
    // then). Returns false when SQLite had already started.
    static bool configureLibrary();
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
    sqlite3* connection() const { return connection_; }
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

    static int busyTimeoutMs();

private:
    friend class Transaction;
    friend class Query;
    int depth_ = 0;  // open transactions; inner ones are savepoints
    std::vector<Query*> queries_;  // live statements, finalized before the connection closes
    Database(const QString& path, const QString& label, WriteCounter* counter);
    void sizeCaches(qint64 fileBytes);
    QString path_;
    QString label_;
    QString connectionName_;
    QSqlDatabase db_;
    sqlite3* connection_ = nullptr;
    WriteCounter* counter_;
    std::unique_ptr<StatementTimes> times_;  // LIS06C_SQL_TIMES=1
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

// A long stage commits its finished units once the batch has held the
// database's write lock for `hold`: the store's other programs wait at most
// about that long to write, a crash loses at most that much work, which the
// next run redoes, and a page that many units change (an index, a table read
// in description order) goes to the disk once a batch, not once every few
// units. step() after each finished unit.
class Batch {
public:
    static constexpr std::chrono::milliseconds kHold{2000};
    explicit Batch(Database& db, std::chrono::milliseconds hold = kHold) : Batch({&db}, hold) {}
    // Databases whose units belong together commit at the same unit, in the
    // order given: the one that says a unit is done last.
    Batch(std::initializer_list<Database*> dbs, std::chrono::milliseconds hold = kHold);
    void step() {
        step([] {});
    }
    // A stage that holds writes back (to make many in one statement) makes
    // them in `beforeCommit`, so that a commit never leaves a finished unit
    // half stored.
    template <class BeforeCommit>
    void step(BeforeCommit beforeCommit) {
        if (std::chrono::steady_clock::now() - began_ < hold_) return;
        beforeCommit();
        commit();
        begin();
    }
    void commit();  // the last, partial batch

private:
    void begin();

    std::vector<Database*> dbs_;
    std::chrono::milliseconds hold_;
    std::chrono::steady_clock::time_point began_;
    std::vector<std::unique_ptr<Transaction>> txs_;
};

}  // namespace db
