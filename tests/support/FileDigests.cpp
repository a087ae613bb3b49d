#include "FileDigests.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>

QStringList fileDigests(const QString& folder) {
    QStringList out;
    const QDir base(folder);
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        QCryptographicHash sha(QCryptographicHash::Sha256);
        const bool read = f.open(QIODevice::ReadOnly) && sha.addData(&f);
        out << base.relativeFilePath(path) + QLatin1Char(' ') +
                   (read ? QString::fromLatin1(sha.result().toHex()) : QStringLiteral("<unreadable>"));
    }
    out.sort();
    return out;
}
