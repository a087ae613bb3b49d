#pragma once
// Statements on a bare SQLite connection, for the copies, checksums and
// restores that work below the run's own database layer. Every failure is a
// db::Error naming the database, the statement and SQLite's own words.
#include "db/Database.h"

#include <QString>
#include <QStringList>

struct sqlite3;
struct sqlite3_stmt;

namespace safekeep::sqlite {

// The kind of error an SQLite result code stands for.
db::ErrorKind kindOf(int rc);

db::Error error(const QString& label, const QString& sql, sqlite3* connection);

// A quoted SQL name: "listi01".
QString quoted(const QString& name);

class Statement {
public:
    // `values` are bound in order to the statement's parameters.
    Statement(sqlite3* connection, const QString& sql, const QString& label, const QStringList& values = {});
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // The next row; false at the end.
    bool next();
    // Runs the statement to its end.
    void run();
    qint64 whole(int column) const;
    QString text(int column) const;

private:
    [[noreturn]] void fail() const;
    sqlite3* connection_;
    QString label_;
    QString sql_;
    sqlite3_stmt* stmt_ = nullptr;
};

// One statement run once.
void exec(sqlite3* connection, const QString& sql, const QString& label, const QStringList& values = {});

// The first column of every row.
QStringList column(sqlite3* connection, const QString& sql, const QString& label, const QStringList& values = {});

}  // namespace safekeep::sqlite
