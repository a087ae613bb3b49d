#include "safekeep/TrialRoot.h"

#include "db/Database.h"
#include "safekeep/Backup.h"
#include "safekeep/Snapshot.h"

#include <QDir>
#include <QFileInfo>

namespace safekeep {

TrialRoot::TrialRoot(const Paths& real) : real_(real), dir_(QDir::tempPath() + QStringLiteral("/lis06c-prova-XXXXXX")) {
    if (!dir_.isValid())
        throw db::Error(db::ErrorKind::Other,
                        QStringLiteral("Impossibile creare la cartella di prova: %1").arg(dir_.errorString()));
    trial_.root = dir_.path();
    if (!QFileInfo(real.root).isDir()) {
        // Nothing to copy: the run says the root is missing, naming the real one.
        trial_.root = real.root;
        return;
    }
    QDir().mkpath(trial_.chainFolder());
    QDir().mkpath(QFileInfo(trial_.storeDb()).path());
    const std::pair<QString, QString> databases[] = {{real.storeDb(), trial_.storeDb()},
                                                     {real.chainDb(), trial_.chainDb()}};
    for (const auto& [from, to] : databases)
        if (QFileInfo(from).isFile()) snapshot(from, to, QDir::toNativeSeparators(from));
    takeChainFile();
}

bool TrialRoot::takeChainFile() {
    if (trial_.root == real_.root) return QFileInfo(real_.chainFile()).isFile();
    if (QFileInfo(trial_.chainFile()).isFile()) return true;
    if (!QFileInfo(real_.chainFile()).isFile()) return false;
    copyWhole(real_.chainFile(), trial_.chainFile());
    return true;
}

}  // namespace safekeep
