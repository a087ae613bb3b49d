#pragma once
// A drive root in a temporary folder: nelv and quarn with both databases built
// from the schema, the store's configuration rows, and a Run over them with a
// recording view and a fixed clock (8 December 2026, 10:30).
#include "RecordingView.h"
#include "db/Database.h"
#include "db/ProcessingLog.h"
#include "run/Run.h"
#include "run/Startup.h"

#include <QTemporaryDir>
#include <memory>

class TestRoot {
public:
    // `codforAffil` goes into utenti row 1; 0 leaves the table empty.
    explicit TestRoot(qint32 codforAffil = 4321, const QString& supplierName = QStringLiteral("NELV DISTRIBUZIONE SPA"));
    ~TestRoot();

    Paths paths() const { return paths_; }
    QString root() const { return dir_.path(); }

    // Writes nelv/acq_var.txt from builder lines (CR LF) or raw bytes.
    void writeChainFile(const QList<QByteArray>& lines);
    void writeChainBytes(const QByteArray& bytes);

    db::Database& store();
    db::Database& chain();

    // A run over the two databases, configured as Form_Load reads the store
    // but without emptying anything; a fresh one each call. Its configuration
    // is config(), which a test may change before it calls a stage.
    Run& run();
    RunConfig& config() { return config_; }
    RecordingView view;
    FixedClock clock{QDate(2026, 12, 8), QTime(10, 30, 0)};

    // Shorthands for fixtures and checks.
    void exec(db::Database& database, const QString& sql, std::initializer_list<QVariant> values = {});
    QVariant scalar(db::Database& database, const QString& sql, std::initializer_list<QVariant> values = {});
    qint64 count(db::Database& database, const QString& table, const QString& where = QString());

    // Closes the connections (before running the program on the root).
    void close();

private:
    QTemporaryDir dir_;
    Paths paths_;
    std::unique_ptr<db::Database> store_;
    std::unique_ptr<db::Database> chain_;
    RunConfig config_;
    RunSummary summary_;
    std::unique_ptr<db::ProcessingLog> log_;
    std::unique_ptr<Run> run_;
};
