#pragma once
// A consistent copy of an SQLite database while other programs may be writing
// it: the copy holds one committed state of the database, never half of a
// write. SQLite's online backup copies every page inside one read transaction;
// `VACUUM INTO` rebuilds the database into the new file, also inside one read
// transaction, and is kept for comparison (the benchmark times both).
#include <QString>

class QSqlDatabase;
struct sqlite3;

namespace safekeep {

enum class SnapshotMethod { OnlineBackup, VacuumInto };

// The SQLite connection under a Qt connection; throws db::Error when the
// driver is not SQLite's.
sqlite3* connectionOf(const QSqlDatabase& db);

// Copies the database open on `source` into `target`, a new file (an existing
// one is replaced). Waits for another program's lock up to the busy timeout.
// Throws db::Error naming `label` and both files.
void snapshot(sqlite3* source, const QString& target, const QString& label,
              SnapshotMethod method = SnapshotMethod::OnlineBackup);

// The same from the database at `sourcePath`, opened for the copy alone: no
// write is made to it, and SQLite's companion files (-wal, -shm) are left as
// they were found, so a database is left byte for byte as it was.
void snapshot(const QString& sourcePath, const QString& target, const QString& label,
              SnapshotMethod method = SnapshotMethod::OnlineBackup);

// A connection to an existing database file opened for a copy or a check;
// closed when it goes out of scope.
class RawConnection {
public:
    RawConnection(const QString& path, const QString& label);
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;
    sqlite3* handle() const { return db_; }

private:
    sqlite3* db_ = nullptr;
};

}  // namespace safekeep
