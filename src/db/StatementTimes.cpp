#include "db/StatementTimes.h"

#include <QHash>
#include <algorithm>
#include <cstdio>
#include <sqlite3.h>
#include <vector>

namespace db {

namespace {

struct Sum {
    qint64 ns = 0;
    qint64 runs = 0;
};
using Sums = QHash<QByteArray, Sum>;

// SQLite calls this as each statement finishes a run (its rows stepped
// through or reset), with the time the run took.
int profiled(unsigned kind, void* context, void* stmt, void* nanoseconds) {
    if (kind != SQLITE_TRACE_PROFILE) return 0;
    Sum& sum = (*static_cast<Sums*>(context))[QByteArray(sqlite3_sql(static_cast<sqlite3_stmt*>(stmt)))];
    sum.ns += *static_cast<const sqlite3_int64*>(nanoseconds);
    ++sum.runs;
    return 0;
}

}  // namespace

struct StatementTimes::Totals {
    Sums bySql;
};

std::unique_ptr<StatementTimes> StatementTimes::fromEnvironment(sqlite3* connection, const QString& label) {
    const int asked = qEnvironmentVariableIntValue("LIS06C_SQL_TIMES");
    if ((asked != 1 && asked != 2) || !connection) return nullptr;
    return std::unique_ptr<StatementTimes>(new StatementTimes(connection, label, asked == 2 ? 0 : 15));
}

StatementTimes::StatementTimes(sqlite3* connection, const QString& label, size_t shown)
    : connection_(connection), label_(label), shown_(shown), totals_(std::make_unique<Totals>()) {
    sqlite3_trace_v2(connection_, SQLITE_TRACE_PROFILE, profiled, &totals_->bySql);
}

StatementTimes::~StatementTimes() {
    sqlite3_trace_v2(connection_, 0, nullptr, nullptr);
    std::vector<std::pair<QByteArray, Sum>> rows(totals_->bySql.keyValueBegin(), totals_->bySql.keyValueEnd());
    std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.second.ns > b.second.ns; });
    qint64 all = 0;
    qint64 runs = 0;
    for (const auto& r : rows) {
        all += r.second.ns;
        runs += r.second.runs;
    }
    std::fprintf(stderr, "archivio %s: %.3f s nelle istruzioni, %lld esecuzioni\n", qPrintable(label_), all / 1e9,
                 static_cast<long long>(runs));
    for (size_t i = 0; i < rows.size() && (shown_ == 0 || i < shown_); ++i) {
        std::fprintf(stderr, "%8.3f s %8lld volte  %s\n", rows[i].second.ns / 1e9,
                     static_cast<long long>(rows[i].second.runs), rows[i].first.simplified().left(150).constData());
    }
}

}  // namespace db
