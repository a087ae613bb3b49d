#pragma once
// Today's date and the current time; fixed in tests so that rows are comparable.
#include <QDate>
#include <QDateTime>
#include <QTime>

#include <atomic>

// The system's clock. Local time costs a look at the time zone (a stat of
// /etc/localtime on every call), and a stage that stamps each record asks
// many times a second: the offset from UTC is looked up again only when the
// minute changes, which is also when a change of summer time can happen.
class Clock {
public:
    Clock() = default;
    Clock(const Clock&) {}  // a copy looks at the time zone afresh
    Clock& operator=(const Clock&) { return *this; }
    virtual ~Clock() = default;
    virtual QDate today() const { return local().date(); }
    virtual QTime now() const { return local().time(); }

private:
    QDateTime local() const;

    // The UTC minute of the last look at the time zone and the offset it
    // found, in one word: the window's thread and the run's may both ask.
    mutable std::atomic<qint64> looked_{-1};
};

class FixedClock : public Clock {
public:
    FixedClock(QDate day, QTime time = QTime(10, 30, 0)) : day_(day), time_(time) {}
    QDate today() const override { return day_; }
    QTime now() const override { return time_; }

private:
    QDate day_;
    QTime time_;
};
