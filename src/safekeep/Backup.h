#pragma once
// The backup a run takes before it writes anything: both databases, copied
// consistently from the run's own connections, and the chain's file, in
// <root>/backup/<run number>/ laid out like a root (quarn/dati.mdb,
// nelv/dati.mdb, nelv/acq_var.txt) with a description, backup.json. A backup
// is written in a hidden folder and renamed to its run number once whole, so
// a crash half-way never leaves a folder that looks complete. When the run
// ends, end.json records what the databases held then, which the undo compares
// with what they hold when it is asked for.
#include "run/RunConfig.h"
#include "safekeep/Fingerprint.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

struct sqlite3;

namespace safekeep {

// What backup.json and end.json say about one backup.
struct BackupInfo {
    int run = 0;
    QString folder;
    QDateTime taken;
    bool hasChainFile = false;  // the chain's file was there when the backup was taken
    qint64 chainFileSize = 0;
    QByteArray chainFileSha256;  // hex
    std::optional<Fingerprint> storeAtEnd;  // both missing when the run did not reach its end
    std::optional<Fingerprint> chainAtEnd;
    bool undone = false;  // the undo has put it back already

    // The copies, laid out like a root.
    Paths copies() const { return Paths{folder}; }
};

// A backup being written; removed unless committed.
class PendingBackup {
public:
    PendingBackup(PendingBackup&& other) noexcept;
    PendingBackup& operator=(PendingBackup&&) = delete;
    ~PendingBackup();

    const QString& folder() const { return folder_; }
    // Makes the backup the one of run `run` (an earlier backup under that
    // number is replaced), then keeps only the newest `keep` backups. Returns
    // its folder.
    QString commit(int run, int keep);

private:
    friend class Backups;
    PendingBackup(QString backups, QString folder) : backups_(std::move(backups)), folder_(std::move(folder)) {}
    QString backups_;
    QString folder_;
};

// The backups of one root.
class Backups {
public:
    static constexpr int kKeep = 10;

    explicit Backups(const Paths& root);
    QString folder() const { return folder_; }

    // Copies the databases open on `store` and `chain` and the chain's file
    // (when there is one) into a new hidden folder, and describes them.
    // Leftovers of backups that never finished are removed first. Throws
    // db::Error when a copy fails; nothing is left behind then.
    PendingBackup begin(sqlite3* store, sqlite3* chain, const QDateTime& taken) const;

    // The whole backups, by run number, oldest first.
    QList<int> runs() const;
    // What a whole backup says; nullopt when there is none for `run`.
    std::optional<BackupInfo> read(int run) const;
    // The newest backup not yet undone.
    std::optional<BackupInfo> lastNotUndone() const;

    // Records what the databases hold at the run's end.
    void recordEnd(int run, const Fingerprint& store, const Fingerprint& chain) const;
    // Marks the backup as put back by the undo.
    void markUndone(int run, const QDateTime& when) const;

    // Keeps the newest `keep` backups (at least 1), removing older ones.
    void prune(int keep) const;

    static constexpr const char* kDescription = "backup.json";
    static constexpr const char* kEnd = "end.json";
    static constexpr const char* kUndone = "undone.json";

private:
    Paths root_;
    QString folder_;
};

// Writes `bytes` to `path` whole or not at all (a crash leaves the old file or none).
void writeWhole(const QString& path, const QByteArray& bytes);

// Copies a file whole or not at all; returns the copy's SHA-256 (hex).
QByteArray copyWhole(const QString& from, const QString& to);

}  // namespace safekeep
