#include "shell/UndoCommand.h"

#include "run/RunCore.h"
#include "run/RunHistory.h"
#include "run/Startup.h"
#include "safekeep/Backup.h"
#include "safekeep/Restore.h"
#include "safekeep/Snapshot.h"

#include <QDir>

int undoLastRun(const Paths& paths, bool force, const QDateTime& when,
                const std::function<void(const QString&)>& say) {
    try {
        Databases dbs = openDatabases(paths);
        const safekeep::Backups backups(paths);
        const std::optional<safekeep::BackupInfo> last = backups.lastNotUndone();
        if (!last) {
            say(QStringLiteral("Nessuna corsa da annullare: in %1 non c'è la copia di sicurezza di una corsa non "
                               "ancora annullata.")
                    .arg(QDir::toNativeSeparators(backups.folder())));
            return ExitOtherError;
        }
        sqlite3* store = safekeep::connectionOf(dbs.store->handle());
        sqlite3* chain = safekeep::connectionOf(dbs.chain->handle());
        // The run history stays as it is: it records the undo too.
        const QStringList kept = RunHistory::tables();
        const safekeep::UndoCheck check = safekeep::checkUndo(*last, store, chain, kept);
        if (!check.safe()) {
            say(check.refusal().section(QLatin1Char('\n'), 0, -2));
            if (!force) {
                say(check.refusal().section(QLatin1Char('\n'), -1));
                return ExitOtherError;
            }
            say(QStringLiteral("--force: annullo comunque, e queste modifiche vanno perse."));
        }
        const safekeep::PutBack done = safekeep::putBack(*last, paths, store, chain, kept, when);
        backups.markUndone(last->run, when);
        RunHistory(*dbs.store).markUndone(last->run, when);
        say(QStringLiteral("Corsa %1 annullata: archivi e file della catena sono tornati com'erano prima della "
                           "corsa (copia di sicurezza %2).")
                .arg(last->run)
                .arg(QDir::toNativeSeparators(last->folder)));
        if (!done.newerChainFile.isEmpty())
            say(QStringLiteral("Il file della catena arrivato dopo la corsa è stato messo da parte in %1.")
                    .arg(QDir::toNativeSeparators(done.newerChainFile)));
        return ExitFinished;
    } catch (const db::Error& e) {
        say(e.message());
        return exitStatusFor(e);
    }
}
