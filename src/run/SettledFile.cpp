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

    const qint64 settleMs = std::llround(settleSeconds_ * 1000);
    if (!unchangedSince_.isValid() || !(now == last_)) {
        const bool firstLook = !unchangedSince_.isValid();
        last_ = now;
        unchangedSince_.start();
        if (firstLook) {
            // Untouched for the interval by its own times (never in the future).
            const QDateTime present = QDateTime::currentDateTimeUtc();
            const qint64 idleMs = std::min(now.modified.msecsTo(present), now.statusChanged.msecsTo(present));
            if (idleMs >= settleMs) return State::Settled;
        }
        return State::Changing;
    }
    return unchangedSince_.elapsed() >= settleMs ? State::Settled : State::Changing;
}
