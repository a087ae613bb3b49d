#include "mdbimport/ImportMdb.h"

#include "db/Database.h"
#include "db/Schema.h"
#include "mdbimport/AccessFile.h"
#include "mdbimport/TableCopy.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>
#include <memory>
#include <optional>

using mdbimport::ImportError;

namespace {

struct Target {
    QString path;
    db::Which which;
    QString label;
};

std::optional<Target> targetFor(const QString& root, const QString& into) {
    if (into == QLatin1String("store"))
        return Target{root + QStringLiteral("/quarn/dati.mdb"), db::Which::Store, QStringLiteral("Quarn (negozio)")};
    if (into == QLatin1String("chain"))
        return Target{root + QStringLiteral("/nelv/dati.mdb"), db::Which::Chain, QStringLiteral("Nelv (catena)")};
    return std::nullopt;
}

// What SQLite may keep beside a database: its journal and the shared memory of WAL mode.
const char* const kCompanions[] = {"-wal", "-shm", "-journal"};

// Moves a database and whatever SQLite keeps beside it; false when the database itself does not move.
bool moveDatabase(const QString& from, const QString& to) {
    if (!QFile::rename(from, to)) return false;
    for (const char* suffix : kCompanions)
        if (QFileInfo::exists(from + QLatin1String(suffix))) QFile::rename(from + QLatin1String(suffix), to + QLatin1String(suffix));
    return true;
}

// The new database, written beside the target under a name of its own and
// removed, journal and all, unless it is moved into place: a failed import
// leaves nothing half-written where lis06c looks.
class TemporaryDatabase {
public:
    explicit TemporaryDatabase(const QString& target)
        : path_(QStringLiteral("%1.importazione-%2").arg(target, QUuid::createUuid().toString(QUuid::Id128).left(8))) {
        const QString connection = QStringLiteral("lis06c-import-%1").arg(QUuid::createUuid().toString());
        bool created = false;
        {
            QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            d.setDatabaseName(path_);
            created = d.open() && QSqlQuery(d).exec(QStringLiteral("PRAGMA user_version = 1"));
            d.close();
        }
        QSqlDatabase::removeDatabase(connection);
        if (!created) {
            remove();
            throw ImportError(QStringLiteral("Impossibile creare l'archivio %1").arg(path_));
        }
    }
    ~TemporaryDatabase() {
        if (!moved_) remove();
    }
    const QString& path() const { return path_; }
    void moveTo(const QString& target) {
        if (!moveDatabase(path_, target))
            throw ImportError(QStringLiteral("Impossibile mettere l'archivio importato al suo posto: %1").arg(target));
        moved_ = true;
    }

private:
    void remove() {
        QFile::remove(path_);
        for (const char* suffix : kCompanions) QFile::remove(path_ + QLatin1String(suffix));
    }
    QString path_;
    bool moved_ = false;
};

// The existing database goes to dati.mdb.bak-<date>-<time>; returns where.
QString moveAside(const QString& target) {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = QStringLiteral("%1.bak-%2").arg(target, stamp);
    for (int n = 2; QFileInfo::exists(aside); ++n) aside = QStringLiteral("%1.bak-%2-%3").arg(target, stamp).arg(n);
    if (!moveDatabase(target, aside))
        throw ImportError(QStringLiteral("Impossibile spostare da parte l'archivio esistente %1").arg(target));
    return aside;
}

// As `--init` does: the tables, fields and indexes lis06c uses and the Access
// file lacks. Copied tables only gain fields; no copied row changes.
QStringList addWhatLis06cNeeds(db::Database& database, db::Which which) {
    int tables = 0;
    QStringList fields;
    for (const db::Table& t : db::tables(which)) {
        const QString table = QString::fromUtf8(t.name);
        if (!database.hasTable(table)) {
            ++tables;
            continue;
        }
        const QStringList have = database.columns(table);
        for (const db::Column& c : t.columns)
            if (!have.contains(QString::fromUtf8(c.name).toLower())) fields << table + QLatin1Char('.') + QString::fromUtf8(c.name);
    }
    const QStringList notes = db::createMissing(database, which);
    QStringList out{QStringLiteral("Aggiunte le tabelle che lis06c usa e il file non aveva: %1").arg(tables)};
    if (!fields.isEmpty())
        out << QStringLiteral("Aggiunti i campi che lis06c usa alle tabelle copiate: %1").arg(fields.join(QStringLiteral(", ")));
    return out << notes;
}

// Copies every table inside one transaction; returns the number of rows.
qint64 copyAll(mdbimport::AccessFile& access, db::Database& database, const Target& target,
               const std::function<void(const QString&)>& say) {
    qint64 rows = 0;
    db::Transaction tx(database);
    for (const QString& name : access.tables()) {
        const mdbimport::TableCount n = copyTable(*access.openTable(name), database);
        say(QStringLiteral("Tabella %1: %2 righe lette, %3 scritte").arg(name).arg(n.read).arg(n.written));
        if (n.read != n.written)
            throw ImportError(QStringLiteral("Tabella %1: lette %2 righe ma scritte %3").arg(name).arg(n.read).arg(n.written));
        if (n.declared != n.read)
            throw ImportError(QStringLiteral("Tabella %1: il file Access dichiara %2 righe ma se ne leggono %3. "
                                             "Il file può essere danneggiato: ripararlo con Access (Compatta e "
                                             "ripristina database) e ripetere l'importazione")
                                  .arg(name).arg(n.declared).arg(n.read));
        rows += n.written;
    }
    for (const QString& name : access.linkedTables())
        say(QStringLiteral("Tabella collegata %1 non copiata: le sue righe stanno in un altro file").arg(name));
    for (const QString& line : addWhatLis06cNeeds(database, target.which)) say(line);
    tx.commit();
    return rows;
}

}  // namespace

