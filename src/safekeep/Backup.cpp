#include "safekeep/Backup.h"

#include "common/Sha256.h"
#include "db/Database.h"
#include "safekeep/Snapshot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QUuid>
#include <algorithm>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace safekeep {

namespace {

// Backups being written, and old ones being removed, live under names that
// start with this: never taken for a whole backup.
const QString kPartial = QStringLiteral(".incompleto-");

QString native(const QString& path) { return QDir::toNativeSeparators(path); }

db::Error fileError(const QString& what, const QString& path, const QString& why) {
    return db::Error(db::ErrorKind::Other, QStringLiteral("%1 %2: %3").arg(what, native(path), why));
}

// A rename is only lasting once the folder that holds it is written out.
void syncFolder(const QString& folder) {
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
#else
    Q_UNUSED(folder);
#endif
}

// Moves `folder` out of sight under a partial name, then removes it: a crash
// half-way leaves a partial folder, never a numbered one with files missing.
void removeFolder(const QString& backups, const QString& folder) {
    const QString gone = backups + QLatin1Char('/') + kPartial + QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (!QDir().rename(folder, gone))
        throw fileError(QStringLiteral("Impossibile rimuovere la copia di sicurezza"), folder,
                        QStringLiteral("la cartella non si lascia spostare"));
    syncFolder(backups);
    QDir(gone).removeRecursively();
}

QJsonObject readJson(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

bool isRunNumber(const QString& name) {
    return !name.isEmpty() && name.size() <= 9 && std::all_of(name.begin(), name.end(), [](QChar c) { return c.isDigit(); });
}

}  // namespace

void writeWhole(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw fileError(QStringLiteral("Impossibile scrivere il file"), path, file.errorString());
}

QByteArray copyWhole(const QString& from, const QString& to) {
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly)) throw fileError(QStringLiteral("Impossibile leggere il file"), from, in.errorString());
    QSaveFile out(to);
    if (!out.open(QIODevice::WriteOnly)) throw fileError(QStringLiteral("Impossibile scrivere il file"), to, out.errorString());
    common::Sha256 sha;
    QByteArray chunk;
    while (!(chunk = in.read(1 << 20)).isEmpty()) {
        sha.add(chunk);
        if (out.write(chunk) != chunk.size())
            throw fileError(QStringLiteral("Impossibile scrivere il file"), to, out.errorString());
    }
    if (in.error() != QFileDevice::NoError)
        throw fileError(QStringLiteral("Impossibile leggere il file"), from, in.errorString());
    if (!out.commit()) throw fileError(QStringLiteral("Impossibile scrivere il file"), to, out.errorString());
    return sha.result().toHex();
}

PendingBackup::PendingBackup(PendingBackup&& other) noexcept
    : backups_(std::move(other.backups_)), folder_(std::exchange(other.folder_, QString())) {}

PendingBackup::~PendingBackup() {
    if (!folder_.isEmpty()) QDir(folder_).removeRecursively();
}

QString PendingBackup::commit(int run, int keep) {
    const QString target = backups_ + QLatin1Char('/') + QString::number(run);
    if (QFileInfo::exists(target)) removeFolder(backups_, target);
    if (!QDir().rename(folder_, target))
        throw fileError(QStringLiteral("Impossibile completare la copia di sicurezza"), target,
                        QStringLiteral("la cartella %1 non si lascia rinominare").arg(native(folder_)));
    folder_.clear();
    syncFolder(backups_);
    Backups(Paths{QFileInfo(backups_).path()}).prune(keep);
    return target;
}

Backups::Backups(const Paths& root) : root_(root), folder_(root.root + QStringLiteral("/backup")) {}

