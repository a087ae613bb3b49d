#include "Floors.h"

#include "common/ChainFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <sqlite3.h>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace bench {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

namespace {

// Wall and processor time of one floor, from construction to done().
class Stopwatch {
public:
    Stopwatch() : cpu_(cpuSeconds()) { wall_.start(); }
    FloorTime done() const { return {wall_.nsecsElapsed() / 1e9, cpuSeconds() - cpu_}; }

private:
    QElapsedTimer wall_;
    double cpu_;
};

// A key of the store's barcodes, met in a stride through them so that pages
// are not visited in order.
qint64 strided(qint64 i, size_t count) { return (i * 7919) % static_cast<qint64>(count); }

class Connection {
public:
    explicit Connection(const QString& path) {
        const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, SQLITE_OPEN_READWRITE, nullptr);
        if (rc != SQLITE_OK) {
            const std::string why = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
            sqlite3_close_v2(db_);
            throw std::runtime_error("cannot open " + path.toStdString() + ": " + why);
        }
    }
    ~Connection() { sqlite3_close_v2(db_); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* handle() const { return db_; }
    void check(int rc, const char* what) const {
        if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE)
            throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db_));
    }
    void exec(const std::string& sql) const { check(sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr), sql.c_str()); }

private:
    sqlite3* db_ = nullptr;
};

class Statement {
public:
    Statement(const Connection& db, const char* sql) : db_(db), sql_(sql) {
        db.check(sqlite3_prepare_v3(db.handle(), sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr), sql);
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* get() const { return stmt_; }
    // One step; true on a row. The statement is reset by the caller.
    bool step() const {
        const int rc = sqlite3_step(stmt_);
        db_.check(rc, sql_);
        return rc == SQLITE_ROW;
    }
    void reset() const { sqlite3_reset(stmt_); }

private:
    const Connection& db_;
    const char* sql_;
    sqlite3_stmt* stmt_ = nullptr;
};

// The keys, read through a connection of their own, so that the timed one
// starts with an empty page cache as the run's connections do.
std::vector<std::string> storeBarcodes(const QString& path) {
    Connection db(path);
    db.exec("CREATE TABLE IF NOT EXISTS bench_floor (a INTEGER, b TEXT, c REAL, d REAL, e TEXT, f TEXT, g INTEGER, "
            "h TEXT)");
    std::vector<std::string> keys;
    Statement all(db, "SELECT eanare FROM codean");
    while (all.step())
        keys.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(all.get(), 0)),
                          sqlite3_column_bytes(all.get(), 0));
    if (keys.empty()) keys.emplace_back("0000000000000");
    return keys;
}

}  // namespace

FloorTime floorRead(const QString& chainFile, qint64* fieldsTouched) {
    const Stopwatch clock;
    auto file = common::ChainFile::load(chainFile);
    if (!file) return {};
    using namespace rec;
    static const Field tabFields[] = {tab::table, tab::code, tab::departmentCode, tab::description, tab::tableKind,
                                      tab::parent};
    static const Field mdaFields[] = {articleCode, mda::description, mda::umart, mda::umconf, mda::pezzatura,
                                      mda::subgroup, mda::tipart, mda::vat, mda::imbart};
    static const Field mhaFields[] = {articleCode, mha::ean};
    static const Field mheFields[] = {articleCode, mhe::price, mhe::unused};
    static const Field mhnFields[] = {articleCode, mhn::cost};
    static const Field bleFields[] = {ble::lineClass, ble::lineType, ble::headerType, ble::number, ble::chainCode,
                                      ble::description, ble::umart, ble::unita2, ble::quaco, ble::imbart,
                                      ble::exclusion, ble::vat, ble::subfamily, ble::ean, ble::packages,
                                      ble::quantity, ble::cost, ble::price};
    static const Field oftFields[] = {oft::number, oft::description, oft::start, oft::end};
    static const Field ofdFields[] = {ofd::number, ofd::offerKind, ofd::chainCode, ofd::value, gval::mark,
                                      gval::value};
    qint64 touched = 0;
    double sink = 0;
    auto touch = [&](const common::ChainLine& line, const auto& fields) {
        for (const Field& f : fields) {
            if (line.numeric(f)) sink += line.value(f);
            else sink += line.text(f).size();
            ++touched;
        }
    };
    for (const common::ChainLine line : *file) {
        const QByteArrayView k = line.raw(rec::kind);
        sink += line.value(dateYmd);
        if (k == "TAB") touch(line, tabFields);
        else if (k == "MDA") touch(line, mdaFields);
        else if (k == "MHA") touch(line, mhaFields);
        else if (k == "MHE") touch(line, mheFields);
        else if (k == "MHN") touch(line, mhnFields);
        else if (k == "BLE") touch(line, bleFields);
        else if (k == "OFT") touch(line, oftFields);
        else if (k == "OFD") touch(line, ofdFields);
    }
    const FloorTime time = clock.done();
    *fieldsTouched = touched + (sink == -1 ? 1 : 0);
    return time;
}

