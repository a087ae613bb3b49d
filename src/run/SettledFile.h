#pragma once
// The chain's file is copied into nelv/ by another program, sometimes over a
// slow line. A run that starts while the copy is still going reads a file cut
// in the middle of a document, receives part of it, and the next run takes the
// document as already received. A run therefore starts only on a settled
// file: a regular file whose size, modification time and status-change time
// have stayed the same for the settle interval. (The status-change time moves
// with every write even when a copying program keeps setting the
// modification time back.)
#include <QDateTime>
#include <QElapsedTimer>
#include <QString>

class SettledFile {
public:
    enum class State { Missing, Changing, Settled };

    SettledFile(QString path, double settleSeconds);

    // Looks at the file now: settled when it has not changed for the settle
    // interval, counting both what its own times say and how long this
    // object has seen it unchanged.
    State check();
    // How long a run that cannot wait on a timer waits for the file to settle
    // before it gives up (headless): 24 settle intervals.
    double waitLimitSeconds() const { return settleSeconds_ * 24; }
    // How often such a run looks again.
    int pollMs() const;
    double settleSeconds() const { return settleSeconds_; }
    const QString& path() const { return path_; }

private:
    struct Look {
        bool exists = false;
        bool regular = false;
        qint64 size = -1;
        QDateTime modified;
        QDateTime statusChanged;
        bool operator==(const Look&) const = default;
    };
    Look look() const;

    QString path_;
    double settleSeconds_;
    Look last_;
    QElapsedTimer unchangedSince_;  // started when the file was last seen to change
    qint64 idleBeforeMs_ = 0;       // how long it had been untouched by then, by its own times
};
