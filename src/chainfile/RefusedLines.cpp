#include "chainfile/RefusedLines.h"

#include "chainfile/DocumentLine.h"
#include "common/Cp1252.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace chainfile {

void RefusedLines::add(const Refusal& refusal) {
    Line& line = lines_[refusal.line];
    if (line.kind.isEmpty()) line.kind = refusal.kind;
    if (!line.reasons.contains(refusal.reason)) line.reasons << refusal.reason;
}

void RefusedLines::add(const QList<Refusal>& refusals) {
    for (const Refusal& r : refusals) add(r);
}

void RefusedLines::addDocument(qint32 document, const QString& reason) {
    if (!documents_.contains(document)) documents_.insert(document, reason);
}

QByteArray RefusedLines::render(const common::ChainFile& file) const {
    QByteArray out;
    if (isEmpty()) return out;
    for (const common::ChainLine& line : file) {
        Line refused = lines_.value(line.number());
        if (!documents_.isEmpty()) {
            if (const std::optional<DocumentLine> d = readDocumentLine(line); d && d->numberRead()) {
                if (const auto it = documents_.constFind(d->number); it != documents_.cend()) {
                    if (refused.kind.isEmpty()) refused.kind = d->kind;
                    if (!refused.reasons.contains(*it)) refused.reasons << *it;
                }
            }
        }
        if (refused.reasons.isEmpty()) continue;
        out += QByteArray::number(line.number());
        out += '\t';
        out += common::toCp1252(refused.kind);
        out += '\t';
        out += common::toCp1252(refused.reasons.join(QStringLiteral("; ")));
        out += '\t';
        out += line.bytes();
        out += "\r\n";
    }
    return out;
}

QString RefusedLines::fileName(const QDateTime& when) {
    return QStringLiteral("scarti-%1.txt").arg(when.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

QString RefusedLines::write(const common::ChainFile& file, const QString& folder, const QDateTime& when) const {
    const QByteArray bytes = render(file);
    if (bytes.isEmpty()) return {};
    const QDir dir(folder);
    QString path = dir.filePath(fileName(when));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(fileName(when).replace(QLatin1String(".txt"), QStringLiteral("-%1.txt").arg(n)));
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        throw common::ChainFileError(QStringLiteral("Impossibile scrivere il file delle righe scartate %1: %2")
                                         .arg(QDir::toNativeSeparators(path), out.errorString()));
    return path;
}

}  // namespace chainfile
