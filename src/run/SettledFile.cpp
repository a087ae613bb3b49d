#include "run/SettledFile.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

SettledFile::SettledFile(QString path, double settleSeconds)
    : path_(std::move(path)), settleSeconds_(std::max(0.0, settleSeconds)) {}

int SettledFile::pollMs() const { return std::clamp(int(settleSeconds_ * 1000 / 5), 20, 500); }

SettledFile::Look SettledFile::look() const {
    QFileInfo info(path_);
    Look l;
    l.exists = info.exists();
    if (!l.exists) return l;
    // A directory, a FIFO or a device is not a file being copied: the reading
    // of the file says what it is.
    l.regular = info.isFile();
    l.size = info.size();
    l.modified = info.lastModified().toUTC();
    l.statusChanged = info.metadataChangeTime().toUTC();
    return l;
}

SettledFile::State SettledFile::check() {
    const Look now = look();
    if (!now.exists) {
        last_ = now;
        unchangedSince_.invalidate();
        return State::Missing;
    }
    if (!now.regular || settleSeconds_ == 0) return State::Settled;

    if (!unchangedSince_.isValid() || !(now == last_)) {
        last_ = now;
        unchangedSince_.start();
        // What the file's own times say it has been untouched for already
        // (nothing when they lie in the future).
        const QDateTime present = QDateTime::currentDateTimeUtc();
        idleBeforeMs_ = std::max<qint64>(
            0, std::min(now.modified.msecsTo(present), now.statusChanged.msecsTo(present)));
    }
    const qint64 idleMs = idleBeforeMs_ + unchangedSince_.elapsed();
    return idleMs >= std::llround(settleSeconds_ * 1000) ? State::Settled : State::Changing;
}