SqliteFloor floorSqlite(const QString& freshStoreDb, qint64 lookups, qint64 writes) {
    const std::vector<std::string> keys = storeBarcodes(freshStoreDb);
    SqliteFloor out;
    // Room for the whole file and for the rows this floor adds, as the run's
    // connections are given.
    const qint64 bytes = QFileInfo(freshStoreDb).size() + QFileInfo(freshStoreDb + QStringLiteral("-wal")).size();
    const qint64 cacheKb = std::min<qint64>(256 * 1024, (2 * bytes) / 1024 + 16 * 1024);
    out.cacheMb = cacheKb / 1024.0;

    const Stopwatch clock;
    {
        const Connection db(freshStoreDb);
        db.exec("PRAGMA journal_mode = WAL");
        db.exec("PRAGMA synchronous = NORMAL");
        db.exec("PRAGMA cache_size = -" + std::to_string(cacheKb));
        const Statement find(db, "SELECT codare, desart FROM codean WHERE eanare = ?");
        const Statement write(db, "INSERT INTO bench_floor (a, b, c, d, e, f, g, h) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
        db.exec("BEGIN IMMEDIATE");
        qint64 sink = 0;
        for (qint64 i = 0; i < lookups; ++i) {
            const std::string& key = keys[strided(i, keys.size())];
            sqlite3_bind_text(find.get(), 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
            if (find.step()) {
                ++out.found;
                // The row's values are read, as a stage reads them.
                sink += sqlite3_column_int64(find.get(), 0);
                sqlite3_column_text(find.get(), 1);
                sink += sqlite3_column_bytes(find.get(), 1);
            }
            find.reset();
        }
        static const char text[] = "PASTA DI SEMOLA BONTÀ 500G";
        for (qint64 i = 0; i < writes; ++i) {
            sqlite3_stmt* w = write.get();
            sqlite3_bind_int64(w, 1, i);
            sqlite3_bind_text(w, 2, text, -1, SQLITE_STATIC);
            sqlite3_bind_double(w, 3, 1.5);
            sqlite3_bind_double(w, 4, 2.25);
            sqlite3_bind_text(w, 5, "22", 2, SQLITE_STATIC);
            sqlite3_bind_text(w, 6, "PZ", 2, SQLITE_STATIC);
            sqlite3_bind_int64(w, 7, sink);
            sqlite3_bind_text(w, 8, text, -1, SQLITE_STATIC);
            write.step();
            write.reset();
        }
        db.exec("COMMIT");
    }  // closing checkpoints the log into the file, as the run's closing does
    out.time = clock.done();
    return out;
}

void copyDatabase(const QString& from, const QString& to) {
    for (const QString& suffix : {QString(), QStringLiteral("-wal")}) {
        QFile::remove(to + suffix);
        if (!QFile::exists(from + suffix)) continue;
        if (!QFile::copy(from + suffix, to + suffix))
            throw std::runtime_error("cannot copy " + from.toStdString() + suffix.toStdString());
    }
}

}  // namespace bench
