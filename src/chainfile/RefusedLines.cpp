#include "chainfile/RefusedLines.h"

#include "chainfile/DocumentLine.h"
#include "common/Cp1252.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <QTemporaryFile>

namespace chainfile {

namespace {

[[noreturn]] void failed(const QString& what, const QString& path, const QString& why) {
    throw common::ChainFileError(QStringLiteral("%1 %2: %3").arg(what, QDir::toNativeSeparators(path), why));
}

// The refusals of one walk, read back in order.
class WalkReader {
public:
    WalkReader(const QString& spool, qint64 from, qint64 to) : file_(spool), to_(to) {
        if (!file_.open(QIODevice::ReadOnly) || !file_.seek(from))
            failed(QStringLiteral("Impossibile rileggere il file temporaneo"), spool, file_.errorString());
        in_.setDevice(&file_);
        next();
    }
    bool atEnd() const { return atEnd_; }
    const Refusal& current() const { return current_; }
    void next() {
        atEnd_ = file_.pos() >= to_;
        if (atEnd_) return;
        qint32 line = 0;
        in_ >> line >> current_.kind >> current_.reason;
        current_.line = line;
    }

private:
    QFile file_;
    QDataStream in_;
    qint64 to_;
    bool atEnd_ = false;
    Refusal current_;
};

}  // namespace

RefusedLines::RefusedLines() = default;
RefusedLines::~RefusedLines() = default;

void RefusedLines::add(const Refusal& refusal) {
    if (!spool_) {
        spool_ = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/lis06c-scarti-XXXXXX"));
        if (!spool_->open())
            failed(QStringLiteral("Impossibile creare il file temporaneo"), spool_->fileTemplate(), spool_->errorString());
    }
    if (walks_.isEmpty() || refusal.line < lastLine_) walks_ << spool_->pos();
    lastLine_ = refusal.line;
    QDataStream out(spool_.get());
    out << qint32(refusal.line) << refusal.kind << refusal.reason;
    if (out.status() != QDataStream::Ok)
        failed(QStringLiteral("Impossibile scrivere il file temporaneo"), spool_->fileName(), spool_->errorString());
    ++refusals_;
}

void RefusedLines::addDocument(qint32 document, const QString& reason) {
    if (!documents_.contains(document)) documents_.insert(document, reason);
}

qint64 RefusedLines::writeTo(QIODevice& out, const common::ChainFile& file) const {
    if (isEmpty()) return 0;
    std::vector<std::unique_ptr<WalkReader>> walks;
    if (spool_) {
        if (!spool_->flush())
            failed(QStringLiteral("Impossibile scrivere il file temporaneo"), spool_->fileName(), spool_->errorString());
        for (qsizetype i = 0; i < walks_.size(); ++i)
            walks.push_back(std::make_unique<WalkReader>(spool_->fileName(), walks_[i],
                                                         i + 1 < walks_.size() ? walks_[i + 1] : spool_->size()));
    }
    qint64 written = 0;
    for (const common::ChainLine& line : file) {
        QString kind;
        QStringList reasons;
        const auto refuse = [&](const QString& k, const QString& reason) {
            if (kind.isEmpty()) kind = k;
            if (!reasons.contains(reason)) reasons << reason;
        };
        for (const auto& walk : walks) {
            while (!walk->atEnd() && walk->current().line < line.number()) walk->next();
            for (; !walk->atEnd() && walk->current().line == line.number(); walk->next())
                refuse(walk->current().kind, walk->current().reason);
        }
        if (!documents_.isEmpty()) {
            if (const std::optional<DocumentLine> d = readDocumentLine(line); d && d->numberRead())
                if (const auto it = documents_.constFind(d->number); it != documents_.cend()) refuse(d->kind, *it);
        }
        if (reasons.isEmpty()) continue;
        QByteArray row = QByteArray::number(line.number()) + '\t' + common::toCp1252(kind) + '\t' +
                         common::toCp1252(reasons.join(QStringLiteral("; "))) + '\t';
        row += line.bytes();
        row += "\r\n";
        if (out.write(row) != row.size()) return -1;
        ++written;
    }
    return written;
}

QString RefusedLines::fileName(const QDateTime& when) {
    return QStringLiteral("scarti-%1.txt").arg(when.toString(QStringLiteral("yyyyMMdd-HHmmss")));
}

RefusedLines::Written RefusedLines::write(const common::ChainFile& file, const QString& folder,
                                          const QDateTime& when) const {
    if (isEmpty()) return {};
    const QDir dir(folder);
    QString path = dir.filePath(fileName(when));
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = dir.filePath(fileName(when).replace(QLatin1String(".txt"), QStringLiteral("-%1.txt").arg(n)));
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        failed(QStringLiteral("Impossibile scrivere il file delle righe scartate"), path, out.errorString());
    const qint64 lines = writeTo(out, file);
    if (lines == 0) return {};  // the file holds none of the documents refused
    if (lines < 0 || !out.commit())
        failed(QStringLiteral("Impossibile scrivere il file delle righe scartate"), path, out.errorString());
    return {path, lines};
}

}  // namespace chainfile
