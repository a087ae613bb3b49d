#include "run/Clock.h"

namespace {
// Offsets from UTC are within ±18 hours: in seconds, 17 bits and a sign.
constexpr qint64 kOffsetBias = 1 << 19;
constexpr int kOffsetBits = 20;
}  // namespace

QDateTime Clock::local() const {
    const qint64 utcMs = QDateTime::currentMSecsSinceEpoch();
    const qint64 minute = utcMs / 60000;
    qint64 looked = looked_.load(std::memory_order_relaxed);
    if (looked < 0 || (looked >> kOffsetBits) != minute) {
        const qint64 offset = QDateTime::fromMSecsSinceEpoch(utcMs).offsetFromUtc();
        looked = (minute << kOffsetBits) | (offset + kOffsetBias);
        looked_.store(looked, std::memory_order_relaxed);
    }
    const qint64 offsetMs = ((looked & ((qint64(1) << kOffsetBits) - 1)) - kOffsetBias) * 1000;
    // The local wall clock as a time with no zone: no further look at the time zone.
    return QDateTime::fromMSecsSinceEpoch(utcMs + offsetMs, Qt::UTC);
}
