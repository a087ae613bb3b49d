#pragma once
// Where a run's database time goes, statement by statement: with
// LIS06C_SQL_TIMES=1 each connection adds up the time SQLite reports for every
// statement it runs and, when it closes, writes the costliest ones to stderr.
// Off, it costs nothing: SQLite is not asked to time anything.
#include <QString>
#include <memory>

struct sqlite3;

namespace db {

class StatementTimes {
public:
    // Timing for `connection`, or nothing when the environment does not ask for it.
    static std::unique_ptr<StatementTimes> fromEnvironment(sqlite3* connection, const QString& label);
    ~StatementTimes();  // writes the summary
    StatementTimes(const StatementTimes&) = delete;
    StatementTimes& operator=(const StatementTimes&) = delete;

private:
    struct Totals;
    StatementTimes(sqlite3* connection, const QString& label);
    sqlite3* connection_;
    QString label_;
    std::unique_ptr<Totals> totals_;
};

}  // namespace db
