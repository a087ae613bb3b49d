#include "SafekeepTimes.h"

#include "db/Database.h"
#include "safekeep/Backup.h"
#include "safekeep/Fingerprint.h"
#include "safekeep/Snapshot.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>

namespace {

// The best of three, in seconds: the least the machine needs, not its noise.
double bestOf3(const std::function<void()>& body) {
    double best = 1e9;
    for (int i = 0; i < 3; ++i) {
        QElapsedTimer t;
        t.start();
        body();
        best = std::min(best, t.nsecsElapsed() / 1e9);
    }
    return best;
}

}  // namespace

bool reportSafekeeping(const Paths& root, std::FILE* out) {
    using namespace safekeep;
    try {
        QTemporaryDir scratch;
        auto store = db::Database::open(root.storeDb(), QStringLiteral("Quarn (negozio)"));
        auto chain = db::Database::open(root.chainDb(), QStringLiteral("Nelv (catena)"));
        sqlite3* s = connectionOf(store->handle());
        sqlite3* c = connectionOf(chain->handle());
        const double mb = QFileInfo(root.storeDb()).size() / 1e6;
        const QString copy = scratch.filePath(QStringLiteral("copia.mdb"));
        std::fprintf(out, "store database: %.1f MB\n", mb);
        std::fprintf(out, "  snapshot by online backup: %.3f s\n",
                     bestOf3([&] { snapshot(s, copy, QStringLiteral("negozio"), SnapshotMethod::OnlineBackup); }));
        std::fprintf(out, "  snapshot by VACUUM INTO:   %.3f s\n",
                     bestOf3([&] { snapshot(s, copy, QStringLiteral("negozio"), SnapshotMethod::VacuumInto); }));
        std::fprintf(out, "  checksums of both databases: %.3f s\n", bestOf3([&] {
                         fingerprint(s, QStringLiteral("negozio"));
                         fingerprint(c, QStringLiteral("catena"));
                     }));
        const Paths scratchRoot{scratch.path()};
        QDir().mkpath(scratchRoot.chainFolder());
        copyWhole(root.chainFile(), scratchRoot.chainFile());
        int run = 0;
        std::fprintf(out, "  backup before a run (both databases and the chain's file): %.3f s\n", bestOf3([&] {
                         Backups(scratchRoot).begin(s, c, QDateTime::currentDateTime()).commit(++run, Backups::kKeep);
                     }));
        return true;
    } catch (const db::Error& e) {
        std::fprintf(out, "safekeeping failed: %s\n", qPrintable(e.message()));
        return false;
    }
}
