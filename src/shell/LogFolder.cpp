#include "shell/LogFolder.h"

#include <QDir>

std::unique_ptr<QFile> openRunLog(const QString& folder, const QDateTime& start, int kept, QString* error) {
    QDir dir(folder);
    if (!dir.exists() && !QDir().mkpath(folder)) {
        *error = QStringLiteral("impossibile creare la cartella dei registri %1").arg(QDir::toNativeSeparators(folder));
        return nullptr;
    }
    const QString stem = QStringLiteral("lis06c-") + start.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = stem + QStringLiteral(".log");
    for (int n = 2; dir.exists(name); ++n) name = QStringLiteral("%1-%2.log").arg(stem).arg(n);
    auto file = std::make_unique<QFile>(dir.filePath(name));
    if (!file->open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Text)) {
        *error = QStringLiteral("impossibile scrivere il registro %1: %2")
                     .arg(QDir::toNativeSeparators(file->fileName()), file->errorString());
        return nullptr;
    }
    // Newest first: the file just made, then the runs before it.
    const QStringList logs = dir.entryList({QStringLiteral("lis06c-*.log")}, QDir::Files, QDir::Time);
    for (qsizetype i = std::max(kept, 1); i < logs.size(); ++i) dir.remove(logs[i]);
    return file;
}

QString defaultLogFolder(const QString& root) { return root + QStringLiteral("/nelv/log"); }
