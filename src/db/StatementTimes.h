#pragma once
// Where a run's database time goes, statement by statement: with
// LIS06C_SQL_TIMES=1 each connection adds up the time SQLite reports for every
// statement it runs and, when it closes, writes the costliest ones to stderr
// (with LIS06C_SQL_TIMES=2, every one). A read's time runs from its first row
// to its last, and so includes what the stage did between its rows.
// Off, it costs nothing: SQLite is not asked to time anything.
#include <QString>
#include <cstddef>
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
    StatementTimes(sqlite3* connection, const QString& label, size_t shown);
    sqlite3* connection_;
    QString label_;
    size_t shown_;  // the costliest statements written; 0 for all
    std::unique_ptr<Totals> totals_;
};

}  // namespace db