int importMdbCommand(const QString& root, const QString& file, const QString& into, bool replace,
                     const std::function<void(const QString&)>& say) {
    const std::optional<Target> target = targetFor(root, into);
    if (!target) {
        say(QStringLiteral("--into vuole store (quarn/dati.mdb) oppure chain (nelv/dati.mdb), non \"%1\"").arg(into));
        return 1;
    }
    if (QFileInfo::exists(target->path) && !replace) {
        say(QStringLiteral("L'archivio %1 esiste già e non viene sovrascritto. Per sostituirlo ripetere il comando "
                           "con --replace: l'archivio attuale verrà spostato da parte.")
                .arg(target->path));
        return 1;
    }
    try {
        std::unique_ptr<TemporaryDatabase> temp;
        qint64 rows = 0;
        qsizetype tables = 0;
        {
            mdbimport::AccessFile access(file);
            say(QStringLiteral("Importazione di %1 (%2) in %3").arg(file, access.format(), target->path));
            const QString folder = QFileInfo(target->path).absolutePath();
            if (!QDir().mkpath(folder))
                throw ImportError(QStringLiteral("Impossibile creare la cartella %1").arg(folder));
            temp = std::make_unique<TemporaryDatabase>(target->path);
            const std::unique_ptr<db::Database> database = db::Database::open(temp->path(), target->label);
            rows = copyAll(access, *database, *target, say);
            tables = access.tables().size();
        }  // both files closed: the Access file may be the very one that moves aside
        const QString aside = QFileInfo::exists(target->path) ? moveAside(target->path) : QString();
        try {
            temp->moveTo(target->path);
        } catch (const ImportError&) {
            if (!aside.isEmpty()) moveDatabase(aside, target->path);  // the store keeps the database it had
            throw;
        }
        if (!aside.isEmpty()) say(QStringLiteral("L'archivio che c'era è stato spostato in %1").arg(aside));
        say(QStringLiteral("Archivio %1 creato: %2 tabelle, %3 righe copiate")
                .arg(target->path)
                .arg(tables)
                .arg(rows));
        return 0;
    } catch (const ImportError& e) {
        say(e.message());
    } catch (const db::Error& e) {
        say(e.message());
    }
    say(QStringLiteral("Importazione non eseguita: %1 non è stato scritto.").arg(target->path));
    return 1;
}