PendingBackup Backups::begin(sqlite3* store, sqlite3* chain, const QDateTime& taken) const {
    QDir backups(folder_);
    if (!backups.exists() && !QDir().mkpath(folder_))
        throw fileError(QStringLiteral("Impossibile creare la cartella delle copie di sicurezza"), folder_,
                        QStringLiteral("servono i permessi di scrittura"));
    for (const QString& left : backups.entryList({kPartial + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden))
        QDir(backups.filePath(left)).removeRecursively();

    PendingBackup pending(folder_, backups.filePath(kPartial + QUuid::createUuid().toString(QUuid::WithoutBraces)));
    const Paths copies{pending.folder()};
    if (!QDir().mkpath(copies.chainFolder()) || !QDir().mkpath(QFileInfo(copies.storeDb()).path()))
        throw fileError(QStringLiteral("Impossibile creare la cartella"), pending.folder(),
                        QStringLiteral("servono i permessi di scrittura"));
    snapshot(store, copies.storeDb(), QStringLiteral("Quarn (negozio)"));
    snapshot(chain, copies.chainDb(), QStringLiteral("Nelv (catena)"));

    QJsonObject chainFile{{QStringLiteral("present"), false}};
    if (QFileInfo(root_.chainFile()).isFile()) {
        const QByteArray sha = copyWhole(root_.chainFile(), copies.chainFile());
        chainFile = QJsonObject{{QStringLiteral("present"), true},
                                {QStringLiteral("size"), QFileInfo(copies.chainFile()).size()},
                                {QStringLiteral("sha256"), QString::fromLatin1(sha)}};
    }
    const QJsonObject description{{QStringLiteral("taken"), taken.toString(Qt::ISODate)},
                                  {QStringLiteral("chainFile"), chainFile}};
    writeWhole(pending.folder() + QLatin1Char('/') + QLatin1String(kDescription),
               QJsonDocument(description).toJson());
    return pending;
}

QList<int> Backups::runs() const {
    QList<int> out;
    const QDir backups(folder_);
    for (const QString& name : backups.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (isRunNumber(name) && QFileInfo::exists(backups.filePath(name + QLatin1Char('/') + QLatin1String(kDescription))))
            out << name.toInt();
    std::sort(out.begin(), out.end());
    return out;
}

std::optional<BackupInfo> Backups::read(int run) const {
    BackupInfo info;
    info.run = run;
    info.folder = folder_ + QLatin1Char('/') + QString::number(run);
    const QDir folder(info.folder);
    if (!QFileInfo::exists(folder.filePath(QLatin1String(kDescription)))) return std::nullopt;
    const QJsonObject description = readJson(folder.filePath(QLatin1String(kDescription)));
    info.taken = QDateTime::fromString(description.value(QStringLiteral("taken")).toString(), Qt::ISODate);
    const QJsonObject chainFile = description.value(QStringLiteral("chainFile")).toObject();
    info.hasChainFile = chainFile.value(QStringLiteral("present")).toBool();
    info.chainFileSize = static_cast<qint64>(chainFile.value(QStringLiteral("size")).toDouble());
    info.chainFileSha256 = chainFile.value(QStringLiteral("sha256")).toString().toLatin1();
    const QJsonObject end = readJson(folder.filePath(QLatin1String(kEnd)));
    if (end.contains(QStringLiteral("store"))) {
        info.storeAtEnd = Fingerprint::fromJson(end.value(QStringLiteral("store")).toObject());
        info.chainAtEnd = Fingerprint::fromJson(end.value(QStringLiteral("chain")).toObject());
    }
    info.undone = QFileInfo::exists(folder.filePath(QLatin1String(kUndone)));
    return info;
}

std::optional<BackupInfo> Backups::lastNotUndone() const {
    const QList<int> all = runs();
    for (auto it = all.crbegin(); it != all.crend(); ++it)
        if (std::optional<BackupInfo> info = read(*it); info && !info->undone) return info;
    return std::nullopt;
}

void Backups::recordEnd(int run, const Fingerprint& store, const Fingerprint& chain) const {
    const QJsonObject end{{QStringLiteral("store"), store.toJson()}, {QStringLiteral("chain"), chain.toJson()}};
    writeWhole(folder_ + QStringLiteral("/%1/").arg(run) + QLatin1String(kEnd), QJsonDocument(end).toJson());
}

void Backups::markUndone(int run, const QDateTime& when) const {
    const QJsonObject undone{{QStringLiteral("when"), when.toString(Qt::ISODate)}};
    writeWhole(folder_ + QStringLiteral("/%1/").arg(run) + QLatin1String(kUndone), QJsonDocument(undone).toJson());
}

void Backups::prune(int keep) const {
    const QList<int> all = runs();
    for (qsizetype i = 0; i + std::max(keep, 1) < all.size(); ++i)
        removeFolder(folder_, folder_ + QLatin1Char('/') + QString::number(all[i]));
}

}  // namespace safekeep
