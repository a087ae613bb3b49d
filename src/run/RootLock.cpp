#include "run/RootLock.h"

#include "db/Database.h"
#include "run/RunConfig.h"

#include <QDir>
#include <QFile>
#include <QThread>

RootLock::RootLock(const Paths& paths)
    : root_(paths.root), path_(paths.root + QStringLiteral("/lis06c.lock")), lock_(path_) {
    // A run may last as long as the file is large: age alone never makes the
    // lock stale, only the death of the process that holds it.
    lock_.setStaleLockTime(0);
}

bool RootLock::acquire() {
    if (lock_.isLocked()) return true;
    // A missing root is reported by the opening of the databases, in its own words.
    if (!QDir(root_).exists()) return true;
    if (lock_.tryLock(0)) return true;
    if (lock_.error() == QLockFile::LockFailedError) {
        // A run killed between creating the lock file and writing its process
        // into it leaves a file that names no process, which age alone never
        // makes stale. A live run writes its process at once: a file still
        // unreadable a moment later was left by a dead one.
        qint64 pid = 0;
        QString host, program;
        if (lock_.getLockInfo(&pid, &host, &program)) return false;
        QThread::msleep(1000);
        if (lock_.getLockInfo(&pid, &host, &program)) return lock_.tryLock(0);
        QFile::remove(path_);
        return lock_.tryLock(0);
    }
    throw db::Error(db::ErrorKind::ReadOnly,
                    QStringLiteral("Impossibile creare il file di blocco %1: servono i permessi di scrittura "
                                   "sulla cartella %2")
                        .arg(QDir::toNativeSeparators(path_), QDir::toNativeSeparators(root_)));
}

void RootLock::release() {
    if (lock_.isLocked()) lock_.unlock();
}

QString RootLock::heldBy() const {
    qint64 pid = 0;
    QString host, program;
    QString who;
    if (lock_.getLockInfo(&pid, &host, &program))
        who = QStringLiteral(" (processo %1 %2 sul computer %3)").arg(pid).arg(program, host);
    return QStringLiteral("Un'altra elaborazione è già in corso sulla cartella %1%2: questa si ferma senza "
                          "modificare nulla. Riprovare quando l'altra è terminata; se nessuna è in corso, "
                          "verificare il file %3.")
        .arg(QDir::toNativeSeparators(root_), who, QDir::toNativeSeparators(path_));
}
